#pragma once

// Readers run as on a recipient's machine: fontconfig sees only the system's
// font folders (not the report font the viewer installs for its user), HOME
// and the XDG folders are empty folders of their own. And the measure of a
// rendering: how many of a report's words sit on its character grid.

#include "rich_html_readers.h"
#include "support/test_support.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>

namespace rl::test {

inline QProcessEnvironment recipientEnvironment() {
    const QString root = QDir(sandboxDir()).filePath("recipient");
    for (const char* sub : {"home", "config", "data", "cache", "runtime"})
        QDir().mkpath(root + "/" + sub);
    QFile::setPermissions(root + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The system's folders and rules (the metric-compatible aliases among
    // them); the per-user folder of the rules points into the empty HOME.
    writeFile(root + "/fonts.conf",
              "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
              "<fontconfig>\n<include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n"
              "<dir>/usr/share/fonts</dir>\n<dir>/usr/local/share/fonts</dir>\n"
              "<cachedir>" +
                  QFile::encodeName(root) + "/cache/fontconfig</cachedir>\n</fontconfig>\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("FONTCONFIG_FILE", root + "/fonts.conf");
    env.insert("HOME", root + "/home");
    env.insert("XDG_CONFIG_HOME", root + "/config");
    env.insert("XDG_DATA_HOME", root + "/data");
    env.insert("XDG_CACHE_HOME", root + "/cache");
    env.insert("XDG_RUNTIME_DIR", root + "/runtime");
    return env;
}

// A program run to its end in the recipient's environment; its standard output.
inline QByteArray runAsRecipient(const QString& program, const QStringList& arguments,
                                 int timeoutMs = 240000) {
    return runProgram(program, arguments, timeoutMs, recipientEnvironment());
}

// Runs grid_check.py; its JSON answer.
inline QJsonObject gridCheck(const QStringList& arguments) {
    const QByteArray out = runProgram(
        "python3",
        QStringList{QStringLiteral(RL_SOURCE_DIR "/tests/export/interop/grid_check.py")} + arguments);
    return QJsonDocument::fromJson(out).object();
}

// The share of the report's words (pages of lines, as composed) that the PDF
// shows at their column's x; pages of the PDF beyond the lines are ignored.
inline QJsonObject gridShare(const QString& pdf, const std::vector<std::vector<std::string>>& pages) {
    QByteArray expected;
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p) expected += '\f';
        for (const std::string& line : pages[p])
            expected += fromWindows1252(line).toUtf8() + '\n';
    }
    const QString path = pdf + ".expected.txt";
    writeFile(path, expected);
    const QJsonObject result = gridCheck({"grid", pdf, path});
    std::printf("[ grid     ] %s: %d of %d words on the grid (%.4f), per page:",
                qPrintable(QFileInfo(pdf).fileName()), result["on_grid"].toInt(), result["words"].toInt(),
                result["share"].toDouble());
    for (const auto share : result["pages"].toArray())
        std::printf(" %.3f", share.toDouble());
    std::printf("\n");
    return result;
}

inline std::vector<std::vector<std::string>> composedPages(ComposerFixture& f) {
    std::vector<std::vector<std::string>> pages;
    for (int page = 0; page < f.pageCount(); ++page)
        pages.push_back(f.texts(page));
    return pages;
}

} // namespace rl::test
