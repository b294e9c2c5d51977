#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

class QFile;
class QIODevice;

namespace rl {

// Byte output shared by the RTF and HTML writers. Text is written as the bytes
// given (Windows-1252 report text stays as it is, whatever the locale), and
// every write is checked: a short write throws rl::Error naming the device's error.

// Writes the bytes, nothing added.
void writeBytes(QIODevice& out, std::string_view bytes);
// Writes the bytes followed by CR LF.
void writeLine(QIODevice& out, std::string_view bytes);
// Decimal, C locale.
inline std::string decimal(long long value) {
    return std::to_string(value);
}

// Opens a file for writing, truncating what was there; throws rl::Error naming the file.
void openForWriting(QFile& file);
// Closes a file written to, throwing when the last bytes cannot be flushed.
void closeWritten(QFile& file);

} // namespace rl
