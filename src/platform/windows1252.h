#pragma once

#include <QByteArray>
#include <QString>

#include <string_view>

namespace rl {

// The one place where report text (Windows-1252 bytes) becomes Unicode and back.
// Bytes 0x80-0x9F follow the Windows-1252 table; the five bytes it leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value.
QString fromWindows1252(std::string_view bytes);
inline QString fromWindows1252(const QByteArray& bytes) {
    return fromWindows1252(std::string_view(bytes.constData(), size_t(bytes.size())));
}

// Characters outside Windows-1252 become '?'.
QByteArray toWindows1252(const QString& text);

// One character; -1 when it has no Windows-1252 byte.
int windows1252Byte(char16_t ch);

} // namespace rl
