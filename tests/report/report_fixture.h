#pragma once

#include "pagestore/graphic_storage.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "platform/recording_presenter.h"
#include "report/custom_band.h"
#include "report/custom_label.h"
#include "report/custom_report.h"

#include <memory>
#include <string>
#include <vector>

namespace rl::test {

// A report shaped like the viewer's: a header and a title band with one label
// each, and an auto-sized detail band whose label is fed one line per record;
// a line that starts with a form feed asks for a new page first.
struct LineReport {
    QObject owner;
    TRLReport* report;
    TRLBand* header;
    TRLBand* title;
    TRLBand* detail;
    TRLLabel* headerLabel;
    TRLLabel* titleLabel;
    TRLLabel* line;
    std::vector<std::string> lines;
    size_t next = 0;
    RecordingPresenter presenter;
    ScopedMessagePresenter scoped{presenter};

    LineReport() {
        Messages::setLanguage(Messages::Language::Portuguese);
        report = new TRLReport(&owner);
        report->setObjectName("RLReport1");
        report->ShowProgress = false;
        report->Font.Name = "Orator10 BT";
        report->Font.Size = 7;
        report->Margins.SetAll(5);
        report->PageSetup.SetPaperSize(fpLetter);
        report->PageSetup.SetOrientation(poLandscape);

        header = addBand(btHeader, "PageHeaderBand1", &headerLabel, "HEADER");
        title = addBand(btTitle, "titleband", &titleLabel, "TITLE");
        detail = addBand(btDetail, "RLBand1", &line, "");
        detail->SetAutoSize(true);

        report->OnNeedData = [this](TRLCustomSkipper*, bool& more) {
            if (next >= lines.size()) return;
            const std::string& text = lines[next++];
            if (!text.empty() && text[0] == '\f') {
                report->NewPage();
                line->SetCaption(text.substr(1));
            } else {
                line->SetCaption(text);
            }
            more = true;
        };
    }

    TRLBand* addBand(TRLBandType type, const char* name, TRLLabel** label, const std::string& caption) {
        auto* band = new TRLBand(&owner);
        band->setObjectName(name);
        band->BandType = type;
        band->SetParentControl(report);
        *label = new TRLLabel(&owner);
        (*label)->setObjectName(QString(name) + "Label");
        (*label)->SetParentControl(band);
        (*label)->SetAlign(faLeftTop);
        (*label)->SetCaption(caption);
        band->SetAutoSize(true);
        return band;
    }

    TRLGraphicStorage& store() { return report->Storage(); }

    bool run(std::vector<std::string> input) {
        lines = std::move(input);
        next = 0;
        return report->Prepare();
    }

    // Display texts of the text objects of one stored page, in order.
    std::vector<std::string> texts(int pageIndex) {
        std::vector<std::string> result;
        TRLGraphicSurface* page = store().Pages(pageIndex);
        if (!page) return {"<missing page>"};
        for (const auto& object : page->Items())
            if (object->kind() == ObjectKind::Text)
                result.push_back(static_cast<const TRLTextObject&>(*object).DisplayText());
        return result;
    }
};

} // namespace rl::test
