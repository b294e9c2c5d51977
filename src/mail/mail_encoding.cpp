#include "mail/mail_encoding.h"

#include "platform/windows1252.h"

#include <QStringEncoder>

namespace rl {

MailCharset MailCharset::forLocale(const QLocale& locale) {
    switch (locale.language()) {
    case QLocale::Chinese: {
        const bool simplified = locale.script() == QLocale::SimplifiedHanScript ||
                                locale.territory() == QLocale::China ||
                                locale.territory() == QLocale::Singapore;
        return {simplified ? "GB2312" : "Big5", 'B'};
    }
    case QLocale::Japanese:
        return {"ISO-2022-JP", 'B'};
    case QLocale::Korean:
        return {"EUC-KR", 'B'};
    default:
        return {"ISO-8859-1", 'Q'};
    }
}

MailCharset MailCharset::system() {
    return forLocale(QLocale::system());
}

namespace {

bool fitsLatin1(const QString& text) {
    for (QChar ch : text)
        if (ch.unicode() > 0xFF) return false;
    return true;
}

bool fitsWindows1252(const QString& text) {
    for (QChar ch : text)
        if (windows1252Byte(ch.unicode()) < 0) return false;
    return true;
}

// Text in a named set the caller knows can hold it.
QByteArray toCharset(const QString& text, const QByteArray& charset) {
    if (charset == "ISO-8859-1") return text.toLatin1();
    if (charset == "windows-1252") return toWindows1252(text);
    if (charset == "UTF-8") return text.toUtf8();
    // A fresh encoder per call, and for a stateful set such as ISO-2022-JP a
    // line end appended and dropped again: the encoder switches back to ASCII
    // before it, and every piece must end in the ASCII state.
    QStringEncoder encoder(charset.constData());
    if (!charset.startsWith("ISO-2022")) return encoder.encode(text);
    QByteArray bytes = encoder.encode(text + u'\n');
    if (bytes.endsWith('\n')) bytes.chop(1);
    return bytes;
}

bool needsEncoding(const QString& word, HeaderTextKind kind) {
    static const QString specials = QStringLiteral("()<>[]:;@\\,.\"");
    for (QChar ch : word) {
        if (ch.unicode() < 0x20 || ch.unicode() >= 0x7F) return true;
        if (kind == HeaderTextKind::Phrase && specials.contains(ch)) return true;
    }
    return false;
}

// The Q form of bytes. In a display name only letters, digits and a few marks
// may stand for themselves, so that no address-syntax special appears bare.
QByteArray qEncode(const QByteArray& bytes, HeaderTextKind kind) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        bool plain;
        if (kind == HeaderTextKind::Phrase)
            plain = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '!' ||
                    b == '*' || b == '+' || b == '-' || b == '/';
        else
            plain = b >= 0x20 && b < 0x7F && b != '=' && b != '?' && b != '_';
        if (b == ' ') {
            out += '_';
        } else if (plain) {
            out += char(b);
        } else {
            out += '=';
            out += hex[b >> 4];
            out += hex[b & 0xF];
        }
    }
    return out;
}

int columnAfter(const QByteArray& out, int startColumn) {
    const qsizetype newline = out.lastIndexOf('\n');
    return newline < 0 ? startColumn + int(out.size()) : int(out.size() - newline - 1);
}

// A run of text as encoded words, each closed before its line passes 75 characters.
QByteArray encodedWords(const QString& run, const MailCharset& preferred, HeaderTextKind kind, int column) {
    const QByteArray charset = encodeInCharset(run, preferred).charset;
    const QByteArray prefix = "=?" + charset + '?' + preferred.letter + '?';
    auto encode = [&](const QString& chunk) {
        const QByteArray bytes = toCharset(chunk, charset);
        return preferred.letter == 'B' ? bytes.toBase64() : qEncode(bytes, kind);
    };
    QByteArray out;
    QString chunk;
    for (qsizetype i = 0; i < run.size();) {
        // One character, a surrogate pair kept whole.
        const qsizetype length = run.at(i).isHighSurrogate() && i + 1 < run.size() ? 2 : 1;
        const QString candidate = chunk + run.mid(i, length);
        if (!chunk.isEmpty() && column + prefix.size() + encode(candidate).size() + 2 > 75) {
            out += prefix + encode(chunk) + "?=\r\n\t";
            column = 1;
            chunk = run.mid(i, length);
        } else {
            chunk = candidate;
        }
        i += length;
    }
    out += prefix + encode(chunk) + "?=";
    return out;
}

} // namespace

