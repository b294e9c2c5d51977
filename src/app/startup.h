#pragma once

#include "platform/report_encoding.h"

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
//
// The window's one option, --encoding NAME (or --encoding=NAME), may stand
// anywhere; it is not one of the report's arguments. A name that is missing
// or unknown throws rl::Error and nothing is started.
std::unique_ptr<ReportSession> StartViewer(const QStringList& arguments);

// The encoding an --encoding value names (cp1252, cp850, cp437, iso-8859-15,
// utf-8 or auto, in any case). Throws rl::Error, saying so, for another word.
ReportEncoding EncodingOptionValue(const QString& value);

// Takes --encoding out of the window's arguments and returns the encoding it
// names, Auto when it is not there. Throws rl::Error as StartViewer says.
ReportEncoding TakeEncodingOption(QStringList& arguments);

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
