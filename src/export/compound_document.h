#pragma once

#include <QString>

#include <cstdint>

class QIODevice;

namespace rl {

// Wraps one stream in a version-3 compound document (512-byte sectors): the
// header, the stream's sectors, the allocation table, its extension sectors
// when the table needs more than the header's 109 entries, one directory sector.
//
// The stream is always kept in regular sectors. Readers take a stream shorter
// than the 4096-byte cut-off from the mini stream, so a shorter stream is
// padded with zeros up to the cut-off (its recorded size included).
class CompoundDocument {
public:
    static constexpr int kSectorSize = 512;
    static constexpr int kMiniStreamCutoff = 4096;
    static constexpr int kHeaderDifatEntries = 109;
    static constexpr int kIdsPerSector = kSectorSize / 4;

    struct Layout {
        std::uint32_t dataSectors = 0;
        std::uint32_t fatSectors = 0;
        std::uint32_t difatSectors = 0;
        std::uint32_t directorySector = 0;
        std::uint32_t streamSize = 0;
    };
    // Where everything goes for a stream of that many bytes. The allocation
    // table covers every sector of the file, its own included.
    static Layout layoutFor(qint64 streamBytes);

    // Reads `size` bytes from `stream` (from its position) and writes the whole
    // document to `out`. Throws rl::Error when either device fails or the stream
    // is too large for the format.
    static void write(QIODevice& stream, qint64 size, const QString& streamName, QIODevice& out);

private:
    static void writeHeader(const Layout& layout, QIODevice& out); // signature, sizes, first DIFAT
    static void writeStreamSectors(QIODevice& stream, qint64 size, QIODevice& out); // the data, padded
    static void writeFat(const Layout& layout, QIODevice& out);                     // the sector chains
    static void writeDifat(const Layout& layout, QIODevice& out); // FAT sectors past the 109th
    static void writeDirectory(const Layout& layout, const QString& streamName,
                               QIODevice& out); // root and stream entries
};

} // namespace rl
