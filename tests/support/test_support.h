#pragma once

#include <QByteArray>
#include <QString>

namespace rl::test {

// The private folder this test process runs in (also the working folder).
QString sandboxDir();

// Reads a whole file; empty when it cannot be read.
QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// Describes where two byte strings first differ, for golden comparisons.
std::string firstDifference(const QByteArray& expected, const QByteArray& actual);

} // namespace rl::test
