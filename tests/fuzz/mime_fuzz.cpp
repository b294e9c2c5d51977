// Feeds arbitrary text to the MIME encoders: header text must never carry a
// line break except the folding it adds, quoted-printable and base64 lines must
// stay within 76 characters of printable ASCII and decode back to the input.
#include "mail/mail_encoding.h"

#include <cstdint>
#include <cstdlib>

namespace {

void checkFolded(const QByteArray& header) {
    // Folding is CR LF followed by a tab; any other CR or LF would start a header.
    for (qsizetype i = 0; i < header.size(); ++i) {
        const char c = header[i];
        if (c == '\n' && (i == 0 || header[i - 1] != '\r' || i + 1 >= header.size() || header[i + 1] != '\t'))
            std::abort();
        if (c == '\r' && (i + 1 >= header.size() || header[i + 1] != '\n')) std::abort();
        if (c == '\0') std::abort();
    }
}

void checkLines(const QList<QByteArray>& lines, bool tabs) {
    for (const QByteArray& line : lines) {
        if (line.size() > 76) std::abort();
        for (const char c : line)
            if ((c < 0x20 && !(tabs && c == '\t')) || c > 0x7e) std::abort();
    }
}

QByteArray fromQuotedPrintable(const QList<QByteArray>& lines) {
    QByteArray out;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines[n];
        const bool soft = n + 1 < lines.size();
        if (soft) {
            if (!line.endsWith('=')) std::abort();
            line.chop(1);
        }
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] != '=') {
                out += line[i];
                continue;
            }
            if (i + 2 >= line.size()) std::abort();
            bool ok = false;
            out += char(line.mid(i + 1, 2).toInt(&ok, 16));
            if (!ok) std::abort();
            i += 2;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);
    for (const rl::MailCharset& charset : {rl::MailCharset{"ISO-8859-1", 'Q'}, rl::MailCharset{"GB2312", 'B'},
                                           rl::MailCharset{"ISO-2022-JP", 'B'}}) {
        for (const auto kind : {rl::HeaderTextKind::Unstructured, rl::HeaderTextKind::Phrase}) {
            checkFolded(rl::encodeHeaderText(text, charset, kind, int(size % 40)));
        }
        (void)rl::encodeInCharset(text, charset);
    }
    const QByteArray parameter = rl::mimeParameter("filename", text);
    if (parameter.contains('\r') || parameter.contains('\n') || !parameter.startsWith("filename"))
        std::abort();

    const QByteArray line = bytes.left(bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n'));
    const QList<QByteArray> quoted = rl::quotedPrintableLines(line);
    checkLines(quoted, true);
    if (fromQuotedPrintable(quoted) != line) std::abort();

    const QList<QByteArray> base64 = rl::base64Lines(bytes);
    checkLines(base64, false);
    if (QByteArray::fromBase64(base64.join()) != bytes) std::abort();
    return 0;
}
