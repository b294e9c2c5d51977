#include "export/html_page_writer.h"

#include "export/markup_output.h"
#include "pagestore/graphic_object.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/picture_data.h"
#include "pagestore/text_measure.h"
#include "pagestore/variable_list.h"

#include <QBuffer>
#include <QIODevice>
#include <QPainter>
#include <QUrl>

#include <array>
#include <cstdio>

namespace rl {

namespace {

// HTML 4 names of the ISO 8859-1 characters 160..255.
constexpr std::array<const char*, 96> kLatin1Entities = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
    "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
    "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
    "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
    "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
    "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
    "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

std::string px(std::int64_t value) {
    return decimal(value) + "px";
}

QByteArray bmpFile(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

} // namespace

std::string htmlFileReference(const QString& path) {
    // Percent-encoded UTF-8, which is how a browser looks the name up on disk
    // whatever the page's own encoding.
    return QUrl::toPercentEncoding(path, "/").toStdString();
}

std::string escapeHtml(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const auto byte = std::uint8_t(c);
        if (c == '&')
            result += "&amp;";
        else if (c == '>')
            result += "&gt;";
        else if (c == '<')
            result += "&lt;";
        else if (byte >= 160)
            result += std::string("&") + kLatin1Entities[byte - 160] + ";";
        else
            result += c;
    }
    return result;
}

std::string htmlColour(const MetaColor& colour) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", unsigned(colour.red), unsigned(colour.green),
                  unsigned(colour.blue));
    return text;
}

int HtmlFontList::add(const std::string& name, std::int32_t size, const MetaColor& colour) {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].Size == size && entries_[i].Color == colour &&
            equalsIgnoringCase(entries_[i].Name, name))
            return int(i);
    entries_.push_back({name, size, colour});
    return int(entries_.size()) - 1;
}

HtmlPageWriter::HtmlPageWriter(QIODevice& out, HtmlFontList& fonts, std::int32_t pageWidth,
                               std::int32_t pageHeight, PictureStore pictures)
    : out_(out), fonts_(fonts), pageWidth_(pageWidth), pageHeight_(pageHeight),
      pictures_(std::move(pictures)) {}

void HtmlPageWriter::writePage(const TRLGraphicSurface& page) {
    writePageBoxStart();
    clip_ = {0, 0, pageWidth_, pageHeight_};
    VisitObjects(page, *this);
    writePageBoxEnd();
}

std::string HtmlPageWriter::clipText(const PageRect& box) const {
    const PageRect i = box.intersected(clip_);
    if (i == box) return {};
    return "clip:rect(" + px(std::int64_t(i.top) - box.top) + " " + px(std::int64_t(i.right) - box.left) +
           " " + px(std::int64_t(i.bottom) - box.top) + " " + px(std::int64_t(i.left) - box.left) + ")";
}

std::string HtmlPageWriter::boxStyle(const PageRect& box) {
    return "position:absolute;left:" + px(box.left) + ";top:" + px(box.top) + ";width:" + px(box.width()) +
           ";height:" + px(box.height()) + ";";
}

void HtmlPageWriter::writePageBoxStart() {
    writeLine(out_, "<div style=\"position:relative;width:" + px(pageWidth_) + ";height:" + px(pageHeight_) +
                        ";background-color:#FFFFFF;\">");
}

void HtmlPageWriter::writePageBoxEnd() {
    writeLine(out_, "</div>");
}

void HtmlPageWriter::writeRule(const PageRect& box, const MetaColor& colour) {
    writeLine(out_,
              "<hr style=\"" + boxStyle(box) + clipText(box) + ";color:#" + htmlColour(colour) + ";\">");
}

void HtmlPageWriter::writeFilledBox(const PageRect& box, const MetaColor& colour) {
    writeLine(out_, "<div style=\"" + boxStyle(box) + clipText(box) + ";background-color:#" +
                        htmlColour(colour) + "\"></div>");
}

// ---- rules and boxes

void HtmlPageWriter::visit(const TRLPixelObject& object) {
    const PageRect& b = object.Bounds;
    writeLine(out_, "<hr style=\"position:absolute;left:" + px(b.left) + ";top:" + px(b.top) +
                        ";width:1px;height:1px;" + clipText(b) + ";color:#" + htmlColour(object.Color) +
                        ";\">");
}

void HtmlPageWriter::visit(const TRLLineObject& object) {
    // A rule cannot slope: a diagonal line becomes the rule of its bounding box.
    writeRule(object.Bounds, object.Pen.Color);
}

void HtmlPageWriter::visit(const TRLRectangleObject& object) {
    writeRule(object.Bounds, object.Brush.Color);
}

void HtmlPageWriter::visit(const TRLFillRectObject& object) {
    if (object.Brush.Style == std::uint8_t(BrushStyle::Clear)) return;
    writeFilledBox(object.Bounds, object.Brush.Color);
}

// ---- pictures

void HtmlPageWriter::visit(const TRLEllipseObject& object) {
    writeShapePicture(object);
}

void HtmlPageWriter::visit(const TRLPolygonObject& object) {
    writeShapePicture(object);
}

