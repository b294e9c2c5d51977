#include "platform/folders.h"

#include <QCoreApplication>
#include <QDir>

namespace rl::Folders {

namespace {
QString envFolder(const char* name) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QString() : QDir::cleanPath(value);
}
} // namespace

QString programFolder() {
    // Without an application object there is no executable path to ask for.
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
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
