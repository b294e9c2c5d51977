#include "platform/launcher.h"

#include "platform/error.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace rl {

namespace {

// Where nobody installed a launcher (tests, the batch mode), nothing is started.
class NoLauncher : public Launcher {
public:
    bool Installed(LaunchTarget) override { return false; }
    void Open(LaunchTarget, const QString& path) override {
        throw Error(("Nenhum programa pode ser iniciado para abrir " + path + ".").toStdString());
    }
};

Launcher* g_installed = nullptr;

void startDetached(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!process.startDetached())
        throw Error(("Não foi possível iniciar " + program + ": " + process.errorString()).toStdString());
}

// $VISUAL, else $EDITOR, split into words (double quotes group words); empty when neither
// names a program that can be found.
QStringList editorCommand() {
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        QStringList command = QProcess::splitCommand(qEnvironmentVariable(variable));
        if (command.isEmpty()) continue;
        const QString program = QStandardPaths::findExecutable(command.first());
        if (program.isEmpty()) continue;
        command.first() = program;
        return command;
    }
    return {};
}

void openWithDesktop(const QString& path) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        throw Error(("Nenhum programa da área de trabalho abriu " + path + " (xdg-open).").toStdString());
}

} // namespace

Launcher& Launcher::current() {
    static NoLauncher none;
    return g_installed ? *g_installed : none;
}

Launcher* Launcher::setCurrent(Launcher* launcher) {
    Launcher* previous = g_installed;
    g_installed = launcher;
    return previous;
}

QString DesktopLauncher::OfficeProgram() {
    for (const char* name : {"soffice", "libreoffice"}) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!program.isEmpty()) return program;
    }
    return {};
}

bool DesktopLauncher::Installed(LaunchTarget target) {
    switch (target) {
    case LaunchTarget::WordProcessor:
    case LaunchTarget::Spreadsheet:
        return !OfficeProgram().isEmpty();
    case LaunchTarget::TextEditor:
    case LaunchTarget::DefaultApplication:
        break;
    }
    return true;
}

void DesktopLauncher::Open(LaunchTarget target, const QString& path) {
    switch (target) {
    case LaunchTarget::WordProcessor:
    case LaunchTarget::Spreadsheet: {
        const QString office = OfficeProgram();
        if (office.isEmpty())
            throw Error("LibreOffice (soffice) não está instalado: não há como abrir " + path.toStdString() +
                        ".");
        if (target == LaunchTarget::WordProcessor) {
            startDetached(office, {QStringLiteral("--writer"), path});
        } else {
            // The text import filter, given no options, asks the user how to
            // split the lines into columns.
            startDetached(office, {QStringLiteral("--calc"),
                                   QStringLiteral("--infilter=Text - txt - csv (StarCalc)"), path});
        }
        return;
    }
    case LaunchTarget::TextEditor: {
        const QStringList editor = editorCommand();
        if (editor.isEmpty()) break;
        const QStringList command = editor + QStringList{path};
        // Most editors named there run in a terminal, and the viewer has none.
        const QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        if (!terminal.isEmpty())
            startDetached(terminal, QStringList{QStringLiteral("-e")} + command);
        else
            startDetached(command.first(), command.mid(1));
        return;
    }
    case LaunchTarget::DefaultApplication:
        break;
    }
    openWithDesktop(path);
}

} // namespace rl
