#pragma once

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>

namespace rl {

// The character set a message's non-ASCII text is written in, and the letter of
// the encoded-word form its header text takes: 'Q' (quoted) for the Western
// set, 'B' (base64) for the Chinese, Japanese and Korean sets.
struct MailCharset {
    QByteArray name = "ISO-8859-1";
    char letter = 'Q';

    // The set of a system's primary language: "GB2312" (simplified Chinese),
    // "Big5" (other Chinese), "ISO-2022-JP", "EUC-KR", else "ISO-8859-1".
    static MailCharset forLocale(const QLocale& locale);
    // The set of QLocale::system().
    static MailCharset system();
};

// Text converted to bytes of a charset, with the name of the charset the bytes
// really are in. Text the preferred set cannot hold goes out in the nearest
// set that can: "windows-1252" after "ISO-8859-1" (the euro sign, typographic
// quotes), then "UTF-8"; never with characters silently replaced.
struct CharsetBytes {
    QByteArray charset;
    QByteArray bytes;
};
CharsetBytes encodeInCharset(const QString& text, const MailCharset& preferred);

// Where header text stands: free text (Subject, Organization) or a display name,
// where the specials of the address syntax must not appear bare.
enum class HeaderTextKind { Unstructured, Phrase };

// Header text with its non-ASCII words written as encoded words. Line breaks
// inside the text become blanks, so the text can never start a new header.
// A long run of encoded words is split into several, separated by CR LF and a
// tab, so that no line passes 75 characters; `column` is where the text starts
// on its first line (after "Subject: ", say).
QByteArray encodeHeaderText(const QString& text, const MailCharset& charset,
                            HeaderTextKind kind = HeaderTextKind::Unstructured, int column = 0);

// One line of bytes as quoted-printable lines of at most 76 characters: every
// line but the last ends with the soft break "=".
QList<QByteArray> quotedPrintableLines(const QByteArray& line);

// The standard base64 of `bytes` as lines of 76 characters (57 input bytes each).
QList<QByteArray> base64Lines(const QByteArray& bytes);

// A MIME parameter (name="value"), in the encoded form name*=UTF-8''... when
// the value holds anything but printable ASCII.
QByteArray mimeParameter(const QByteArray& name, const QString& value);

} // namespace rl
