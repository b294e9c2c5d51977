#pragma once

#include "pagestore/graphic_surface.h"

#include <memory>
#include <string>

namespace bench {

// A page as the viewer makes it for a 132-column report on US Letter
// landscape: 60 lines of 7-point "Orator10 BT", five objects a line (the band's
// empty frame between two clips, then the label's text between two more).
inline std::unique_ptr<rl::TRLGraphicSurface> makeReportPage(int number) {
    using namespace rl;
    auto page = std::make_unique<TRLGraphicSurface>();
    page->Width = 1056;
    page->Height = 816;
    page->SetOrientation(2);
    page->SetPaperWidth(215.9);
    page->SetPaperHeight(279.4);
    page->DrawFont.Name = "Orator10 BT";
    page->DrawFont.Size = 7;
    page->DrawBrush.Style = std::uint8_t(BrushStyle::Clear);
    std::string line(132, ' ');
    for (int row = 0; row < 60; ++row) {
        const std::int32_t top = 38 + row * 12;
        const PageRect band{38, top, 1018, top + 12};
        for (int i = 0; i < 132; ++i)
            line[size_t(i)] = char('A' + (number + row + i) % 26);
        page->SetClipRect(band);
        page->ResetClipRect();
        page->SetClipRect(band);
        page->TextRect(band, 38, top, line, haLeft, vaTop, 5);
        page->ResetClipRect();
    }
    return page;
}

} // namespace bench
