#pragma once

#include "platform/report_encoding.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace rl {

class LayoutSettings;

// The window option of the desktop's menu entry: the file is the user's own, so
// neither closing nor "Abrir" may delete it. Not an option of the batch mode.
inline constexpr QStringView KeepOption = u"--keep";

// The values taken at start-up from the command line and the program-folder
// settings file. The report session holds its own copy.
struct StartupValues {
    QString ReportFilePath;    // argument 1; empty when absent
    QString ColumnCode;        // argument 2 ("80", "132", "255"; compared exactly)
    QString OrientationWord;   // argument 3 ("paisagem" in any case means landscape)
    QString JoinedCommandLine; // " " + each argument, so it begins with a blank
    QString FigurePath;        // "figura" of the settings (LayoutSettings)
    QString PaperName;         // "papel" of the settings; empty after an error
    // The encoding the report file is read in (--encoding); Auto decides from its bytes.
    ReportEncoding Encoding = ReportEncoding::Auto;
    bool KeepReportFile = false; // KeepOption was given: the report file is never deleted

    // The values of the command line; arguments excludes the program's name.
    // KeepOption, wherever it stands, sets KeepReportFile and is not an argument,
    // so "--keep FILE" names the file as argument 1.
    static StartupValues fromArguments(const QStringList& arguments);

    // Reads FigurePath and PaperName from the given settings: the user's
    // choice, else the program-folder file's. A failure leaves the paper name
    // empty and is not reported.
    void readSettings(const LayoutSettings& settings);
};

// Index of each permission flag in the result of permissionFlags().
enum PermissionFlag { PrintPermission = 0, SendPermission = 1, ExportPermission = 2 };

// The permission flags found in the joined command line: the three characters
// that follow "permissao" (found without regard to case) and the one character
// after it, upper-cased; each flag is true when its character is "S". nullopt
// when nothing is to be changed: no "permissao", or only blanks (or nothing)
// where the flags would be. A flag whose character is missing because the
// command line ends is false.
std::optional<std::array<bool, 3>> permissionFlags(const QString& joinedCommandLine);

} // namespace rl
