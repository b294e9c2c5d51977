#pragma once

#include <QStringList>

#include <memory>

class QApplication;

namespace rl {

class ReportSession;

// The viewer's start-up once the application object exists, in this order:
// the process-wide values from the arguments (the program's name excluded), the
// application's title, the report font (registered in-process always, installed
// for the user when missing; errors ignored), the head picture and paper name
// from the program-folder settings file, then the composer, which reads the
// text file, creates the main window, generates the pages and shows them.
//
// Returns the report session; it owns the window and must outlive the event loop.
// Message boxes go through whatever presenter is installed.
std::unique_ptr<ReportSession> StartViewer(const QStringList& arguments);

// The whole viewer: installs the message box presenter, starts as above and runs
// the event loop until the main window closes. Returns the exit code.
//
// With RELANTOMADOR_SCREENSHOT set to a file name, the window draws itself into
// that PNG file once it is laid out and then closes (for screenshots of a build
// on a virtual display; nothing else reads it). RELANTOMADOR_SCREENSHOT_FIND
// and RELANTOMADOR_SCREENSHOT_SELECTION add the find bar on a text and a block
// selection ("LINE-LINE:COLUMN-COLUMN") to that picture.
int RunViewer(QApplication& app, const QStringList& arguments);

} // namespace rl
