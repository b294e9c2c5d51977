#include "mail/mail_address.h"

#include "platform/error.h"

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

bool isPlainLocalPart(const QString& local) {
    static const QString plain =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890!#$%&'*+-/=?_`{}|~.");
    for (QChar ch : local)
        if (!plain.contains(ch)) return false;
    return true;
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
        checkAddress(item.Address, text);
        return item;
    }

    // Display-name text, and for each of its characters whether it came from
    // inside double quotes (where an at sign is not an address).
    QString name;
    QList<bool> fromQuotes;
    bool bracketed = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar ch = t[i];
        if (ch == u'"') {
            for (++i; i < t.size() && t[i] != u'"'; ++i) {
                if (t[i] == u'\\' && i + 1 < t.size()) ++i;
                if (!bracketed) {
                    name += t[i];
                    fromQuotes.append(true);
                }
            }
        } else if (ch == u'(') {
            int depth = 1;
            for (++i; i < t.size() && depth > 0; ++i) {
                if (t[i] == u'\\')
                    ++i;
                else if (t[i] == u'(')
                    ++depth;
                else if (t[i] == u')')
                    --depth;
            }
            --i;
        } else if (ch == u'<' && !bracketed) {
            const qsizetype close = t.indexOf(u'>', i + 1);
            const qsizetype end = close < 0 ? t.size() : close;
            item.Address = trimBlanks(t.mid(i + 1, end - i - 1));
            item.Name = trimBlanks(name);
            bracketed = true;
            i = end;
        } else if (bracketed) {
            if (ch == u'@') throw Error("@ Outside address");
        } else {
            name += ch;
            fromQuotes.append(false);
        }
    }

    if (!bracketed) {
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
            item.Address = name.mid(start, end - start);
            item.Name = trimBlanks(name.left(start));
        }
    }
    checkAddress(item.Address, text);
    return item;
}

QByteArray TMailAddressItem::renderedAddress() const {
    if (Address.isEmpty()) return Name.isEmpty() ? QByteArray() : QByteArray("<>");
    const qsizetype at = Address.lastIndexOf(u'@');
    const QString local = at < 0 ? Address : Address.left(at);
    const QByteArray domain = at < 0 ? QByteArray() : Address.mid(at).toUtf8();
    if (!isPlainLocalPart(local)) return '<' + quoted(local.toUtf8()) + domain + '>';
    return Name.isEmpty() ? Address.toUtf8() : '<' + Address.toUtf8() + '>';
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
