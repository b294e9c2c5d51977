#pragma once

#include <QString>
#include <QStringList>

class QIODevice;

namespace rl {

// The command line's batch mode: with any option, nothing is shown; the report
// is composed as the window would compose it (same paper, font, picture and
// settings files, by the same TForm2) and the options' work is done headlessly.
//
//   relantomador FILE [COLUMNS [ORIENTATION]] [permissao=XYZ] [options]
//
// Arguments:
// - An argument that begins with "--" is an option; "--" alone ends the
//   options (everything after it is a plain argument). Options may stand
//   anywhere, before or after FILE, and take their value from the next argument
//   ("--png out") or after "=" ("--png=out"); a value may not begin with "--".
// - The plain arguments, in order, are FILE, COLUMNS and ORIENTATION, exactly
//   as the window takes arguments 1 to 3 when there are no options; further
//   plain arguments are allowed. The permission flags are searched for in the
//   plain arguments only, so an option's value (an output path that happens to
//   contain "permissao") never counts.
//
// Options of this version: --help, --version, --png DIR [--zoom Z],
// --pages A-B (or one page A), --export OUT; see UsageText(). --export saves
// through the save filter the extension selects (the composer's filters), or
// writes the text lines for .txt. --print [QUEUE] prints on a page printer;
// --draft OUT [--form 80|132] prints in text mode to a file, a device or
// cups:QUEUE. --mail TO [--cc CC] [--from FROM] [--subject S] [--message M]
// [--type pdf|rtf|xls|html|txt] [--name N] sends the report as an attachment
// through the e-mail dialog's code (ReportMailer) and the server of the
// system-folder settings file; a sender not given is the dialog's last one
// ("de"); nothing is written to the settings. --encoding E names the
// encoding FILE is read in (as the window's command line does).
//
// Exit statuses (BatchExit): 0 done; 1 bad usage; 2 input or output file
// problem (the input file missing, not a regular file or unreadable, an output
// that cannot be written, a report that could not be prepared); 3 refused by
// the permission flags; 4 printing or sending failed. Every
// error is one line on standard error. Messages the composition shows (the
// custom paper's fallback to A4, "Tipo de Arquivo Inválido") are written
// there as "caption: text", each distinct one once, and do not fail the run.
//
// Decisions of this mode:
// - A missing input file is exit 2, where the window would open an empty report.
// - The input file is never deleted.
// - --pages selects the pages of --png and --export. It does not apply to
//   --export .txt, which writes the text lines (not pages), all of them.
// - --png names each file by its page number: --pages 2-3 writes
//   page-0002.png and page-0003.png. Files already in DIR are overwritten by
//   name, others are left alone.
// - --export .txt alone does not lay pages out: it needs only the lines.
// - Everything is checked before anything is written, in this order: usage,
//   permissions, the input file, then the page range against the composed
//   report and the save filter for --export's extension; so a refused or
//   mistaken command writes nothing. Then the export, then the page images; a
//   failure part way keeps what was already written, but never a part of a
//   file (the save filters write beside the target and rename at the end).
// - Progress of an export goes to standard error as one line rewritten in
//   place, only when standard error is a terminal.
// - The report font is registered in-process; the batch mode does not install
//   it into the user's fonts folder nor write ORATOR10.TTF anywhere.
enum BatchExit : int {
    BatchDone = 0,
    BatchUsageError = 1,
    BatchFileError = 2,
    BatchRefused = 3,
    BatchOutputFailed = 4,
};

// Whether the command line (arguments without the program's name) asks for
// the batch mode: some argument begins with "--", other than the window's own
// --encoding and its value and "--keep". Call it before creating the
// application object: batch mode needs no display (see RunBatchMode).
bool IsBatchInvocation(const QStringList& arguments);

// Where the batch mode reads and writes besides its arguments; for tests.
struct BatchEnvironment {
    // The program-folder settings file; empty: beside the executable.
    QString programSettingsPath;
    // Standard output and standard error when null.
    QIODevice* out = nullptr;
    QIODevice* err = nullptr;
};

// Runs the batch mode (arguments without the program's name) and returns the
// exit status. Needs a QGuiApplication (or QApplication) on this thread for the
// fonts; when no application object exists yet it creates a QGuiApplication
// for the run, with the "offscreen" platform unless QT_QPA_PLATFORM says
// otherwise. Registers the report font. Restores the message presenter before
// returning. Main thread only.
int RunBatchMode(const QStringList& arguments);
int RunBatchMode(const QStringList& arguments, const BatchEnvironment& environment);

// The --help text.
QString UsageText();

} // namespace rl
