#include "platform/launcher.h"

#include "platform/error.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

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

// How long a program just started is watched for failing at once: enough for
// xdg-open to find no program for the type, short enough not to be felt.
constexpr int kEarlyFailureMs = 1000;

// How the watched start went, as the watcher process reports it.
struct StartReport {
    int kind = 0;  // 0 still running, 1 could not be executed, 2 exited, 3 killed
    int value = 0; // errno, exit status or signal
};

// Starts the program detached from the viewer (it outlives it) and waits up to
// kEarlyFailureMs for it to fail: one that cannot be executed, exits with a
// non-zero status or is killed in that time throws, naming it and the file.
//
// A watcher process starts the program, reaps it if it ends in time and
// reports; a program still running is left to the system when the watcher
// ends, so the viewer neither waits for it nor leaves a zombie. Between fork
// and exec only async-signal-safe calls are made.
void startDetached(const QString& program, const QStringList& arguments, const QString& file) {
    const auto fail = [&](const QString& why) {
        throw Error(("Não foi possível abrir " + file + " com " + QFileInfo(program).fileName() + ": " + why)
                        .toStdString());
    };
    const QString executable = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
    if (executable.isEmpty()) fail(QStringLiteral("o programa não foi encontrado"));
    std::vector<QByteArray> words{QFile::encodeName(executable)};
    for (const QString& argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    int reportPipe[2];
    if (pipe2(reportPipe, O_CLOEXEC) != 0) fail(QString::fromLocal8Bit(strerror(errno)));
    const pid_t watcher = fork();
    if (watcher < 0) {
        close(reportPipe[0]);
        close(reportPipe[1]);
        fail(QString::fromLocal8Bit(strerror(errno)));
    }
    if (watcher == 0) {
        StartReport report;
        int execPipe[2];
        if (pipe2(execPipe, O_CLOEXEC) != 0) {
            report = {1, errno};
        } else {
            const pid_t child = fork();
            if (child == 0) {
                setsid(); // its own session: no signal of the viewer's terminal reaches it
                execv(argv[0], argv.data());
                const int error = errno;
                (void)!write(execPipe[1], &error, sizeof error);
                _exit(127);
            }
            close(execPipe[1]);
            int error = 0;
            if (child < 0) {
                report = {1, errno};
            } else if (read(execPipe[0], &error, sizeof error) == sizeof error) {
                report = {1, error};
                waitpid(child, nullptr, 0);
            } else {
                for (int waited = 0; waited < kEarlyFailureMs; waited += 20) {
                    int status = 0;
                    if (waitpid(child, &status, WNOHANG) == child) {
                        if (WIFEXITED(status))
                            report = {2, WEXITSTATUS(status)};
                        else
                            report = {3, WTERMSIG(status)};
                        break;
                    }
                    const timespec pause{0, 20 * 1000 * 1000};
                    nanosleep(&pause, nullptr);
                }
            }
        }
        (void)!write(reportPipe[1], &report, sizeof report);
        _exit(0);
    }
    close(reportPipe[1]);
    StartReport report;
    ssize_t got;
    do {
        got = read(reportPipe[0], &report, sizeof report);
    } while (got < 0 && errno == EINTR);
    close(reportPipe[0]);
    while (waitpid(watcher, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (report.kind == 1) fail(QString::fromLocal8Bit(strerror(report.value)));
    if (report.kind == 2 && report.value != 0)
        fail(QStringLiteral("o programa terminou com o código %1").arg(report.value));
    if (report.kind == 3) fail(QStringLiteral("o programa foi interrompido pelo sinal %1").arg(report.value));
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

// xdg-open's exit status says whether the desktop has a program for the file.
void openWithDesktop(const QString& path) {
    startDetached(QStringLiteral("xdg-open"), {path}, path);
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
            startDetached(office, {QStringLiteral("--writer"), path}, path);
        } else {
            // The text import filter, given no options, asks the user how to
            // split the lines into columns.
            startDetached(
                office,
                {QStringLiteral("--calc"), QStringLiteral("--infilter=Text - txt - csv (StarCalc)"), path},
                path);
        }
        return;
    }
    case LaunchTarget::TextEditor: {
        const QStringList editor = editorCommand();
        if (editor.isEmpty()) break;
        const QStringList command = editor + QStringList{path};
        // Most editors named there run in a terminal, and the viewer has none:
        // without one the editor would run unseen, or end at once.
        const QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        if (terminal.isEmpty())
            throw Error(("Não foi possível abrir " + path + " com " + QFileInfo(editor.first()).fileName() +
                         ": não há um terminal (x-terminal-emulator) para o editor de $VISUAL ou $EDITOR.")
                            .toStdString());
        startDetached(terminal, QStringList{QStringLiteral("-e")} + command, path);
        return;
    }
    case LaunchTarget::DefaultApplication:
        break;
    }
    openWithDesktop(path);
}

} // namespace rl
