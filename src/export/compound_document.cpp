#include "export/compound_document.h"

#include "export/little_endian_buffer.h"
#include "platform/error.h"

#include <QIODevice>

#include <algorithm>

namespace rl {

namespace {

constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;

void put(QIODevice& out, const QByteArray& bytes) {
    if (out.write(bytes) != bytes.size())
        throw Error("Cannot write the workbook file: " + out.errorString().toStdString());
}

std::uint32_t difatSectorsFor(std::uint32_t fatSectors) {
    const std::uint32_t beyondHeader = fatSectors > CompoundDocument::kHeaderDifatEntries
                                           ? fatSectors - CompoundDocument::kHeaderDifatEntries
                                           : 0;
    return (beyondHeader + CompoundDocument::kIdsPerSector - 2) / (CompoundDocument::kIdsPerSector - 1);
}

// The FAT sector number of the i-th allocation table sector.
std::uint32_t fatSectorAt(const CompoundDocument::Layout& layout, std::uint32_t i) {
    return layout.dataSectors + i;
}

LittleEndianBuffer directoryEntry(const QString& name, int type, std::uint32_t child, std::uint32_t start,
                                  std::uint32_t size) {
    LittleEndianBuffer b;
    if (!name.isEmpty()) b.utf16(name).u16(0);
    b.fill(0, 64 - b.size());
    b.u16(name.isEmpty() ? 0 : unsigned(name.size() + 1) * 2);
    b.u8(unsigned(type)).u8(name.isEmpty() ? 0 : 1); // black in the red-black tree
    b.u32(kFreeSector).u32(kFreeSector).u32(child);
    b.fill(0, 16 + 4 + 16); // class id, state bits, creation and modification times
    b.u32(start).u32(size).u32(0);
    return b;
}

} // namespace

CompoundDocument::Layout CompoundDocument::layoutFor(qint64 streamBytes) {
    if (streamBytes < 0 || streamBytes > qint64(0x7FFFFFFF) - kSectorSize)
        throw Error("The workbook is too large for the file format");
    Layout layout;
    layout.streamSize = std::uint32_t(std::max<qint64>(streamBytes, kMiniStreamCutoff));
    layout.dataSectors = (layout.streamSize + kSectorSize - 1) / kSectorSize;
    // The table needs entries for the data, for its own sectors, for the
    // extension sectors that list it and for the directory.
    std::uint32_t fat = 1;
    while (std::uint64_t(fat) * kIdsPerSector <
           std::uint64_t(layout.dataSectors) + fat + difatSectorsFor(fat) + 1)
        ++fat;
    layout.fatSectors = fat;
    layout.difatSectors = difatSectorsFor(fat);
    layout.directorySector = layout.dataSectors + fat + layout.difatSectors;
    return layout;
}

void CompoundDocument::write(QIODevice& stream, qint64 size, const QString& streamName, QIODevice& out) {
    const Layout layout = layoutFor(size);
    writeHeader(layout, out);
    writeStreamSectors(stream, size, out);
    writeFat(layout, out);
    writeDifat(layout, out);
    writeDirectory(layout, streamName, out);
}

void CompoundDocument::writeHeader(const Layout& layout, QIODevice& out) {
    LittleEndianBuffer b;
    b.raw(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)).fill(0, 16);
    b.u16(0x003E).u16(3).u16(0xFFFE).u16(9).u16(6).fill(0, 6);
    b.u32(0).u32(layout.fatSectors).u32(layout.directorySector).u32(0);
    b.u32(kMiniStreamCutoff).u32(kEndOfChain).u32(0);
    b.u32(layout.difatSectors ? layout.dataSectors + layout.fatSectors : kEndOfChain)
        .u32(layout.difatSectors);
    for (std::uint32_t i = 0; i < kHeaderDifatEntries; ++i)
        b.u32(i < layout.fatSectors ? fatSectorAt(layout, i) : kFreeSector);
    put(out, b.bytes());
}

void CompoundDocument::writeStreamSectors(QIODevice& stream, qint64 size, QIODevice& out) {
    constexpr qint64 chunk = 64 * 1024;
    qint64 done = 0;
    while (done < size) {
        const QByteArray bytes = stream.read(std::min(chunk, size - done));
        if (bytes.isEmpty())
            throw Error("Cannot read the workbook stream: " + stream.errorString().toStdString());
        put(out, bytes);
        done += bytes.size();
    }
    const qint64 padded = qint64(layoutFor(size).dataSectors) * kSectorSize;
    if (padded > size) put(out, QByteArray(padded - size, '\0'));
}

void CompoundDocument::writeFat(const Layout& layout, QIODevice& out) {
    const std::uint32_t entries = layout.fatSectors * kIdsPerSector;
    LittleEndianBuffer b;
    std::uint32_t sector = 0;
    for (; sector + 1 < layout.dataSectors; ++sector)
        b.u32(sector + 1);
    b.u32(kEndOfChain);
    ++sector;
    for (std::uint32_t i = 0; i < layout.fatSectors; ++i, ++sector)
        b.u32(kFatSector);
    for (std::uint32_t i = 0; i < layout.difatSectors; ++i, ++sector)
        b.u32(kDifatSector);
    b.u32(kEndOfChain); // the directory
    ++sector;
    for (; sector < entries; ++sector)
        b.u32(kFreeSector);
    put(out, b.bytes());
}

// Each extension sector lists 127 table sectors and ends with the next extension sector.
void CompoundDocument::writeDifat(const Layout& layout, QIODevice& out) {
    std::uint32_t next = kHeaderDifatEntries;
    for (std::uint32_t d = 0; d < layout.difatSectors; ++d) {
        LittleEndianBuffer b;
        for (int i = 0; i < kIdsPerSector - 1; ++i, ++next)
            b.u32(next < layout.fatSectors ? fatSectorAt(layout, next) : kFreeSector);
        const bool last = d + 1 == layout.difatSectors;
        b.u32(last ? kEndOfChain : layout.dataSectors + layout.fatSectors + d + 1);
        put(out, b.bytes());
    }
}

void CompoundDocument::writeDirectory(const Layout& layout, const QString& streamName, QIODevice& out) {
    LittleEndianBuffer b;
    b.raw(directoryEntry(QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0).bytes());
    b.raw(directoryEntry(streamName, 2, kFreeSector, 0, layout.streamSize).bytes());
    for (int i = 0; i < 2; ++i)
        b.raw(directoryEntry(QString(), 0, kFreeSector, 0, 0).bytes());
    put(out, b.bytes());
}

} // namespace rl
