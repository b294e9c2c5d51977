#pragma once

#include <QByteArray>
#include <QList>

namespace rl {

// Ordered header lines, each a name, ": " and a value (ASCII bytes, already
// encoded). A value may hold its own line breaks (CR LF and a tab between
// encoded words); lines() folds everything longer than 78 columns.
class TMailHeaderList {
public:
    struct Header {
        QByteArray name;
        QByteArray value;
    };

    // Appends a header; nothing when the value is empty.
    void add(const QByteArray& name, const QByteArray& value);
    // Replaces the first header of that name (case-insensitive) or appends it;
    // an empty value removes every header of that name.
    void setValue(const QByteArray& name, const QByteArray& value);
    void append(const TMailHeaderList& other) { headers_.append(other.headers_); }
    const QList<Header>& headers() const { return headers_; }
    bool isEmpty() const { return headers_.isEmpty(); }
    void clear() { headers_.clear(); }

    // Every header as folded lines without their CR LF: a line longer than
    // 78 columns breaks after a blank, tab or comma outside double quotes, the
    // continuation begins with a blank, and trailing blanks are cut.
    QList<QByteArray> lines() const;

private:
    QList<Header> headers_;
};

} // namespace rl