CharsetBytes encodeInCharset(const QString& text, const MailCharset& preferred) {
    if (preferred.name.compare("ISO-8859-1", Qt::CaseInsensitive) == 0) {
        if (fitsLatin1(text)) return {"ISO-8859-1", text.toLatin1()};
        if (fitsWindows1252(text)) return {"windows-1252", toWindows1252(text)};
        return {"UTF-8", text.toUtf8()};
    }
    QStringEncoder encoder(preferred.name.constData());
    if (encoder.isValid()) {
        // Converted once only to learn whether the set holds every character.
        const QByteArray probe = encoder.encode(text);
        Q_UNUSED(probe);
        if (!encoder.hasError()) return {preferred.name, toCharset(text, preferred.name)};
    }
    return {"UTF-8", text.toUtf8()};
}

QByteArray encodeHeaderText(const QString& text, const MailCharset& charset, HeaderTextKind kind,
                            int column) {
    QString flat = text;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));

    // Separator before each word, and the word.
    QList<QPair<QString, QString>> words;
    for (qsizetype i = 0; i < flat.size();) {
        qsizetype start = i;
        while (i < flat.size() && (flat[i] == u' ' || flat[i] == u'\t'))
            ++i;
        const QString separator = flat.mid(start, i - start);
        start = i;
        while (i < flat.size() && flat[i] != u' ' && flat[i] != u'\t')
            ++i;
        words.append({separator, flat.mid(start, i - start)});
    }

    QByteArray out;
    for (qsizetype i = 0; i < words.size();) {
        out += words[i].first.toLatin1();
        if (!needsEncoding(words[i].second, kind)) {
            out += words[i].second.toLatin1();
            ++i;
            continue;
        }
        QString run = words[i].second;
        qsizetype j = i + 1;
        for (; j < words.size() && needsEncoding(words[j].second, kind); ++j)
            run += words[j].first + words[j].second;
        out += encodedWords(run, charset, kind, columnAfter(out, column));
        i = j;
    }
    return out;
}

QList<QByteArray> quotedPrintableLines(const QByteArray& line) {
    static const char hex[] = "0123456789ABCDEF";
    QList<QByteArray> lines;
    QByteArray current;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto b = static_cast<unsigned char>(line[i]);
        const bool last = i + 1 == line.size();
        QByteArray piece;
        // Blanks at a line's end are encoded, as transports may strip them.
        if (b == '=' || (b < 0x20 && b != '\t') || b > 0x7E || ((b == ' ' || b == '\t') && last)) {
            piece = QByteArray(1, '=') + hex[b >> 4] + hex[b & 0xF];
        } else {
            piece = QByteArray(1, char(b));
        }
        const qsizetype limit = last ? 76 : 75; // room for the soft break "="
        if (current.size() + piece.size() > limit) {
            lines.append(current + '=');
            current.clear();
        }
        current += piece;
    }
    lines.append(current);
    return lines;
}

QList<QByteArray> base64Lines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    for (qsizetype i = 0; i < bytes.size(); i += 57)
        lines.append(bytes.mid(i, 57).toBase64());
    return lines;
}

QByteArray mimeParameter(const QByteArray& name, const QString& value) {
    bool plain = true;
    for (QChar ch : value)
        if (ch.unicode() < 0x20 || ch.unicode() > 0x7E) plain = false;
    if (!plain) return name + "*=UTF-8''" + value.toUtf8().toPercentEncoding("!#$&+^`|");
    QByteArray quoted = value.toLatin1();
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return name + "=\"" + quoted + '"';
}

} // namespace rl
