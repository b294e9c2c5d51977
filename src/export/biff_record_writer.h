#pragma once

#include <QByteArray>

#include <cstdint>

class QIODevice;

namespace rl {

// Writes BIFF records (type, length, data) to a device. Positions are counted
// from where the device stood when the writer was made, which is the start of
// the workbook stream. Throws rl::Error when the device refuses bytes; the
// device then holds whatever was written before.
class BiffRecordWriter {
public:
    static constexpr int kMaxRecordData = 8224;
    static constexpr std::uint16_t kContinue = 0x003C;

    explicit BiffRecordWriter(QIODevice& device);

    // Data longer than one record goes on in CONTINUE records.
    void record(std::uint16_t type, const QByteArray& data);
    // Bytes that already are whole records (cell records collected aside).
    void raw(const QByteArray& bytes);
    // Overwrites bytes written earlier, at a stream position, and comes back to the end.
    void patch(qint64 position, const QByteArray& bytes);

    // The stream position the next record will have.
    qint64 position() const { return position_; }

    // One record's header and data as bytes.
    static QByteArray recordBytes(std::uint16_t type, const QByteArray& data);

private:
    void put(const char* data, qint64 size);

    QIODevice& device_;
    qint64 base_;
    qint64 position_ = 0;
};

} // namespace rl
