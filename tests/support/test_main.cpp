#include "support/test_support.h"

#include "platform/report_font.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {
QString g_sandbox;
}

namespace rl::test {
QString sandboxDir() {
    return g_sandbox;
}
} // namespace rl::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);

    // Everything the program may write (working folder, fonts folder, settings
    // folders, temporary files) lands in one folder removed at the end.
    QTemporaryDir sandbox(QDir::tempPath() + "/relantomador-test-XXXXXX");
    if (!sandbox.isValid()) return 2;
    g_sandbox = sandbox.path();
    const QByteArray root = QFile::encodeName(g_sandbox);
    for (const char* sub : {"/home", "/config", "/data", "/cache", "/system", "/tmp", "/work", "/runtime"})
        QDir().mkpath(g_sandbox + sub);
    QFile::setPermissions(g_sandbox + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    qputenv("HOME", root + "/home");
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    qputenv("RELANTOMADOR_SYSTEM_DIR", root + "/system");
    qputenv("TMPDIR", root + "/tmp");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QDir::setCurrent(g_sandbox + "/work");

    int result;
    {
        QApplication app(argc, argv);
        // As the program does at start-up: reports are always laid out in the embedded face.
        rl::registerReportFont();
        result = RUN_ALL_TESTS();
    }
    QDir::setCurrent(QDir::rootPath());
    return result;
}
