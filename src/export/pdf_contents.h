#pragma once

#include "pagestore/graphic_object_visitor.h"
#include "pagestore/meta_records.h"
#include "pagestore/units.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rl {

// Writes the content-stream operators of one page's drawing objects, one
// visit per object, appended to a page's contents (which the caller compresses
// and writes). Page y runs down and PDF y up: a page y becomes pts(pageHeight - y).
class PdfContentsWriter : public GraphicObjectVisitor {
public:
    struct FontUse {
        int resource = 0;
        double ascent = 0; // thousandths of the em, above the baseline
    };
    // The font (face name, style bits) a text is set in, appending it to the
    // document's font list when new and noting the text's characters.
    using FontResource =
        std::function<FontUse(const std::string& name, std::uint8_t style, const std::string& text)>;

    // imageResources: the resource number of each image object of the page in
    // drawing order, 0 for a picture that could not be written (it is skipped).
    PdfContentsWriter(std::string& contents, std::int32_t pageHeight, FontResource fontResource,
                      std::vector<int> imageResources);

    void visit(const TRLPixelObject&) override;
    void visit(const TRLLineObject&) override;
    void visit(const TRLRectangleObject&) override;
    void visit(const TRLTextObject&) override;
    void visit(const TRLFillRectObject&) override;
    void visit(const TRLEllipseObject&) override;
    void visit(const TRLPolygonObject&) override;
    void visit(const TRLPolylineObject&) override;
    void visit(const TRLImageObject&) override;
    void visit(const TRLSetClipRectObject&) override;
    void visit(const TRLResetClipRectObject&) override;

    // Restores the graphics states that clip rectangles left saved, so that
    // every page's stream is balanced.
    void finish();

private:
    void writePenSetup(const TRLMetaPen& pen);
    void writeDash(std::uint8_t penStyle);
    void appendPoint(std::int32_t x, std::int32_t y);
    void appendRect(const PageRect& r);
    void line();

    std::string& s_; // the page's contents
    std::int32_t pageHeight_;
    FontResource fontResource_;
    std::vector<int> imageResources_;
    size_t nextImage_ = 0;
    int openClips_ = 0;
};

} // namespace rl
