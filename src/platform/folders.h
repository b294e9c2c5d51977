#pragma once

#include <QString>

namespace rl {

// The folders the program distinguishes. Each is read anew on every call, so
// tests may move them through the environment.
namespace Folders {

// Folder of the executable.
QString programFolder();

// Whether an executable in this folder runs installed: the folder is the bin
// folder of the install prefix the program was built for (/usr/bin). Such a
// folder belongs to the package, so nothing is read from or written to it,
// even by root; a build tree or a copied program folder is not installed.
bool isInstalledProgramFolder(const QString& folder);

// Where the program-folder "preview.ini" lives: installedSettingsFolder() when
// the program runs installed, else beside the executable.
QString programSettingsFolder();
// The same for an executable in the given folder.
QString programSettingsFolder(const QString& executableFolder);

// The bin folder of the install prefix, and the package's configuration
// folder (/etc/relantomador for the prefix /usr).
QString installedProgramFolder();
QString installedSettingsFolder();

// The process's working folder: plain file names (the log, the font copy, the
// e-mail attachments) are looked up and created here.
QString currentFolder();

// Stands in for the Windows folder, where a settings file named without a folder
// lives: $RELANTOMADOR_SYSTEM_DIR, else $XDG_CONFIG_HOME/relantomador, else
// ~/.config/relantomador. Not created here; writers create it.
QString systemFolder();

// The user's fonts folder: $XDG_DATA_HOME/fonts, else ~/.local/share/fonts.
QString fontsFolder();

// The user's own data folder for the program: $XDG_DATA_HOME/relantomador,
// else ~/.local/share/relantomador. Not created here; writers create it.
QString userDataFolder();

} // namespace Folders

} // namespace rl
