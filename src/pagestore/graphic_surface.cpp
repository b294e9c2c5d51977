#include "pagestore/graphic_surface.h"

#include "pagestore/byte_stream.h"
#include "pagestore/graphic_storage.h"
#include "pagestore/page_paint_context.h"
#include "pagestore/picture_data.h"
#include "pagestore/text_measure.h"
#include "platform/error.h"

#include <QIODevice>
#include <QPainter>

namespace rl {

TRLGraphicSurface::TRLGraphicSurface() = default;
TRLGraphicSurface::~TRLGraphicSurface() = default;

// ---- variables and font names

std::string TRLGraphicSurface::SubstituteVariables(const std::string& text) const {
    std::string result = text;
    size_t pos = 0;
    while (pos < result.size()) {
        const size_t open = result.find('{', pos);
        if (open == std::string::npos) break;
        const size_t close = result.find('}', open + 1);
        if (close == std::string::npos) break;
        const std::string_view name(result.data() + open + 1, close - open - 1);
        const VariableList* source = nullptr;
        if (Variables.contains(name))
            source = &Variables;
        else if (store_ && store_->Variables.contains(name))
            source = &store_->Variables;
        if (!source) {
            pos = close + 1;
            continue;
        }
        const std::string value = source->value(name);
        result.replace(open, close - open + 1, value);
        // Values are never substituted again.
        pos = open + value.size();
    }
    return result;
}

std::int32_t TRLGraphicSurface::FontNameIndex(const std::string& name) {
    for (size_t i = 0; i < FontNames.size(); ++i)
        if (equalsIgnoringCase(FontNames[i], name)) return std::int32_t(i);
    FontNames.push_back(name);
    return std::int32_t(FontNames.size() - 1);
}

std::string TRLGraphicSurface::FontNameAt(std::int32_t index) const {
    if (index < 0 || size_t(index) >= FontNames.size()) return {};
    return FontNames[size_t(index)];
}

// ---- building

void TRLGraphicSurface::Open() {
    if (IsOpen) return;
    IsOpen = true;
    PenPosition = {ContentRect.left, ContentRect.top};
    CurrentDrawer = nullptr;
    CurrentClip = {0, 0, Width, Height};
    SavedClips.clear();
}

void TRLGraphicSurface::Clear() {
    items_.clear();
    FontNames.clear();
    Variables.clear();
    PenPosition = {0, 0};
    CurrentDrawer = nullptr;
    IsDirty = true;
}

TRLGraphicObject& TRLGraphicSurface::adopt(std::unique_ptr<TRLGraphicObject> object) {
    Open();
    IsDirty = true;
    items_.push_back(std::move(object));
    return *items_.back();
}

void TRLGraphicSurface::FillRect(const PageRect& rect) {
    auto& object = AddObject<TRLFillRectObject>();
    object.Bounds = rect;
    object.Brush = DrawBrush;
}

void TRLGraphicSurface::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                                  std::int32_t bottom) {
    auto& object = AddObject<TRLRectangleObject>();
    object.Bounds = {left, top, right, bottom};
    object.Pen = DrawPen;
    object.Brush = DrawBrush;
}

TRLTextObject& TRLGraphicSurface::TextRect(const PageRect& rect, std::int32_t originX, std::int32_t originY,
                                           const std::string& text, std::uint8_t hAlign, std::uint8_t vAlign,
                                           std::uint16_t options) {
    auto& object = AddObject<TRLTextObject>();
    object.Bounds = rect;
    object.Origin = {originX, originY};
    object.Text = text;
    object.HAlign = hAlign;
    object.VAlign = vAlign;
    object.Options = options;
    object.Brush = DrawBrush;
    object.Font.PixelsPerInch = DrawFont.PixelsPerInch;
    object.Font.Charset = DrawFont.Charset;
    object.Font.Color = DrawFont.Color;
    object.Font.Height = DrawFont.Height();
    object.Font.Pitch = DrawFont.Pitch;
    object.Font.Size = DrawFont.Size;
    object.Font.Style = DrawFont.Style;
    object.SetFontName(DrawFont.Name);
    return object;
}

std::int32_t TRLGraphicSurface::TextWidth(const std::string& text) const {
    return measureText(DrawFont, text).width();
}

std::int32_t TRLGraphicSurface::TextHeight(const std::string& text) const {
    return measureText(DrawFont, text).height();
}