void HtmlPageWriter::visit(const TRLPolylineObject& object) {
    writeShapePicture(object);
}

void HtmlPageWriter::writeShapePicture(const TRLGraphicObject& shape) {
    const PageRect& b = shape.Bounds;
    if (b.isEmpty()) return;
    // The shape is painted by the page painting itself, moved to the origin
    // of a scratch page of the bounds' size.
    TRLGraphicSurface scratch;
    scratch.Width = b.width();
    scratch.Height = b.height();
    TRLGraphicObject* copy = nullptr;
    switch (shape.kind()) {
    case ObjectKind::Ellipse:
        copy = &scratch.AddObject<TRLEllipseObject>();
        break;
    case ObjectKind::Polygon:
        copy = &scratch.AddObject<TRLPolygonObject>();
        break;
    case ObjectKind::Polyline:
        copy = &scratch.AddObject<TRLPolylineObject>();
        break;
    default:
        return;
    }
    copy->Assign(shape);
    copy->Offset(-b.left, -b.top);
    QImage image(b.width(), b.height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        scratch.PaintTo(painter, QRect(0, 0, b.width(), b.height()));
    }
    writePictureElement(b, {image, bmpFile(image), QStringLiteral("bmp")});
}

void HtmlPageWriter::visit(const TRLImageObject& object) {
    const QImage image = PictureData::toImage(object.PictureData);
    if (image.isNull()) return;
    const QByteArray tag = object.PictureData.left(3);
    const QString kind = tag == "BMP"   ? QStringLiteral("bmp")
                         : tag == "ICO" ? QStringLiteral("ico")
                                        : QString();
    writePictureElement(object.Bounds, {image, object.PictureData.mid(3), kind});
}

void HtmlPageWriter::writePictureElement(const PageRect& box, const TRLHTMLGraphic& graphic) {
    const QString stored = pictures_ ? pictures_(graphic) : QString();
    if (stored.isEmpty()) return;
    std::string source;
    if (inlinePictures) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!graphic.Image.save(&buffer, "PNG")) return;
        source = "data:image/png;base64," + png.toBase64().toStdString();
    } else {
        source = htmlFileReference(stored.mid(stored.lastIndexOf('/') + 1));
    }
    writeLine(out_, "<div style=\"" + boxStyle(box) + clipText(box) + "\">" + "<img src=\"" + source +
                        "\" width=" + decimal(box.width()) + " height=" + decimal(box.height()) + ">" +
                        "</div>");
}

// ---- clipping

void HtmlPageWriter::visit(const TRLSetClipRectObject& object) {
    clip_ = object.Bounds;
}

void HtmlPageWriter::visit(const TRLResetClipRectObject&) {
    clip_ = {0, 0, pageWidth_, pageHeight_};
}

// ---- texts

void HtmlPageWriter::visit(const TRLTextObject& object) {
    if (object.Brush.Style != std::uint8_t(BrushStyle::Clear)) writeTextBackground(object);
    writeTextElement(object);
}

void HtmlPageWriter::writeTextBackground(const TRLTextObject& object) {
    const PageRect& b = object.Bounds;
    writeBytes(out_, "<div style=\"" + boxStyle(b) + clipText(b) + ";background-color:#" +
                         htmlColour(object.Brush.Color) + ";\"></div>");
}

void HtmlPageWriter::writeTextElement(const TRLTextObject& object) {
    const std::string text = object.DisplayText();
    const PageRect& b = object.Bounds;
    std::int64_t left = object.Origin.x;
    std::string clip;
    if (object.Options & toUnclipped) {
        clip = clipText({object.Origin.x, object.Origin.y, clip_.right, clip_.bottom});
    } else {
        SurfaceFont font;
        font.Name = object.FontName();
        font.Size = object.Font.Size;
        font.Style = object.Font.Style;
        font.Pitch = object.Font.Pitch;
        const std::int64_t width = measureText(font, text).width();
        if (object.HAlign == haRight)
            left = b.right - width;
        else if (object.HAlign == haCenter)
            left = (b.left + b.right - width) / 2;
        clip = clipText(b);
    }
    const std::uint8_t style = object.Font.Style;
    // Browsers collapse runs of blanks unless told not to, which would break
    // every aligned column of a report.
    std::string html = "<div style=\"position:absolute;left:" + px(left) + ";top:" + px(object.Origin.y) +
                       ";white-space:pre;" + clip + "\">" + "<font class=\"f" +
                       decimal(fonts_.add(object.FontName(), object.Font.Size, object.Font.Color)) + "\">";
    if (style & fsBold) html += "<b>";
    if (style & fsItalic) html += "<i>";
    if (style & fsUnderline) html += "<u>";
    if (style & fsStrikeOut) html += "<strike>";
    html += escapeHtml(text);
    if (style & fsStrikeOut) html += "</strike>";
    if (style & fsUnderline) html += "</u>";
    if (style & fsItalic) html += "</i>";
    if (style & fsBold) html += "</b>";
    html += "</font></div>";
    writeLine(out_, html);
}

} // namespace rl
