#pragma once

// The 132-column sample report composed as the viewer composes it, and the
// real programs the interop tests open exported files with.

#include "composer/composer_fixture.h"
#include "platform/report_font.h"
#include "platform/windows1252.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rl::test {

// Composes examples/ledger-132.txt (132 columns, landscape) into the fixture's
// store, with the report font installed for the user as the viewer installs it,
// so that the readers started afterwards set the text in the same face.
inline void composeLedger(ComposerFixture& f) {
    installReportFontIfMissing();
    f.setReport(readFile(QStringLiteral(RL_SOURCE_DIR "/examples/ledger-132.txt")), "132", "paisagem");
    f.form->ComposeReport();
}

// Runs a program to its end within the time limit; its standard output.
// Fails the test (and returns nothing) when it cannot start, times out or fails.
inline QByteArray
runProgram(const QString& program, const QStringList& arguments, int timeoutMs = 180000,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(20000)) {
        ADD_FAILURE() << "cannot start " << program.toStdString();
        return {};
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        ADD_FAILURE() << program.toStdString() << " did not finish in time";
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << " failed: " << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

// Text with every run of white space made one blank, trimmed.
inline QString simplified(const QString& text) {
    return text.simplified();
}

// Checks that the non-blank lines appear in the text in the given order
// (white space compared loosely: readers lay columns out their own way).
inline void expectLinesInOrder(const std::vector<std::string>& lines, const QString& text,
                               const std::string& where) {
    const QString flat = simplified(text);
    qsizetype at = 0;
    for (const std::string& line : lines) {
        const QString wanted = simplified(fromWindows1252(line));
        if (wanted.isEmpty()) continue;
        const qsizetype found = flat.indexOf(wanted, at);
        if (found < 0) {
            ADD_FAILURE() << where << ": line not found after offset " << at << ": \"" << wanted.toStdString()
                          << "\"";
            return;
        }
        at = found + wanted.size();
    }
}

inline bool haveProgram(const char* name) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

} // namespace rl::test
