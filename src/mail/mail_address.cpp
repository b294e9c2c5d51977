#include "mail/mail_address.h"

#include "platform/error.h"

#include <optional>
#include <utility>

namespace rl {

namespace {

bool isBlank(QChar ch) {
    return ch == u' ' || ch == u'\t';
}

QString trimBlanks(const QString& text) {
    qsizetype start = 0, end = text.size();
    while (start < end && isBlank(text[start]))
        ++start;
    while (end > start && isBlank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

[[noreturn]] void invalidAddress(const QString& text) {
    throw Error(QStringLiteral("Endereço de e-mail inválido: \"%1\"").arg(text.simplified()).toStdString());
}

// An address goes into headers and into "MAIL FROM:<...>" / "RCPT TO:<...>",
// so it may hold no line break, control character, blank or bracket; and
// no letter outside ASCII, which a server without SMTPUTF8 cannot take.
void checkAddress(const QString& address, const QString& text) {
    for (QChar ch : address)
        if (ch.unicode() <= 0x20 || ch.unicode() >= 0x7F || ch == u'<' || ch == u'>') invalidAddress(text);
}

bool isAtext(QChar ch) {
    static const QString atext =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890!#$%&'*+-/=?^_`{}|~");
    return atext.contains(ch);
}

// Atoms joined by single full stops, as a local part or a domain may be written bare.
bool isDotAtom(QStringView text) {
    if (text.isEmpty() || text.startsWith(u'.') || text.endsWith(u'.') || text.contains(u"..")) return false;
    for (QChar ch : text)
        if (ch != u'.' && !isAtext(ch)) return false;
    return true;
}

bool isPlainLocalPart(const QString& local) {
    return isDotAtom(local);
}

// A domain: a dot-atom or an address literal in square brackets.
bool isDomain(QStringView domain) {
    if (domain.startsWith(u'[') && domain.endsWith(u']') && domain.size() > 2) {
        for (QChar ch : domain.mid(1, domain.size() - 2))
            if (ch.unicode() <= 0x20 || ch.unicode() >= 0x7F || ch == u'[' || ch == u']' || ch == u'\\')
                return false;
        return true;
    }
    return isDotAtom(domain);
}

// A quoted string starting at t[from] (a double quote): its text without the
// quotes and escapes, and the position after the closing quote; nullopt when
// it is never closed.
std::optional<std::pair<QString, qsizetype>> quotedString(const QString& t, qsizetype from) {
    QString content;
    for (qsizetype i = from + 1; i < t.size(); ++i) {
        if (t[i] == u'"') return std::pair{content, i + 1};
        if (t[i] == u'\\' && i + 1 < t.size()) ++i;
        content += t[i];
    }
    return std::nullopt;
}

// The end of the domain that starts at t[from]: the first blank, comment or end.
qsizetype domainEnd(const QString& t, qsizetype from) {
    qsizetype end = from;
    while (end < t.size() && !isBlank(t[end]) && t[end] != u'(')
        ++end;
    return end;
}

// local@domain from a quoted local part and the domain after it; the text
// given names the whole item in the error. Blanks are allowed in the local
// part (it goes out quoted), control characters, brackets and letters outside
// ASCII are not.
QString quotedAddress(const QString& local, QStringView domain, const QString& text) {
    if (local.isEmpty() || !isDomain(domain)) invalidAddress(text);
    for (QChar ch : local)
        if (ch.unicode() < 0x20 || ch.unicode() >= 0x7F || ch == u'<' || ch == u'>') invalidAddress(text);
    return local + u'@' + domain.toString();
}

// A bare or bracketed address that is not quoted: one at sign at most, with
// something on both sides and a well-formed domain.
void checkUnquotedAddress(const QString& address, const QString& text) {
    checkAddress(address, text);
    const qsizetype at = address.lastIndexOf(u'@');
    if (at < 0) return; // a local user of the server
    const QString local = address.left(at);
    if (local.isEmpty() || local.contains(u'@') || local.contains(u'"') ||
        !isDomain(QStringView(address).mid(at + 1)))
        invalidAddress(text);
}

QByteArray quoted(const QByteArray& text) {
    QByteArray out = text;
    out.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + out + '"';
}

bool isPlainAscii(const QString& text) {
    for (QChar ch : text)
        if (ch.unicode() < 0x20 || ch.unicode() > 0x7E) return false;
    return true;
}

} // namespace

TMailAddressItem TMailAddressItem::fromText(const QString& text) {
    TMailAddressItem item;
    const QString t = trimBlanks(text);
    // A line break anywhere could start a header or a command: refused, not folded.
    for (QChar ch : t)
        if (ch.unicode() < 0x20 && ch != u'\t') invalidAddress(text);
    static const QString syntax = QStringLiteral("(\"< @\t");
    bool simple = true;
    for (QChar ch : syntax)
        if (t.contains(ch)) simple = false;
    if (simple) {
        item.Address = t;
        checkUnquotedAddress(item.Address, text);
        return item;
    }

    // Display-name text, and for each of its characters whether it came from
    // inside double quotes (where an at sign is not an address).
    QString name;
    QList<bool> fromQuotes;
    // Set once the address is read: from angle brackets, or a quoted local
    // part and its domain. Only blanks and comments may follow it.
    bool done = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar ch = t[i];
        if (ch == u'(') {
            int depth = 1;
            for (++i; i < t.size() && depth > 0; ++i) {
                if (t[i] == u'\\')
                    ++i;
                else if (t[i] == u'(')
                    ++depth;
                else if (t[i] == u')')
                    --depth;
            }
            if (depth > 0) invalidAddress(text);
            --i;
        } else if (done) {
            if (ch == u'@') throw Error("@ Outside address");
            if (!isBlank(ch)) invalidAddress(text);
        } else if (ch == u'"') {
            const auto quote = quotedString(t, i);
            if (!quote) invalidAddress(text);
            const auto& [content, after] = *quote;
            if (after < t.size() && t[after] == u'@') {
                // "john doe"@example.com: the quoted text is the local part, not a name.
                const qsizetype end = domainEnd(t, after + 1);
                item.Address = quotedAddress(content, QStringView(t).mid(after + 1, end - after - 1), text);
                item.Name = trimBlanks(name);
                done = true;
                i = end - 1;
                continue;
            }
            name += content;
            for (qsizetype k = 0; k < content.size(); ++k)
                fromQuotes.append(true);
            i = after - 1;
        } else if (ch == u'<') {
            const qsizetype close = t.indexOf(u'>', i + 1);
            if (close < 0) invalidAddress(text);
            const QString inside = trimBlanks(t.mid(i + 1, close - i - 1));
            if (inside.startsWith(u'"')) {
                const auto quote = quotedString(inside, 0);
                if (!quote || quote->second >= inside.size() || inside[quote->second] != u'@')
                    invalidAddress(text);
                item.Address = quotedAddress(quote->first, QStringView(inside).mid(quote->second + 1), text);
            } else {
                item.Address = inside;
                if (!item.Address.isEmpty()) checkUnquotedAddress(item.Address, text);
            }
            item.Name = trimBlanks(name);
            done = true;
            i = close;
        } else {
            name += ch;
            fromQuotes.append(false);
        }
    }

    if (!done) {
        // A bare local-part@domain is the address; the text before it the name.
        qsizetype at = -1;
        for (qsizetype i = 0; i < name.size() && at < 0; ++i)
            if (name[i] == u'@' && !fromQuotes[i]) at = i;
        if (at < 0) {
            item.Name = trimBlanks(name);
        } else {
            qsizetype start = at, end = at;
            while (start > 0 && !isBlank(name[start - 1]))
                --start;
            while (end < name.size() && !isBlank(name[end]))
                ++end;
            // Text after the address, or a quoted piece inside it, is nothing a
            // mailbox can be: refused rather than guessed at.
            if (!trimBlanks(name.mid(end)).isEmpty()) invalidAddress(text);
            for (qsizetype k = start; k < end; ++k)
                if (fromQuotes[k]) invalidAddress(text);
            item.Address = name.mid(start, end - start);
            item.Name = trimBlanks(name.left(start));
            checkUnquotedAddress(item.Address, text);
        }
    }
    return item;
}

QByteArray TMailAddressItem::addrSpec() const {
    const qsizetype at = Address.lastIndexOf(u'@');
    const QString local = at < 0 ? Address : Address.left(at);
    const QByteArray domain = at < 0 ? QByteArray() : Address.mid(at).toUtf8();
    return (isPlainLocalPart(local) ? local.toUtf8() : quoted(local.toUtf8())) + domain;
}

QByteArray TMailAddressItem::renderedAddress() const {
    if (Address.isEmpty()) return Name.isEmpty() ? QByteArray() : QByteArray("<>");
    const QByteArray address = addrSpec();
    return Name.isEmpty() && !address.startsWith('"') ? address : '<' + address + '>';
}

QByteArray TMailAddressItem::rendered(const MailCharset& charset) const {
    if (Name.isEmpty()) return renderedAddress();
    QByteArray address = renderedAddress();
    if (address.startsWith('<')) address = address.mid(1, address.size() - 2);
    const QByteArray name = isPlainAscii(Name) ? quoted(Name.toLatin1())
                                               : encodeHeaderText(Name, charset, HeaderTextKind::Phrase);
    return name + " <" + address + '>';
}

void TMailAddressList::setText(const QString& text) {
    QStringList pieces;
    QString current;
    bool inQuotes = false, inAngle = false;
    int depth = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'\\' && i + 1 < text.size()) {
            current += ch;
            current += text[++i];
            continue;
        }
        if (inQuotes) {
            if (ch == u'"') inQuotes = false;
        } else if (depth > 0) {
            if (ch == u'(')
                ++depth;
            else if (ch == u')')
                --depth;
        } else if (ch == u'"') {
            inQuotes = true;
        } else if (ch == u'(') {
            depth = 1;
        } else if (ch == u'<') {
            inAngle = true;
        } else if (ch == u'>') {
            inAngle = false;
        } else if (ch == u':' && !inAngle && !current.contains(u'@')) {
            current.clear(); // "group:" prefix
            continue;
        } else if ((ch == u',' && !inAngle) || ch == u';') {
            pieces.append(current);
            current.clear();
            continue;
        }
        current += ch;
    }
    pieces.append(current);

    QList<TMailAddressItem> items;
    for (const QString& piece : pieces) {
        TMailAddressItem item = TMailAddressItem::fromText(piece);
        if (item.isEmpty()) continue;
        // A name alone would be dropped silently and the mail sent to fewer people.
        if (item.Address.isEmpty()) invalidAddress(piece);
        items.append(item);
    }
    items_ = items;
}

QByteArray TMailAddressList::rendered(const MailCharset& charset) const {
    QByteArray out;
    for (const TMailAddressItem& item : items_) {
        if (!out.isEmpty()) out += ", ";
        out += item.rendered(charset);
    }
    return out;
}

} // namespace rl