void TRLGraphicSurface::Draw(std::int32_t x, std::int32_t y, const QByteArray& picture, bool integralScale) {
    const QSize size = PictureData::size(picture);
    StretchDraw({x, y, wrapAdd(x, size.width()), wrapAdd(y, size.height())}, picture, integralScale);
}

void TRLGraphicSurface::StretchDraw(const PageRect& rect, const QByteArray& picture, bool integralScale) {
    auto& object = AddObject<TRLImageObject>();
    object.Bounds = rect;
    object.PictureData = picture.isEmpty() ? QByteArray(PictureData::kNil) : picture;
    object.IntegralScale = integralScale;
}

void TRLGraphicSurface::ScaleDraw(const PageRect& rect, const QByteArray& picture, bool center) {
    const QSize size = PictureData::size(picture);
    const double pw = size.width(), ph = size.height();
    const std::int32_t rw = rect.width(), rh = rect.height();
    std::int32_t w = rw, h = rh;
    if (pw > 0 && ph > 0) {
        if (rw / pw > rh / ph)
            w = roundEven(pw * rh / ph);
        else
            h = roundEven(ph * rw / pw);
    }
    PageRect result{rect.left, rect.top, rect.left + w, rect.top + h};
    if (center) {
        const std::int32_t mx = (rw - w) / 2, my = (rh - h) / 2;
        result = {result.left + mx, result.top + my, result.right + mx, result.bottom + my};
    }
    StretchDraw(result, picture, false);
}

void TRLGraphicSurface::ClipDraw(const PageRect& rect, const QByteArray& picture, bool center) {
    const QImage image = PictureData::toImage(picture);
    const std::int32_t pw = image.width(), ph = image.height();
    PageRect placed{rect.left, rect.top, rect.left + pw, rect.top + ph};
    if (center) {
        const std::int32_t mx = (rect.width() - pw) / 2, my = (rect.height() - ph) / 2;
        placed = {placed.left + mx, placed.top + my, placed.right + mx, placed.bottom + my};
    }
    const PageRect visible = rect.intersected(placed);
    if (image.isNull() || visible.isEmpty()) return;
    QImage part(visible.width(), visible.height(), QImage::Format_RGB32);
    part.fill(Qt::white);
    {
        QPainter painter(&part);
        painter.drawImage(QPoint(placed.left - visible.left, placed.top - visible.top), image);
    }
    StretchDraw(visible, PictureData::fromImage(part), false);
}

void TRLGraphicSurface::SetClipRect(const PageRect& rect) {
    auto& object = AddObject<TRLSetClipRectObject>();
    object.Bounds = rect;
    SavedClips.push_back(CurrentClip);
    CurrentClip = rect;
}

void TRLGraphicSurface::ResetClipRect() {
    auto& object = AddObject<TRLResetClipRectObject>();
    object.Bounds = CurrentClip;
    if (!SavedClips.empty()) {
        CurrentClip = SavedClips.back();
        SavedClips.pop_back();
    }
}

void TRLGraphicSurface::DrawPage(std::int32_t x, std::int32_t y, const TRLGraphicSurface& other) {
    // Copy first: drawing a page onto itself must not walk a growing list.
    const size_t count = other.items_.size();
    for (size_t i = 0; i < count; ++i) {
        const TRLGraphicObject& source = *other.items_[i];
        TRLGraphicObject& copy = adopt(makeGraphicObject(int(source.kind()), *this));
        copy.Assign(source);
        copy.Offset(x, y);
    }
}

void TRLGraphicSurface::MovePage(TRLGraphicSurface& other) {
    if (&other == this) {
        DrawPage(0, 0, other);
        return;
    }
    if (other.items_.empty()) return;
    Open();
    IsDirty = true;
    items_.reserve(items_.size() + other.items_.size());
    for (auto& object : other.items_) {
        // As Assign does: the face name is looked up again in this page's list.
        if (object->kind() == ObjectKind::Text) {
            auto& text = static_cast<TRLTextObject&>(*object);
            text.Font.NameIndex = FontNameIndex(other.FontNameAt(text.Font.NameIndex));
        }
        object->MoveToSurface(*this);
        items_.push_back(std::move(object));
    }
    other.items_.clear();
    other.IsDirty = true;
}

