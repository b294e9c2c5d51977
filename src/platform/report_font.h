#pragma once

#include <QByteArray>
#include <QString>

namespace rl {

// The fixed-pitch face every report is laid out in, carried inside the program.
inline constexpr char kReportFontFamily[] = "Orator10 BT";
// Name of the file the embedded font is written to and installed as.
inline constexpr char kReportFontFileName[] = "ORATOR10.TTF";

// The embedded font file's bytes, unchanged.
QByteArray reportFontBytes();

// Registers the embedded font with Qt for this process only, whatever the
// system has installed, so that every machine lays reports out alike.
// Idempotent. Needs a QGuiApplication (returns false without one); GUI thread.
// Returns whether the family is available to Qt afterwards.
bool registerReportFont();

// Whether fontconfig knows a family "Orator10 BT" backed by a font file that
// exists. The in-process registration above does not count: it has no file.
bool reportFontInstalled();

// When the family is not installed: writes the embedded font unchanged to
// "ORATOR10.TTF" in a private temporary folder, installs that file with
// InstallReportFont() and removes the folder, so nothing is left in the
// current folder. Every error is ignored; never throws.
void installReportFontIfMissing();

// Installs a font file for the user: copies it into the fonts folder
// (Folders::fontsFolder(), created when missing) under its own file name, unless
// it already is that file (paths compared without regard to case), then
// registers the copy with fontconfig and, when a QGuiApplication exists, with
// Qt. Call on the GUI thread. Returns 0 on success, otherwise an errno value:
//   ENOENT  the source file does not exist;
//   EEXIST  a file of that name is already in the fonts folder (nothing is
//           overwritten);
//   EINVAL  fontconfig or Qt refuses the file (not a font); a copy made by this
//           call is then removed again, so that a later attempt is not blocked
//           by EEXIST;
//   other   the errno of the failed folder creation, read or write.
// Other running programs learn of the font through fontconfig's cache when they
// next check it; there is no notice to broadcast.
int InstallReportFont(const QString& path);

} // namespace rl
