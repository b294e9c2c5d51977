#pragma once

#include "mail/mail_encoding.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace rl {

// One mail address with its display name ("Maria Silva <maria@example.com>").
struct TMailAddressItem {
    QString Name;
    QString Address;

    // Reads an item from text in the mail address syntax: quoted display
    // names, angle brackets, comments in parentheses, quoted local parts
    // ("john doe"@example.com), or a bare address. Address holds the local
    // part unquoted. Throws rl::Error "@ Outside address" for an at sign after
    // a bracketed address, and an rl::Error naming the text for what is not
    // one address: an unclosed quote, bracket or comment, text after the
    // address, a second at sign, an empty local part or a malformed domain,
    // a control character, or a blank or bracket outside quotes (so it can
    // never break a header or an SMTP command).
    static TMailAddressItem fromText(const QString& text);

    bool isEmpty() const { return Name.isEmpty() && Address.isEmpty(); }

    // The address as SMTP and headers take it: the local part in double quotes
    // (backslash and double quote escaped) when it is not a dot-atom.
    QByteArray addrSpec() const;

    // The address as written in a header: a local part outside the plain set
    // is quoted, and the whole is bracketed then, or when there is a name.
    // "<>" for a name without address; empty for an empty item.
    QByteArray renderedAddress() const;
    // The item as a header value: the address alone, or the display name
    // (quoted, or as encoded words when it is not plain ASCII) and the address.
    QByteArray rendered(const MailCharset& charset) const;
};

// An ordered list of addresses, set from one comma-separated text.
class TMailAddressList {
public:
    TMailAddressList() = default;

    // Replaces the list by the items of `text`. Commas inside double quotes
    // or parentheses do not split; a "group:" prefix is skipped and ";" ends
    // an item. Empty pieces are dropped. Throws rl::Error (see
    // TMailAddressItem::fromText) for a piece that is not an address, a
    // display name without an address included; the list is then unchanged.
    void setText(const QString& text);

    void add(TMailAddressItem item) { items_.append(std::move(item)); }
    void clear() { items_.clear(); }
    const QList<TMailAddressItem>& items() const { return items_; }
    bool isEmpty() const { return items_.isEmpty(); }
    qsizetype size() const { return items_.size(); }

    // The items as a header value, joined by ", ".
    QByteArray rendered(const MailCharset& charset) const;

private:
    QList<TMailAddressItem> items_;
};

} // namespace rl
