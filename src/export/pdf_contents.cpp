#include "export/pdf_contents.h"

#include "export/pdf_output.h"
#include "pagestore/graphic_object.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/text_measure.h"

#include <cmath>
#include <numbers>

namespace rl {

namespace {
constexpr char kDefaultFontName[] = "Helvetica";
constexpr int kEllipsePoints = 36;
} // namespace

PdfContentsWriter::PdfContentsWriter(std::string& contents, std::int32_t pageHeight,
                                     FontResource fontResource, std::vector<int> imageResources)
    : s_(contents), pageHeight_(pageHeight), fontResource_(std::move(fontResource)),
      imageResources_(std::move(imageResources)) {}

void PdfContentsWriter::line() {
    s_.append("\r\n");
}

void PdfContentsWriter::appendPoint(std::int32_t x, std::int32_t y) {
    appendNumber(s_, pts(x));
    s_.push_back(' ');
    appendNumber(s_, pts(double(pageHeight_) - y));
}

void PdfContentsWriter::appendRect(const PageRect& r) {
    appendPoint(r.left, r.bottom);
    s_.push_back(' ');
    appendNumber(s_, pts(double(r.right) - r.left));
    s_.push_back(' ');
    appendNumber(s_, pts(double(r.bottom) - r.top));
}

// Line width, cap style, dash and stroke colour of a pen.
void PdfContentsWriter::writePenSetup(const TRLMetaPen& pen) {
    const bool clear = pen.Style == std::uint8_t(PenStyle::Clear);
    appendNumber(s_, clear ? 0.0 : pts(pen.Width));
    s_.append(" w");
    line();
    s_.append("0 J");
    line();
    writeDash(pen.Style);
    appendColor(s_, pen.Color.red, pen.Color.green, pen.Color.blue);
    s_.append(" RG");
    line();
}

// Dash pattern of a pen style; a clear pen has no line to dash.
void PdfContentsWriter::writeDash(std::uint8_t penStyle) {
    switch (PenStyle(penStyle)) {
    case PenStyle::Clear:
        return;
    case PenStyle::Dash:
        s_.append("[3] 0 d");
        break;
    case PenStyle::Dot:
        s_.append("[1] 0 d");
        break;
    case PenStyle::DashDot:
        s_.append("[2 1] 0 d");
        break;
    case PenStyle::DashDotDot:
        s_.append("[3 5] 6 d");
        break;
    default:
        s_.append("[] 0 d");
        break; // solid, inside frame, unknown
    }
    line();
}

void PdfContentsWriter::visit(const TRLPixelObject& o) {
    s_.append("0 w");
    line();
    s_.append("0 J");
    line();
    appendColor(s_, o.Color.red, o.Color.green, o.Color.blue);
    s_.append(" rg");
    line();
    appendRect(o.Bounds);
    s_.append(" re");
    line();
    s_.append("f");
    line();
}

void PdfContentsWriter::visit(const TRLLineObject& o) {
    writePenSetup(o.Pen);
    appendPoint(o.StartPoint.x, o.StartPoint.y);
    s_.append(" m");
    line();
    appendPoint(o.EndPoint.x, o.EndPoint.y);
    s_.append(" l");
    line();
    s_.append("S");
    line();
}

// Filled with the brush colour and never outlined, as the pages are painted.
void PdfContentsWriter::visit(const TRLRectangleObject& o) {
    writePenSetup(o.Pen);
    appendColor(s_, o.Brush.Color.red, o.Brush.Color.green, o.Brush.Color.blue);
    s_.append(" rg");
    line();
    appendRect(o.Bounds);
    s_.append(" re");
    line();
    s_.append("f");
    line();
}

void PdfContentsWriter::visit(const TRLFillRectObject& o) {
    s_.append("0 w");
    line();
    appendColor(s_, o.Brush.Color.red, o.Brush.Color.green, o.Brush.Color.blue);
    s_.append(" rg");
    line();
    appendRect(o.Bounds);
    s_.append(" re");
    line();
    s_.append("f");
    line();
}

// An ellipse as a closed polygon of 36 points, filled and stroked.
void PdfContentsWriter::visit(const TRLEllipseObject& o) {
    writePenSetup(o.Pen);
    appendColor(s_, o.Brush.Color.red, o.Brush.Color.green, o.Brush.Color.blue);
    s_.append(" rg");
    line();
    const PageRect& b = o.Bounds;
    const double cx = (double(b.left) + b.right) / 2, cy = (double(b.top) + b.bottom) / 2;
    const double rx = (double(b.right) - b.left) / 2, ry = (double(b.bottom) - b.top) / 2;
    for (int i = 0; i < kEllipsePoints; ++i) {
        const double a = i * 2 * std::numbers::pi / kEllipsePoints;
        appendNumber(s_, pts(cx + rx * std::cos(a)));
        s_.push_back(' ');
        appendNumber(s_, pts(pageHeight_ - (cy + ry * std::sin(a))));
        s_.append(i == 0 ? " m " : " l ");
    }
    s_.append("b");
    line();
}

void PdfContentsWriter::visit(const TRLPolygonObject& o) {
    writePenSetup(o.Pen);
    appendColor(s_, o.Brush.Color.red, o.Brush.Color.green, o.Brush.Color.blue);
    s_.append(" rg");
    line();
    for (size_t i = 0; i < o.Points.size(); ++i) {
        appendPoint(o.Points[i].x, o.Points[i].y);
        s_.append(i == 0 ? " m " : " l ");
        line();
    }
    s_.append("b");
    line();
}

void PdfContentsWriter::visit(const TRLPolylineObject& o) {
    writePenSetup(o.Pen);
    for (size_t i = 0; i < o.Points.size(); ++i) {
        appendPoint(o.Points[i].x, o.Points[i].y);
        s_.append(i == 0 ? " m " : " l ");
        line();
    }
    s_.append("S");
    line();
}

// The picture scaled from the unit square onto the bounds.
void PdfContentsWriter::visit(const TRLImageObject& o) {
    const int resource = nextImage_ < imageResources_.size() ? imageResources_[nextImage_] : 0;
    ++nextImage_;
    if (resource == 0) return;
    s_.append("q");
    line();
    s_.append("1 0 0 1 ");
    appendPoint(o.Bounds.left, o.Bounds.bottom);
    s_.append(" cm");
    line();
    appendNumber(s_, pts(o.Bounds.width()));
    s_.append(" 0 0 ");
    appendNumber(s_, pts(o.Bounds.height()));
    s_.append(" 0 0 cm");
    line();
    s_.append("/Image");
    appendInteger(s_, resource);
    s_.append(" Do");
    line();
    s_.append("Q");
    line();
}

// A text block: clipped to its bounds unless unclipped, placed by its alignment.
void PdfContentsWriter::visit(const TRLTextObject& o) {
    const std::string text = o.DisplayText();
    std::string name = o.FontName();
    if (name.empty()) name = kDefaultFontName;

    s_.append("q");
    line();
    appendColor(s_, o.Font.Color.red, o.Font.Color.green, o.Font.Color.blue);
    s_.append(" rg");
    line();
    if (!(o.Options & toUnclipped)) {
        appendRect(o.Bounds);
        s_.append(" re");
        line();
        s_.append("W n");
        line();
    }

    std::int32_t x = o.Origin.x;
    if (o.HAlign == haRight || o.HAlign == haCenter) {
        // Measured in the face and size only, as the text is set in the PDF font.
        SurfaceFont font;
        font.Name = name;
        font.Size = o.Font.Size;
        font.Style = 0;
        font.Pitch = o.Font.Pitch;
        font.Charset = o.Font.Charset;
        const std::int32_t width = measureText(font, text).width();
        if (o.HAlign == haRight)
            x = o.Bounds.right - width;
        else
            x = std::int32_t((std::int64_t(o.Bounds.left) + o.Bounds.right - width) / 2);
    }
    const FontUse font = fontResource_(name, o.Font.Style, text);

    s_.append("BT");
    line();
    s_.append("/F");
    appendInteger(s_, font.resource);
    s_.push_back(' ');
    appendInteger(s_, o.Font.Size);
    s_.append(" Tf");
    line();
    // The baseline lies the font's ascent below the top of the text, where the
    // preview puts it, so that descenders and cedillas stay inside the clip.
    appendNumber(s_, pts(x));
    s_.push_back(' ');
    appendNumber(s_, pts(double(pageHeight_) - o.Origin.y) - o.Font.Size * font.ascent / 1000.0);
    s_.append(" Td");
    line();
    s_.push_back('(');
    appendEscapedText(s_, text);
    s_.append(") Tj");
    line();
    s_.append("ET");
    line();
    s_.append("Q");
    line();
}

void PdfContentsWriter::visit(const TRLSetClipRectObject& o) {
    s_.append("q");
    line();
    appendRect(o.Bounds);
    s_.append(" re");
    line();
    s_.append("W n");
    line();
    ++openClips_;
}

// A reset without a clip to end would restore a state the page never saved.
void PdfContentsWriter::visit(const TRLResetClipRectObject&) {
    if (openClips_ == 0) return;
    --openClips_;
    s_.append("Q");
    line();
}

void PdfContentsWriter::finish() {
    for (; openClips_ > 0; --openClips_) {
        s_.append("Q");
        line();
    }
}

} // namespace rl
