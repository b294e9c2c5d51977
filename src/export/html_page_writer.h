#pragma once

#include "pagestore/graphic_object_visitor.h"
#include "pagestore/meta_records.h"
#include "pagestore/units.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QIODevice;

namespace rl {
class TRLGraphicObject;
}

namespace rl {

// A picture an HTML page refers to: the decoded image, the bytes of its file
// and the file kind ("bmp", "ico").
struct TRLHTMLGraphic {
    QImage Image;
    QByteArray Bytes;
    QString Kind;
};

// Text with "&", "<", ">" and the bytes 160..255 as HTML entities; quotes,
// bytes 128..159 and blanks stay as they are.
std::string escapeHtml(const std::string& text);
// A file name or path as an attribute value: percent-encoded UTF-8, "/" kept.
std::string htmlFileReference(const QString& path);
// "#RRGGBB" without the "#".
std::string htmlColour(const MetaColor& colour);

// The font classes of an HTML document, one per face, size and colour; an
// entry's index is its class number. Names compare without regard to case.
class HtmlFontList {
public:
    struct Entry {
        std::string Name; // Windows-1252 bytes
        std::int32_t Size = 0;
        MetaColor Color;
    };
    // The class number, adding the class when it is new.
    int add(const std::string& name, std::int32_t size, const MetaColor& colour);
    const std::vector<Entry>& entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};

// Writes one page of an HTML document as a fixed-size box holding every
// drawing object as an absolutely positioned element, in page units taken as
// CSS pixels. Pictures go through the picture store, which returns the file
// name to refer to, or an empty name when the picture was not stored (then no
// element is written); with inlinePictures the element carries the picture
// itself as a data: URL instead of the file's name. Throws rl::Error when the
// device fails.
class HtmlPageWriter final : private GraphicObjectVisitor {
public:
    using PictureStore = std::function<QString(const TRLHTMLGraphic&)>;

    HtmlPageWriter(QIODevice& out, HtmlFontList& fonts, std::int32_t pageWidth, std::int32_t pageHeight,
                   PictureStore pictures);

    void writePage(const TRLGraphicSurface& page);

    bool inlinePictures = false;

private:
    void visit(const TRLPixelObject& object) override;
    void visit(const TRLLineObject& object) override;
    void visit(const TRLRectangleObject& object) override;
    void visit(const TRLTextObject& object) override;
    void visit(const TRLFillRectObject& object) override;
    void visit(const TRLEllipseObject& object) override;
    void visit(const TRLPolygonObject& object) override;
    void visit(const TRLPolylineObject& object) override;
    void visit(const TRLImageObject& object) override;
    void visit(const TRLSetClipRectObject& object) override;
    void visit(const TRLResetClipRectObject& object) override;

    // "clip:rect(...)" for a box cut by the clip rectangle; empty when it is not cut.
    std::string clipText(const PageRect& box) const;
    // "position:absolute;left:Xpx;top:Ypx;width:Wpx;height:Hpx;" of a box.
    static std::string boxStyle(const PageRect& box);
    // "<div style=...>": the page's box.
    void writePageBoxStart();
    // "</div>": end of the page's box.
    void writePageBoxEnd();
    // "<hr ...>": a rule of the size of a box in one colour.
    void writeRule(const PageRect& box, const MetaColor& colour);
    // "<div ...background-color...></div>": a filled box.
    void writeFilledBox(const PageRect& box, const MetaColor& colour);
    // "<div ...><img ...></div>": a picture, stored beside the page or inline.
    void writePictureElement(const PageRect& box, const TRLHTMLGraphic& graphic);
    // A shape drawn into a picture of its bounds' size.
    void writeShapePicture(const TRLGraphicObject& shape);
    // "<div ...background-color...></div>" behind a text, no line end.
    void writeTextBackground(const TRLTextObject& object);
    // "<div ...><font class=...>text</font></div>": a text.
    void writeTextElement(const TRLTextObject& object);

    QIODevice& out_;
    HtmlFontList& fonts_;
    std::int32_t pageWidth_;
    std::int32_t pageHeight_;
    PictureStore pictures_;
    PageRect clip_;
};

} // namespace rl
