#include "print/draft_print.h"

#include "print/draft_filter.h"

namespace rl {

TRLCPPSelection CPPSelectionForColumnCode(const QString& columnCode) {
    if (columnCode == QLatin1String("132")) return csFixed17CPP;
    if (columnCode == QLatin1String("80") || columnCode == QLatin1String("255")) return csFixed12CPP;
    return csAutomatic;
}

TRLCustomFilter::RunResult PrintDraft(TRLDraftFilter& filter, TRLGraphicStorage& store,
                                      const DraftPrintRequest& request) {
    filter.SetCPPSelection(CPPSelectionForColumnCode(request.columnCode));
    if (request.formOption == 1)
        filter.SetFormSelection(fs80Cols);
    else if (request.formOption == 2)
        filter.SetFormSelection(fs132Cols);

    struct RestoreDevice {
        TRLDraftFilter& filter;
        TRLDraftDeviceKind kind;
        QString path;
        ~RestoreDevice() {
            filter.SetDeviceKind(kind);
            filter.SetDevicePath(path);
        }
    } restore{filter, filter.DeviceKind(), filter.DevicePath()};
    if (!request.target.isEmpty()) {
        filter.SetDeviceKind(dkFileName);
        filter.SetDevicePath(request.target);
    }
    return filter.Run(&store, request.fromPage, request.toPage, false);
}

} // namespace rl
