#pragma once

#include "pagestore/graphic_object_visitor.h"
#include "pagestore/meta_records.h"
#include "pagestore/units.h"

#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

class QIODevice;
class QImage;

namespace rl {

class TRLGraphicObject;

// Page units (1/96 inch) to twips.
std::int32_t twips(std::int32_t units);
// Page units to the picture goal unit of an RTF metafile.
std::int32_t pictureGoal(std::int32_t units);
// How much a text frame of width w grows so that a word processor's wider
// rendering of the same text still fits on one line.
std::int32_t frameWidening(std::int32_t width);
// Text with "\", "{" and "}" escaped and every blank of a run of two or
// more written as a non-breaking space ("\~"); every other byte as it is.
std::string escapeRich(const std::string& text);

// The font table of an RTF document: face names in order of first
// appearance; a font's number is its index. Names compare without regard to case.
class RichFontList {
public:
    // The face's number, adding the face when it is new.
    int add(const std::string& name);
    // -1 when the face is not listed.
    int indexOf(const std::string& name) const;
    const std::vector<std::string>& names() const { return names_; }
    void clear() { names_.clear(); }

private:
    std::vector<std::string> names_;
};

// Writes the body of one page of an RTF document: every drawing object, in
// order of position (top, then left, ties in storage order), as a
// page-anchored frame or drawing object. Text frames and pictures are cut by
// the clip rectangle in force where the page stores them; drawing objects are
// written whole. Throws rl::Error when the device fails.
class RichPageWriter final : private GraphicObjectVisitor {
public:
    RichPageWriter(QIODevice& out, RichFontList& fonts, int pageNumber);

    // Adds the page's faces to the font list, then writes its objects.
    void writePage(const TRLGraphicSurface& page);

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

    // "{\*\do...": opening and position of a drawing object.
    void writeDrawingObjectHead(const char* kind, std::int32_t x, std::int32_t y, std::int32_t w,
                                std::int32_t h);
    // "}" CR LF: end of a drawing object.
    void writeDrawingObjectEnd();
    // "\dpline...": dash pattern of the pen.
    void writeLineStyle(const TRLMetaPen& pen);
    // "\dplinecor..": pen colour.
    void writeLineColour(const MetaColor& colour);
    // "\dplinew": pen width.
    void writeLineWidth(const TRLMetaPen& pen);
    // "\dpfillpat": hatch of the brush.
    void writeFillPattern(const TRLMetaBrush& brush);
    // "\dpfillbgc..": fill colour.
    void writeFillColour(const MetaColor& colour);
    // "\dppolycount" and the points relative to the bounds.
    void writePointList(const std::vector<PagePoint>& points, const PageRect& bounds);
    // "\pard\plain\absw...": the positioned paragraph frame of a text.
    void writeTextFrame(const TRLTextObject& object);
    // "\pard\plain\absw...{\pict": the frame and picture head of an image.
    void writePictureHead(const PageRect& bounds, const PageRect& visible);
    // The picture as a hexadecimal Windows metafile holding one stretch-DIB record.
    void writeMetafile(const QByteArray& bmpFile, std::int32_t width, std::int32_t height);
    // A piece of picture hexadecimal, breaking the line once it passes 128 characters.
    void writeCounted(const std::string& chunk);

    QIODevice& out_;
    RichFontList& fonts_;
    int pageNumber_;
    PageRect clip_; // of the object being written
    int lineLength_ = 0;
};

} // namespace rl
