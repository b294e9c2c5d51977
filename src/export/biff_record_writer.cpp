#include "export/biff_record_writer.h"

#include "platform/error.h"

#include <QIODevice>

#include <algorithm>

namespace rl {

BiffRecordWriter::BiffRecordWriter(QIODevice& device) : device_(device), base_(device.pos()) {}

QByteArray BiffRecordWriter::recordBytes(std::uint16_t type, const QByteArray& data) {
    QByteArray bytes;
    bytes.reserve(4 + data.size());
    bytes.append(char(type & 0xFF)).append(char(type >> 8));
    bytes.append(char(data.size() & 0xFF)).append(char((data.size() >> 8) & 0xFF));
    bytes.append(data);
    return bytes;
}

void BiffRecordWriter::record(std::uint16_t type, const QByteArray& data) {
    qsizetype at = 0;
    do {
        const qsizetype length = std::min<qsizetype>(kMaxRecordData, data.size() - at);
        const char header[4] = {char(type & 0xFF), char(type >> 8), char(length & 0xFF), char(length >> 8)};
        put(header, 4);
        put(data.constData() + at, length);
        at += length;
        type = kContinue;
    } while (at < data.size());
}

void BiffRecordWriter::raw(const QByteArray& bytes) {
    put(bytes.constData(), bytes.size());
}

void BiffRecordWriter::patch(qint64 position, const QByteArray& bytes) {
    if (!device_.seek(base_ + position) || device_.write(bytes) != bytes.size() ||
        !device_.seek(base_ + position_))
        throw Error("Cannot write the workbook: " + device_.errorString().toStdString());
}

void BiffRecordWriter::put(const char* data, qint64 size) {
    if (size > 0 && device_.write(data, size) != size)
        throw Error("Cannot write the workbook: " + device_.errorString().toStdString());
    position_ += size;
}

} // namespace rl
