#include "mail/mail_header_list.h"

namespace rl {

namespace {

constexpr qsizetype kFoldColumn = 78;

QByteArray trimRight(QByteArray text) {
    while (!text.isEmpty() && (text.endsWith(' ') || text.endsWith('\t')))
        text.chop(1);
    return text;
}

// Breaks one physical line; `minimum` keeps the header's name on the first piece.
void fold(QByteArray line, qsizetype minimum, QList<QByteArray>& out) {
    while (line.size() > kFoldColumn) {
        qsizetype lastBefore = -1, firstAfter = -1;
        bool inQuotes = false;
        for (qsizetype i = 0; i < line.size() && firstAfter < 0; ++i) {
            const char c = line[i];
            if (c == '\\' && inQuotes) {
                ++i;
            } else if (c == '"') {
                inQuotes = !inQuotes;
            } else if (!inQuotes && i >= minimum && (c == ' ' || c == '\t' || c == ',') &&
                       i + 1 < line.size()) {
                if (i < kFoldColumn)
                    lastBefore = i;
                else
                    firstAfter = i;
            }
        }
        const qsizetype at = lastBefore >= 0 ? lastBefore : firstAfter;
        if (at < 0) break;
        QByteArray rest = line.mid(at + 1);
        while (rest.startsWith(' ') || rest.startsWith('\t'))
            rest.remove(0, 1);
        if (rest.isEmpty()) break;
        out.append(trimRight(line.left(at + 1)));
        line = ' ' + rest;
        minimum = 1;
    }
    out.append(trimRight(line));
}

} // namespace

void TMailHeaderList::add(const QByteArray& name, const QByteArray& value) {
    if (!value.isEmpty()) headers_.append({name, value});
}

void TMailHeaderList::setValue(const QByteArray& name, const QByteArray& value) {
    auto same = [&](const Header& h) { return h.name.compare(name, Qt::CaseInsensitive) == 0; };
    if (value.isEmpty()) {
        headers_.removeIf(same);
        return;
    }
    for (Header& h : headers_)
        if (same(h)) {
            h.value = value;
            return;
        }
    headers_.append({name, value});
}

QList<QByteArray> TMailHeaderList::lines() const {
    QList<QByteArray> out;
    for (const Header& h : headers_) {
        const QList<QByteArray> physical = (h.name + ": " + h.value).split('\n');
        for (qsizetype i = 0; i < physical.size(); ++i) {
            QByteArray line = physical[i];
            if (line.endsWith('\r')) line.chop(1);
            // A bare CR left in a value must not reach the wire as a line end.
            line.replace('\r', ' ');
            // A line break in a value continues the header; it never starts a new one.
            if (i > 0 && !line.startsWith(' ') && !line.startsWith('\t')) line.prepend(' ');
            fold(line, i == 0 ? h.name.size() + 2 : 1, out);
        }
    }
    return out;
}

} // namespace rl
