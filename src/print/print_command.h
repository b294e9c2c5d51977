#pragma once

#include <QString>

#include <functional>

class QObject;
class QWidget;

namespace rl {

class TRLCustomPrintFilter;
class TRLGraphicStorage;

// How a print command ended. message is the text the user was shown (and the
// error log got) when it failed; for a run the user cancelled, the notice that
// nothing was printed (empty when the dialog was cancelled).
struct PrintOutcome {
    enum Kind { Printed, Cancelled, Failed };
    Kind kind = Printed;
    QString message;
};

// The viewer's print command on the pages of store (the preview's store):
// fills the print parameters from the store's "FirstPageNumber" and
// "LastPageNumber" (first + pageCount - 1 when the store has no last number),
// one copy and no filter, runs the print dialog, and prints the range chosen
// with the default print filter (the page printer) — or, when a dot-matrix
// preparer is installed and claims the chosen filter, with that filter.
// A save filter or any other filter chosen in the dialog is not used.
//
// Whatever happens (cancel, error), the dialog is destroyed and the print
// parameters are reset before returning. A failure (no printer, a range
// without pages, a queue that refuses the job, a printer that cannot be
// opened) is shown in an error box and appended to the error log under
// sender's name; it never propagates. parent owns the dialog while it shows.
// The report's orientation is never told to the filter (the parameters'
// Orientation stays portrait), so a dot-matrix print gives the same bytes as
// the batch mode's --draft for the same form.
PrintOutcome RunPrintCommand(TRLGraphicStorage& store, int pageCount, const QString& columnCode,
                             QWidget* parent = nullptr, const QObject* sender = nullptr);

// The batch mode's printing: pages fromPage..toPage (1-based; toPage -1 for
// the last) on the named queue, or on the user's default queue when queue is
// empty, through the default print filter, one copy, no dialog and no message
// box. A failure (unknown queue, no queue at all, a range without pages, a
// refused job) is appended to the error log and returned for the caller to
// print as one line. The print parameters are reset afterwards.
PrintOutcome PrintPagesOnQueue(TRLGraphicStorage& store, int fromPage, int toPage, const QString& queue);

// The dot-matrix path of the print command. When the filter chosen in the
// dialog is a dot-matrix (draft) filter, the preparer sets its characters per
// inch from columnCode ("132" 17 cpi, "80" and "255" 12 cpi, else automatic)
// and its form from optionText ("80 cols", "132 cols", anything else leaves
// it), then returns true: the command prints with that filter. It returns
// false for any other filter. Without a preparer every chosen filter is
// ignored and the page printer prints. An empty function removes it.
using DotMatrixPreparer =
    std::function<bool(TRLCustomPrintFilter& filter, const QString& columnCode, const QString& optionText)>;
void SetDotMatrixPreparer(DotMatrixPreparer preparer);

} // namespace rl
