#include "print/print_command.h"

#include "platform/error.h"
#include "platform/error_log.h"
#include "platform/message_presenter.h"
#include "print/custom_filter.h"
#include "print/print_dialog.h"
#include "print/print_params.h"
#include "print/printer_wrapper.h"

#include <QCoreApplication>

#include <memory>

namespace rl {

namespace {

// An rl::Error carrying a message built with Qt.
Error failure(const QString& message) {
    return Error(message.toStdString());
}

DotMatrixPreparer& dotMatrixPreparer() {
    static DotMatrixPreparer preparer;
    return preparer;
}

// Resets the print parameters however the command leaves.
struct ParamsReset {
    ~ParamsReset() { TRLPrintParams::instance().Reset(); }
};

// The store's first page number; pages are numbered from 1 when it has none.
int firstPageNumber(const TRLGraphicStorage& store) {
    const int first = store.FirstPageNumber();
    return first > 0 ? first : 1;
}

// The dialog speaks page numbers, a filter run positions in the store.
int positionOf(const TRLGraphicStorage& store, int pageNumber) {
    return pageNumber - firstPageNumber(store) + 1;
}

PrintOutcome failed(const std::exception& error, const QObject* sender) {
    ErrorLog::logException(sender, error);
    return {PrintOutcome::Failed, ErrorLog::messageOf(error)};
}

} // namespace

void SetDotMatrixPreparer(DotMatrixPreparer preparer) {
    dotMatrixPreparer() = std::move(preparer);
}

PrintOutcome RunPrintCommand(TRLGraphicStorage& store, int pageCount, const QString& columnCode,
                             QWidget* parent, const QObject* sender) {
    const ParamsReset reset;
    PrintOutcome outcome;
    try {
        TRLPrintParams& params = TRLPrintParams::instance();
        const int first = firstPageNumber(store);
        const int last = store.LastPageNumber() > 0 ? store.LastPageNumber() : first + pageCount - 1;
        params.FromPage = first;
        params.ToPage = last;
        params.MinPage = first;
        params.SetMaxPage(last);
        params.Filter = nullptr;
        params.SetCopies(1);

        QString optionText;
        {
            const auto dialog = std::make_unique<TRLPrintDialog>(parent);
            if (!dialog->Execute(params)) return {PrintOutcome::Cancelled, {}};
            optionText = dialog->OptionText();
        }

        const int from = positionOf(store, params.FromPage);
        const int to = positionOf(store, params.ToPage);
        // An empty range would print nothing and look like success.
        TRLCustomFilter::CheckPageRange(store, from, to);
        TRLCustomPrintFilter* filter = params.Filter;
        const DotMatrixPreparer& prepare = dotMatrixPreparer();
        // Only a dot-matrix filter (TRLDraftFilter, which comes in through the
        // preparer) is used from the dialog's choice; the page printer prints
        // for "Padrão" and for every other filter.
        if (!(filter && prepare && prepare(*filter, columnCode, optionText))) filter = nullptr;
        if (FilterPages(&store, filter, from, to) == TRLCustomFilter::RunResult::Cancelled)
            outcome = {PrintOutcome::Cancelled, QStringLiteral("Impressão cancelada: nada foi impresso.")};
        // The window repaints after printing.
        QCoreApplication::processEvents();
    } catch (const std::exception& error) {
        outcome = failed(error, sender);
        ShowErrorBox(outcome.message);
    }
    return outcome;
}

PrintOutcome PrintPagesOnQueue(TRLGraphicStorage& store, int fromPage, int toPage, const QString& queue) {
    const ParamsReset reset;
    try {
        TRLPrinterWrapper& printers = TRLPrinterWrapper::instance();
        if (queue.isEmpty()) {
            if (!printers.EnsurePrinter()) throw failure(QStringLiteral("Nenhuma impressora encontrada"));
        } else {
            auto find = [&] {
                for (int i = 0; i < printers.Printers().size(); ++i)
                    if (printers.PrinterName(i) == queue) return i;
                return -1;
            };
            int index = find();
            // The list is read once; a queue added since is found on a second look.
            if (index < 0) {
                printers.RefreshPrinters();
                index = find();
            }
            if (index < 0) throw failure(QStringLiteral("Impressora não encontrada: %1").arg(queue));
            printers.SelectPrinter(index);
        }
        printers.SetCopies(1);
        TRLCustomFilter::CheckPageRange(store, fromPage, toPage);
        if (FilterPages(&store, nullptr, fromPage, toPage) == TRLCustomFilter::RunResult::Cancelled)
            return {PrintOutcome::Cancelled, {}};
        return {};
    } catch (const std::exception& error) {
        return failed(error, nullptr);
    }
}

} // namespace rl
