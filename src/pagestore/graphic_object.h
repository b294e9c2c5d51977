#pragma once

#include "pagestore/graphic_object_visitor.h"
#include "pagestore/meta_records.h"
#include "pagestore/units.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rl {

class ByteReader;
class ByteWriter;
class TRLGraphicSurface;

// Kind codes of the drawing objects, as serialized.
enum class ObjectKind : std::uint8_t {
    Pixel = 1,
    Line,
    Rectangle,
    Text,
    FillRect,
    Ellipse,
    Polygon,
    Polyline,
    Image,
    SetClipRect,
    ResetClipRect,
};
inline constexpr int kFirstObjectKind = 1;
inline constexpr int kLastObjectKind = 11;
inline constexpr int kObjectBaseSize = 24;

// A device-independent drawing object of one page. The page owns it; objects
// are created through the page (TRLGraphicSurface::createObject and the
// building operations), which registers them in its Items list.
class TRLGraphicObject {
public:
    explicit TRLGraphicObject(TRLGraphicSurface& surface);
    virtual ~TRLGraphicObject() = default;
    TRLGraphicObject(const TRLGraphicObject&) = delete;
    TRLGraphicObject& operator=(const TRLGraphicObject&) = delete;

    virtual ObjectKind kind() const = 0;

    // Base fields, then the kind's own fields.
    void SaveToStream(ByteWriter& w) const;
    void LoadFromStream(ByteReader& r);
    // Calls the visitor's visit for this object's kind.
    virtual void Accept(GraphicObjectVisitor& visitor) const = 0;
    // Copies every field from an object of the same kind (possibly of another page).
    virtual void Assign(const TRLGraphicObject& source);
    virtual void Offset(std::int32_t dx, std::int32_t dy);
    virtual void Inflate(double xf, double yf);

    // Objects come and go by the thousand per page: each thread keeps the
    // memory of freed ones for the next (graphic_object.cpp).
    static void* operator new(std::size_t size);
    static void operator delete(void* memory, std::size_t size) noexcept;

    TRLGraphicSurface& Surface() const { return *surface_; }
    // Only for TRLGraphicSurface::MovePage, which registers the object there.
    void MoveToSurface(TRLGraphicSurface& surface) { surface_ = &surface; }

    PageRect Bounds;
    std::int32_t Group = 0;
    std::int32_t DrawerId = 0;

protected:
    virtual void saveData(ByteWriter&) const {}
    virtual void loadData(ByteReader&) {}

private:
    TRLGraphicSurface* surface_;
};

// Helpers shared by the kinds that carry points and pens.
void offsetPoint(PagePoint& p, std::int32_t dx, std::int32_t dy);
void inflatePoint(PagePoint& p, double xf, double yf);
void inflatePenWidth(TRLMetaPen& pen, double xf);

class TRLPixelObject final : public TRLGraphicObject {
public:
    using TRLGraphicObject::TRLGraphicObject;
    ObjectKind kind() const override { return ObjectKind::Pixel; }
    void Accept(GraphicObjectVisitor& visitor) const override { visitor.visit(*this); }
    void Assign(const TRLGraphicObject& source) override;

    MetaColor Color;

protected:
    void saveData(ByteWriter& w) const override;
    void loadData(ByteReader& r) override;
};

class TRLLineObject final : public TRLGraphicObject {
public:
    using TRLGraphicObject::TRLGraphicObject;
    ObjectKind kind() const override { return ObjectKind::Line; }
    void Accept(GraphicObjectVisitor& visitor) const override { visitor.visit(*this); }
    void Assign(const TRLGraphicObject& source) override;
    void Offset(std::int32_t dx, std::int32_t dy) override;
    void Inflate(double xf, double yf) override;

    PagePoint StartPoint, EndPoint;
    TRLMetaPen Pen;
    TRLMetaBrush Brush;

protected:
    void saveData(ByteWriter& w) const override;
    void loadData(ByteReader& r) override;
};

class TRLRectangleObject final : public TRLGraphicObject {
public:
    using TRLGraphicObject::TRLGraphicObject;
    ObjectKind kind() const override { return ObjectKind::Rectangle; }
    void Accept(GraphicObjectVisitor& visitor) const override { visitor.visit(*this); }
    void Assign(const TRLGraphicObject& source) override;
    void Inflate(double xf, double yf) override;

    TRLMetaPen Pen;
    TRLMetaBrush Brush;

protected:
    void saveData(ByteWriter& w) const override;
    void loadData(ByteReader& r) override;
};

// Text alignment codes and option bits of text objects.
enum TextHAlign : std::uint8_t { haLeft = 1, haRight = 2, haCenter = 3, haJustify = 4 };
enum TextVAlign : std::uint8_t { vaTop = 1, vaBottom = 2, vaCenter = 3 };
enum TextOptionBits : std::uint16_t { toUnclipped = 1, toKeepWhole = 4 };

