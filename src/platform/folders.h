#pragma once

#include <QString>

namespace rl {

// The folders the program distinguishes. Each is read anew on every call, so
// tests may move them through the environment.
namespace Folders {

// Folder of the executable (where the program-folder "preview.ini" lives).
QString programFolder();

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
