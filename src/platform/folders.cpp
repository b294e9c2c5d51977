#include "platform/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// Set by the build from the install prefix; these stand-ins keep a build
// without them (an IDE's own) working, always as "not installed".
#ifndef RL_INSTALL_BINDIR
#define RL_INSTALL_BINDIR ""
#endif
#ifndef RL_INSTALL_SETTINGSDIR
#define RL_INSTALL_SETTINGSDIR ""
#endif

namespace rl::Folders {

namespace {
QString envFolder(const char* name) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QString() : QDir::cleanPath(value);
}

// Compared through the links, since /bin may be a link to /usr/bin.
QString resolved(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(folder) : canonical;
}
} // namespace

QString programFolder() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    // The batch mode reads its settings before it creates the application
    // object; the kernel still knows where the executable is.
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return executable.isEmpty() ? QDir::currentPath() : QFileInfo(executable).path();
}

QString installedProgramFolder() {
    return QStringLiteral(RL_INSTALL_BINDIR);
}

QString installedSettingsFolder() {
    return QStringLiteral(RL_INSTALL_SETTINGSDIR);
}

bool isInstalledProgramFolder(const QString& folder) {
    const QString installed = installedProgramFolder();
    return !installed.isEmpty() && resolved(folder) == resolved(installed);
}

QString programSettingsFolder(const QString& executableFolder) {
    return isInstalledProgramFolder(executableFolder) ? installedSettingsFolder() : executableFolder;
}

QString programSettingsFolder() {
    return programSettingsFolder(programFolder());
}

QString currentFolder() {
    return QDir::currentPath();
}

QString systemFolder() {
    QString folder = envFolder("RELANTOMADOR_SYSTEM_DIR");
    if (!folder.isEmpty()) return folder;
    folder = envFolder("XDG_CONFIG_HOME");
    if (folder.isEmpty()) folder = QDir::homePath() + "/.config";
    return folder + "/relantomador";
}

QString fontsFolder() {
    QString folder = envFolder("XDG_DATA_HOME");
    if (folder.isEmpty()) folder = QDir::homePath() + "/.local/share";
    return folder + "/fonts";
}

QString userDataFolder() {
    QString folder = envFolder("XDG_DATA_HOME");
    if (folder.isEmpty()) folder = QDir::homePath() + "/.local/share";
    return folder + "/relantomador";
}

} // namespace rl::Folders
