#pragma once

// Small, strict readers for what the XLS writer produces: a compound document
// reader that checks the allocation table as a real reader relies on it, and
// a BIFF record splitter.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace rl::test {

inline std::uint32_t le32(const QByteArray& b, qsizetype at) {
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}
inline unsigned le16(const QByteArray& b, qsizetype at) {
    return unsigned(std::uint8_t(b[at])) | unsigned(std::uint8_t(b[at + 1])) << 8;
}

struct CompoundRead {
    std::string error; // empty when the document is sound
    QString streamName;
    QByteArray stream;
};

// Reads the one stream of a document, checking that the allocation table
// covers every sector (its own, the DIFAT's and the directory's included) and
// marks them as such.
inline CompoundRead readCompoundDocument(const QByteArray& file) {
    CompoundRead result;
    auto fail = [&](const std::string& why) {
        result.error = why;
        return result;
    };
    constexpr qsizetype sector = 512;
    if (file.size() < sector || file.left(8) != QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
        return fail("no signature");
    if ((file.size() - sector) % sector != 0) return fail("file is not whole sectors");
    if (le16(file, 0x1A) != 3 || le16(file, 0x1E) != 9) return fail("not version 3 with 512-byte sectors");
    const std::uint32_t sectors = std::uint32_t((file.size() - sector) / sector);
    auto at = [&](std::uint32_t s) { return sector + qsizetype(s) * sector; };
    const std::uint32_t fatCount = le32(file, 0x2C);
    std::vector<std::uint32_t> fatSectors;
    for (int i = 0; i < 109 && fatSectors.size() < fatCount; ++i)
        fatSectors.push_back(le32(file, 0x4C + 4 * i));
    std::vector<std::uint32_t> difatSectors;
    for (std::uint32_t d = le32(file, 0x44); d != 0xFFFFFFFE && fatSectors.size() < fatCount;) {
        if (d >= sectors || difatSectors.size() > sectors) return fail("bad DIFAT chain");
        difatSectors.push_back(d);
        for (int i = 0; i < 127 && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(le32(file, at(d) + 4 * i));
        d = le32(file, at(d) + 4 * 127);
    }
    if (difatSectors.size() != le32(file, 0x48)) return fail("DIFAT count differs from its chain");
    if (fatSectors.size() != fatCount) return fail("FAT sectors missing from the DIFAT");
    std::vector<std::uint32_t> fat;
    for (const std::uint32_t s : fatSectors) {
        if (s >= sectors) return fail("FAT sector beyond the file");
        for (int i = 0; i < 128; ++i)
            fat.push_back(le32(file, at(s) + 4 * i));
    }
    if (fat.size() < sectors) return fail("FAT does not cover the file");
    for (const std::uint32_t s : fatSectors)
        if (fat[s] != 0xFFFFFFFD) return fail("FAT sector not marked as such");
    for (const std::uint32_t s : difatSectors)
        if (fat[s] != 0xFFFFFFFC) return fail("DIFAT sector not marked as such");
    auto chain = [&](std::uint32_t start, QByteArray& out) {
        std::uint32_t steps = 0;
        for (std::uint32_t s = start; s != 0xFFFFFFFE; s = fat[s]) {
            if (s >= sectors || ++steps > sectors) return false;
            out += file.mid(at(s), sector);
        }
        return true;
    };
    QByteArray directory;
    if (!chain(le32(file, 0x30), directory)) return fail("bad directory chain");
    if (le32(file, 0x38) != 4096) return fail("unexpected mini stream cut-off");
    const std::uint32_t child = le32(directory, 76);
    if (child * 128 + 128 > std::uint32_t(directory.size())) return fail("root has no child");
    const QByteArray entry = directory.mid(child * 128, 128);
    const unsigned nameBytes = le16(entry, 64);
    result.streamName = QString::fromUtf16(reinterpret_cast<const char16_t*>(entry.constData()),
                                           qsizetype(nameBytes / 2) - 1);
    const std::uint32_t size = le32(entry, 120);
    if (size < 4096) return fail("stream would be read from the mini stream");
    QByteArray data;
    if (!chain(le32(entry, 116), data) || data.size() < qsizetype(size)) return fail("bad stream chain");
    result.stream = data.left(size);
    return result;
}

struct BiffRecord {
    unsigned type;
    QByteArray data;
    qint64 position; // of the record's header in the stream
};

// Splits a stream into records up to the trailing padding.
inline std::vector<BiffRecord> biffRecords(const QByteArray& stream) {
    std::vector<BiffRecord> records;
    qsizetype at = 0;
    while (at + 4 <= stream.size()) {
        const unsigned type = le16(stream, at), length = le16(stream, at + 2);
        if (type == 0 && length == 0) break;
        records.push_back({type, stream.mid(at + 4, length), at});
        at += 4 + length;
    }
    return records;
}

} // namespace rl::test
