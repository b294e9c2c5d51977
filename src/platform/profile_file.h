#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace rl {

// One INI (profile) file, read and written with the semantics of the Windows
// profile functions the program's settings were designed around.
//
// Format: "[section]" lines open sections, "key=value" lines hold values, every
// other line is ignored (and kept on rewrite). Section and key names match
// without regard to case; the first matching section and the first matching key
// in it win. Lines end with LF, CR LF or a lone CR.
//
// Blanks: on reading, blanks (spaces and tabs) around the section name inside the
// brackets, around the key and around the value are removed, as Windows does; a
// value is otherwise returned as stored (quotes are not removed). A key present
// with an empty value reads as an empty text, not as the default.
//
// Encoding: files are bytes. Names and values are decoded as UTF-8; a name or
// value that is not valid UTF-8 (a file carried over from Windows) is decoded as
// Windows-1252. Values are written as UTF-8.
//
// Every call opens the file, reads or writes it, and closes it; nothing is cached,
// so two instances (or two processes) over the same file see each other's writes.
// Instances are cheap and hold only the path. Not synchronised: concurrent writers
// of one file end with the last writer's content (never with a torn file).
class ProfileFile {
public:
    // A file larger than this is not a settings file: it reads as all defaults and
    // is never rewritten (so a stray huge file is not loaded into memory or lost).
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

    explicit ProfileFile(QString path);

    const QString& path() const { return path_; }

    // The value of key in section, or defaultValue when the file, the section or
    // the key is missing, or the file cannot be read (too large, not a regular
    // file, no permission). Never throws.
    QString readString(QStringView section, QStringView key, const QString& defaultValue = QString()) const;

    // The value read as an integer (see parseInteger); defaultValue when the key
    // is missing or its text is not a valid integer. Never throws.
    int readInteger(QStringView section, QStringView key, int defaultValue) const;

    // Sets key in section to value, creating the folder, the file, the section
    // and the key as needed; every other line of the file is kept as it was, in
    // its order. The value is written as it is, without quoting; since a line
    // break would end the value (and start a stray line of the file), only the
    // text before the first line break is written, which is exactly what would be
    // read back.
    //
    // The file is replaced through a temporary file and a rename, so a crash
    // while writing leaves either the old or the new content, never a truncated
    // one. Throws rl::Error when the file cannot be read back first (it is then
    // left untouched), cannot be written, or when the section or key name cannot
    // be stored (empty key, "=" in the key, "]" in the section, line breaks).
    void writeString(QStringView section, QStringView key, const QString& value) const;

    // Writes the integer as decimal text.
    void writeInteger(QStringView section, QStringView key, int value) const;

    // Integer syntax of the settings: optional blanks around, an optional sign,
    // then decimal digits, or "0x", "0X" or "$" followed by hexadecimal digits.
    // Decimal values must fit in 32 bits; hexadecimal ones may use all 32 bits
    // ("$FFFFFFFF" is -1). Anything else, the empty text included, is nullopt.
    static std::optional<int> parseInteger(QStringView text);

private:
    QString path_;
};

} // namespace rl
