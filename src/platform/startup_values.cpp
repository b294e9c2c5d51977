#include "platform/startup_values.h"

#include "platform/settings.h"

namespace rl {

StartupValues StartupValues::fromArguments(const QStringList& given) {
    StartupValues values;
    QStringList arguments = given;
    values.KeepReportFile = arguments.removeAll(KeepOption.toString()) > 0;
    values.ReportFilePath = arguments.value(0);
    values.ColumnCode = arguments.value(1);
    values.OrientationWord = arguments.value(2);
    for (const QString& argument : arguments)
        values.JoinedCommandLine += u' ' + argument;
    return values;
}

void StartupValues::readSettings(const LayoutSettings& settings) {
    try {
        FigurePath = settings.figura();
        PaperName = settings.papel();
    } catch (...) {
        PaperName.clear();
    }
}

std::optional<std::array<bool, 3>> permissionFlags(const QString& joinedCommandLine) {
    // Searching without regard to case, rather than in a lower-cased copy, keeps
    // the position valid in the original text whatever its characters.
    const qsizetype found = joinedCommandLine.indexOf(u"permissao", 0, Qt::CaseInsensitive);
    if (found < 0) return std::nullopt;
    // The character right after "permissao" (normally "=") is skipped, whatever it is.
    QString flags = joinedCommandLine.mid(found + 10, 3);
    // Character by character, so that no letter turns into two and shifts the others.
    for (QChar& ch : flags)
        ch = ch.toUpper();
    if (flags.trimmed().isEmpty()) return std::nullopt;
    std::array<bool, 3> result{};
    for (qsizetype i = 0; i < 3; ++i)
        result[size_t(i)] = i < flags.size() && flags[i] == u'S';
    return result;
}

} // namespace rl