void TRLGraphicSurface::CopyRect(const PageRect& destination, const TRLGraphicSurface& other,
                                 const PageRect& source) {
    const double xf = source.width() != 0 ? double(destination.width()) / source.width() : 1.0;
    const double yf = source.height() != 0 ? double(destination.height()) / source.height() : 1.0;
    const std::int32_t dx = destination.left - roundEven(source.left * xf);
    const std::int32_t dy = destination.top - roundEven(source.top * yf);
    SetClipRect(destination);
    try {
        const size_t count = other.items_.size();
        for (size_t i = 0; i < count; ++i) {
            const TRLGraphicObject& object = *other.items_[i];
            if (!object.Bounds.intersects(source)) continue;
            TRLGraphicObject& copy = adopt(makeGraphicObject(int(object.kind()), *this));
            copy.Assign(object);
            copy.Inflate(xf, yf);
            copy.Offset(dx, dy);
        }
    } catch (...) {
        ResetClipRect();
        throw;
    }
    ResetClipRect();
}

bool TRLGraphicSurface::FindFreeRow(std::int32_t y, std::int32_t& freeY) const {
    freeY = y;
    bool changed;
    do {
        changed = false;
        for (const auto& object : items_) {
            if (object->kind() != ObjectKind::Text) continue;
            const auto& text = static_cast<const TRLTextObject&>(*object);
            if ((text.Options & toKeepWhole) && text.Bounds.top < freeY && freeY < text.Bounds.bottom) {
                freeY = text.Bounds.top;
                changed = true;
            }
        }
    } while (changed && freeY > 0);
    return freeY > 0;
}

// ---- output

QByteArray TRLGraphicSurface::SaveToBytes() const {
    QByteArray out;
    {
        ByteWriter w(out);
        SaveTo(w);
    }
    return out;
}

void TRLGraphicSurface::SaveTo(ByteWriter& w) const {
    w.bytes(kPageSignature, kPageSignatureSize);
    w.int32(Width);
    w.int32(Height);
    w.int32(std::int32_t(Variables.entries().size()));
    for (const std::string& entry : Variables.entries())
        w.string(entry);
    w.int32(std::int32_t(FontNames.size()));
    for (const std::string& name : FontNames)
        w.string(name);
    w.int32(std::int32_t(items_.size()));
    for (const auto& object : items_) {
        w.byte(std::uint8_t(object->kind()));
        const qsizetype sizeAt = w.position();
        w.int32(0);
        object->SaveToStream(w);
        w.patch32(sizeAt, std::int32_t(w.position() - (sizeAt + 4)));
    }
}

void TRLGraphicSurface::SaveToStream(QIODevice& stream) const {
    const QByteArray bytes = SaveToBytes();
    if (stream.write(bytes) != bytes.size())
        throw Error("Cannot write page: " + stream.errorString().toStdString());
}

qsizetype TRLGraphicSurface::LoadFromBytes(const char* data, qsizetype size) {
    Clear();
    try {
        ByteReader r(data, size);
        // The signature is read byte by byte up to its closing 0x1A, at most 20 bytes.
        std::string signature;
        while (signature.size() < 20 && !r.atEnd()) {
            const char c = char(r.byte());
            signature.push_back(c);
            if (c == '\x1A') break;
        }
        if (signature != std::string(kPageSignature, kPageSignatureSize)) throw Error("File is corrupted!");
        Width = r.int32();
        Height = r.int32();
        const std::int32_t variableCount = r.count(4);
        for (std::int32_t i = 0; i < variableCount; ++i)
            Variables.append(r.string());
        const std::int32_t fontCount = r.count(4);
        for (std::int32_t i = 0; i < fontCount; ++i)
            FontNames.push_back(r.string());
        const std::int32_t objectCount = r.count(5);
        items_.reserve(size_t(objectCount));
        for (std::int32_t i = 0; i < objectCount; ++i) {
            const int code = r.byte();
            const std::int32_t objectSize = r.int32();
            auto object = makeGraphicObject(code, *this);
            if (!object) {
                r.skip(objectSize);
                continue;
            }
            object->LoadFromStream(r);
            items_.push_back(std::move(object));
        }
        IsDirty = false;
        return r.position();
    } catch (...) {
        Clear();
        IsDirty = false;
        throw;
    }
}

void TRLGraphicSurface::LoadFromStream(QIODevice& stream) {
    const qint64 start = stream.pos();
    const QByteArray bytes = stream.isSequential() ? stream.readAll() : stream.peek(stream.size() - start);
    const qsizetype used = LoadFromBytes(bytes.constData(), bytes.size());
    if (!stream.isSequential()) stream.seek(start + used);
}

} // namespace rl
