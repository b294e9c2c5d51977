#include "support/test_support.h"

#include <QFile>

#include <sstream>

namespace rl::test {

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    file.write(bytes);
}

std::string firstDifference(const QByteArray& expected, const QByteArray& actual) {
    const qsizetype common = std::min(expected.size(), actual.size());
    qsizetype at = 0;
    while (at < common && expected[at] == actual[at])
        ++at;
    if (at == common && expected.size() == actual.size()) return "identical";
    std::ostringstream out;
    out << "first difference at byte " << at << " (expected size " << expected.size() << ", actual size "
        << actual.size() << ")";
    auto context = [&](const QByteArray& bytes) {
        const qsizetype from = std::max<qsizetype>(0, at - 8);
        return bytes.mid(from, 24).toHex(' ').toStdString();
    };
    out << "\n  expected: " << context(expected) << "\n  actual:   " << context(actual);
    return out.str();
}

} // namespace rl::test