class TRLTextObject final : public TRLGraphicObject {
public:
    using TRLGraphicObject::TRLGraphicObject;
    ObjectKind kind() const override { return ObjectKind::Text; }
    void Accept(GraphicObjectVisitor& visitor) const override { visitor.visit(*this); }
    void Assign(const TRLGraphicObject& source) override;
    void Offset(std::int32_t dx, std::int32_t dy) override;
    void Inflate(double xf, double yf) override;

    // The face name through the page's FontNames list.
    std::string FontName() const;
    void SetFontName(const std::string& name);
    // Text with {name} variables of the page and its store substituted.
    std::string DisplayText() const;

    std::uint8_t HAlign = haLeft;
    std::uint8_t VAlign = vaTop;
    PagePoint Origin;
    std::uint16_t Options = toUnclipped | toKeepWhole;
    std::string Text; // Windows-1252 bytes
    TRLMetaBrush Brush;
    TRLMetaFont Font;

protected:
    void saveData(ByteWriter& w) const override;
    void loadData(ByteReader& r) override;
};

class TRLFillRectObject final : public TRLGraphicObject {
public:
    using TRLGraphicObject::TRLGraphicObject;
    ObjectKind kind() const override { return ObjectKind::FillRect; }
    void Accept(GraphicObjectVisitor& visitor) const override { visitor.visit(*this); }
    void Assign(const TRLGraphicObject& source) override;

    TRLMetaBrush Brush;

protected:
    void saveData(ByteWriter& w) const override;
    void loadData(ByteReader& r) override;
};

class TRLEllipseObject final : public TRLGraphicObject {
public:
    using TRLGraphicObject::TRLGraphicObject;
    ObjectKind kind() const override { return ObjectKind::Ellipse; }
    void Accept(GraphicObjectVisitor& visitor) const override { visitor.visit(*this); }
    void Assign(const TRLGraphicObject& source) override;
    void Inflate(double xf, double yf) override;

    TRLMetaPen Pen;
    TRLMetaBrush Brush;

protected:
    void saveData(ByteWriter& w) const override;
    void loadData(ByteReader& r) override;
};

class TRLPolygonObject final : public TRLGraphicObject {
public:
    using TRLGraphicObject::TRLGraphicObject;
    ObjectKind kind() const override { return ObjectKind::Polygon; }
    void Accept(GraphicObjectVisitor& visitor) const override { visitor.visit(*this); }
    void Assign(const TRLGraphicObject& source) override;
    void Offset(std::int32_t dx, std::int32_t dy) override;
    void Inflate(double xf, double yf) override;

    TRLMetaPen Pen;
    TRLMetaBrush Brush;
    std::vector<PagePoint> Points;

protected:
    void saveData(ByteWriter& w) const override;
    void loadData(ByteReader& r) override;
};

class TRLPolylineObject final : public TRLGraphicObject {
public:
    using TRLGraphicObject::TRLGraphicObject;
    ObjectKind kind() const override { return ObjectKind::Polyline; }
    void Accept(GraphicObjectVisitor& visitor) const override { visitor.visit(*this); }
    void Assign(const TRLGraphicObject& source) override;
    void Offset(std::int32_t dx, std::int32_t dy) override;
    void Inflate(double xf, double yf) override;

    TRLMetaPen Pen;
    std::vector<PagePoint> Points;

protected:
    void saveData(ByteWriter& w) const override;
    void loadData(ByteReader& r) override;
};

class TRLImageObject final : public TRLGraphicObject {
public:
    explicit TRLImageObject(TRLGraphicSurface& surface);
    ObjectKind kind() const override { return ObjectKind::Image; }
    void Accept(GraphicObjectVisitor& visitor) const override { visitor.visit(*this); }
    void Assign(const TRLGraphicObject& source) override;

    QByteArray PictureData; // tag + file image, see PictureData
    bool IntegralScale = false;

protected:
    void saveData(ByteWriter& w) const override;
    void loadData(ByteReader& r) override;
};

class TRLSetClipRectObject final : public TRLGraphicObject {
public:
    using TRLGraphicObject::TRLGraphicObject;
    ObjectKind kind() const override { return ObjectKind::SetClipRect; }
    void Accept(GraphicObjectVisitor& visitor) const override { visitor.visit(*this); }
};

class TRLResetClipRectObject final : public TRLGraphicObject {
public:
    using TRLGraphicObject::TRLGraphicObject;
    ObjectKind kind() const override { return ObjectKind::ResetClipRect; }
    void Accept(GraphicObjectVisitor& visitor) const override { visitor.visit(*this); }
};

// The process-wide drawing group counter: a control increments it before it
// draws, and every object created afterwards takes its current value.
std::int32_t currentDrawingGroup();
std::int32_t nextDrawingGroup();
// Starts the counting again; a report does so before it generates, so that the
// same report makes the same pages whatever was generated before it.
void resetDrawingGroups();

// Makes an empty object of a kind on a page, not yet registered; null for an unknown code.
std::unique_ptr<TRLGraphicObject> makeGraphicObject(int kindCode, TRLGraphicSurface& surface);

} // namespace rl
