#pragma once

#include <QString>

namespace rl {

// The kinds of program a report is handed to.
enum class LaunchTarget {
    WordProcessor,      // opens a document in a visible word processor
    Spreadsheet,        // shows the spreadsheet program's import of a text file
    TextEditor,         // opens a text file in the user's text editor
    DefaultApplication, // opens a file with the desktop's program for its type
};

// The one way the program starts other programs. The application installs the
// desktop launcher; tests install a RecordingLauncher, so no test ever starts
// a desktop program. With none installed nothing is started: every program
// counts as not installed and every Open fails.
//
// Programs are started detached: the viewer does not wait for them, and they
// outlive it. A file reaches the program as one argument of its own, never
// through a shell command line. Main thread only.
class Launcher {
public:
    virtual ~Launcher() = default;

    // Whether a program of that kind can be started at all. Word processor and
    // spreadsheet may be missing; a text editor and the desktop's opener are
    // taken to be there (their failure shows when Open is tried).
    virtual bool Installed(LaunchTarget target) = 0;
    // Starts the program on the file. Throws rl::Error, saying which program
    // could not be started and why, when it cannot be started.
    virtual void Open(LaunchTarget target, const QString& path) = 0;

    // The launcher in use: the one installed, or the one that starts nothing.
    // Installing does not transfer ownership; the caller keeps the launcher
    // alive while it is installed.
    static Launcher& current();
    // Installs a launcher (nullptr: the one that starts nothing); returns the
    // previous installed one, or nullptr when none was installed.
    static Launcher* setCurrent(Launcher* launcher);
};

// Installs a launcher for the life of a scope and restores the previous one.
class ScopedLauncher {
public:
    explicit ScopedLauncher(Launcher& launcher) : previous_(Launcher::setCurrent(&launcher)) {}
    ~ScopedLauncher() { Launcher::setCurrent(previous_); }
    ScopedLauncher(const ScopedLauncher&) = delete;
    ScopedLauncher& operator=(const ScopedLauncher&) = delete;

private:
    Launcher* previous_;
};

// What stands in on a Linux desktop:
// - word processor: LibreOffice Writer ("soffice --writer FILE");
// - spreadsheet: LibreOffice Calc opening the text file with its text import,
//   which asks the user how to split the lines;
// - text editor: $VISUAL, else $EDITOR (words split as QProcess::splitCommand
//   does), in a terminal ("x-terminal-emulator -e"); without a terminal that
//   is a failure. Without either variable, the desktop's program for text files;
// - desktop's program for a file type: xdg-open.
// LibreOffice is looked for on PATH as "soffice", then "libreoffice".
// A program that cannot be executed, or ends within a second with a non-zero
// status (xdg-open finding no program for the file) or by a signal, is a
// failure of Open; the error names the file. One still running then is left
// to run.
class DesktopLauncher : public Launcher {
public:
    bool Installed(LaunchTarget target) override;
    void Open(LaunchTarget target, const QString& path) override;

    // The LibreOffice program found on PATH; empty when there is none.
    static QString OfficeProgram();
};

} // namespace rl
