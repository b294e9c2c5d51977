#include "pagestore/graphic_object.h"

#include "pagestore/byte_stream.h"
#include "pagestore/graphic_surface.h"
#include "platform/error.h"

#include <atomic>
#include <new>

#if defined(__has_include)
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

namespace rl {

namespace {
std::atomic<std::uint32_t> g_drawingGroup{0};

void writeRect(ByteWriter& w, const PageRect& r) {
    w.int32(r.left);
    w.int32(r.top);
    w.int32(r.right);
    w.int32(r.bottom);
}
void writePoint(ByteWriter& w, const PagePoint& p) {
    w.int32(p.x);
    w.int32(p.y);
}
PagePoint readPoint(ByteReader& r) {
    PagePoint p;
    p.x = r.int32();
    p.y = r.int32();
    return p;
}
void writePoints(ByteWriter& w, const std::vector<PagePoint>& points) {
    w.int32(std::int32_t(points.size()));
    for (const PagePoint& p : points)
        writePoint(w, p);
}
std::vector<PagePoint> readPoints(ByteReader& r) {
    const std::int32_t n = r.count(8);
    std::vector<PagePoint> points;
    points.reserve(size_t(n));
    for (std::int32_t i = 0; i < n; ++i)
        points.push_back(readPoint(r));
    return points;
}

// Freed drawing objects per thread, by size in steps of 16 bytes. A page of a
// long report makes and frees hundreds of small objects, and the allocator's
// own caches hold only a few of each size. A thread's pool is made with its
// first object and hands its blocks back when the thread ends; frees after
// that go straight back too. Under AddressSanitizer a kept block is poisoned,
// so a use after free is still reported.
constexpr std::size_t kPoolStep = 16;
constexpr std::size_t kPoolClasses = 16; // blocks up to 256 bytes
constexpr int kPoolKeep = 4096;          // per class and thread

struct PoolBlock {
    PoolBlock* next;
};

thread_local bool t_poolClosed = false; // plain data: readable until the thread is gone

struct ObjectPool {
    PoolBlock* heads[kPoolClasses] = {};
    int counts[kPoolClasses] = {};
    ~ObjectPool() {
        t_poolClosed = true;
        for (std::size_t c = 0; c < kPoolClasses; ++c)
            while (PoolBlock* block = heads[c]) {
                ASAN_UNPOISON_MEMORY_REGION(block, (c + 1) * kPoolStep);
                heads[c] = block->next;
                ::operator delete(block);
            }
    }
};

ObjectPool& threadPool() {
    thread_local ObjectPool pool;
    return pool;
}

std::size_t poolClass(std::size_t size) {
    return (size + kPoolStep - 1) / kPoolStep - 1;
}

template <class T> const T& sameKind(const TRLGraphicObject& source, const TRLGraphicObject& target) {
    if (source.kind() != target.kind()) throw Error("Cannot assign a drawing object of another kind");
    return static_cast<const T&>(source);
}
} // namespace

std::int32_t currentDrawingGroup() {
    return std::int32_t(g_drawingGroup.load(std::memory_order_relaxed));
}
std::int32_t nextDrawingGroup() {
    return std::int32_t(g_drawingGroup.fetch_add(1, std::memory_order_relaxed) + 1);
}
void resetDrawingGroups() {
    g_drawingGroup.store(0, std::memory_order_relaxed);
}

void offsetPoint(PagePoint& p, std::int32_t dx, std::int32_t dy) {
    p.x = wrapAdd(p.x, dx);
    p.y = wrapAdd(p.y, dy);
}

void inflatePoint(PagePoint& p, double xf, double yf) {
    p.x = roundEven(p.x * xf);
    p.y = roundEven(p.y * yf);
}

void inflatePenWidth(TRLMetaPen& pen, double xf) {
    if (pen.Width != 0) pen.Width = std::max(1, roundEven(pen.Width * xf));
}

// ---- base

void* TRLGraphicObject::operator new(std::size_t size) {
    const std::size_t c = poolClass(size);
    if (c >= kPoolClasses) return ::operator new(size);
    if (!t_poolClosed) {
        ObjectPool& pool = threadPool();
        if (PoolBlock* block = pool.heads[c]) {
            ASAN_UNPOISON_MEMORY_REGION(block, (c + 1) * kPoolStep);
            pool.heads[c] = block->next;
            --pool.counts[c];
            return block;
        }
    }
    // Always the whole class size: the block may be kept by another thread's pool.
    return ::operator new((c + 1) * kPoolStep);
}

void TRLGraphicObject::operator delete(void* memory, std::size_t size) noexcept {
    if (!memory) return;
    const std::size_t c = poolClass(size);
    if (c >= kPoolClasses || t_poolClosed) {
        ::operator delete(memory);
        return;
    }
    ObjectPool& pool = threadPool();
    if (pool.counts[c] >= kPoolKeep) {
        ::operator delete(memory);
        return;
    }
    auto* block = static_cast<PoolBlock*>(memory);
    block->next = pool.heads[c];
    pool.heads[c] = block;
    ++pool.counts[c];
    ASAN_POISON_MEMORY_REGION(block, (c + 1) * kPoolStep);
}

TRLGraphicObject::TRLGraphicObject(TRLGraphicSurface& surface)
    : Group(currentDrawingGroup()), surface_(&surface) {}

void TRLGraphicObject::SaveToStream(ByteWriter& w) const {
    writeRect(w, Bounds);
    w.int32(Group);
    w.int32(DrawerId);
    saveData(w);
}

void TRLGraphicObject::LoadFromStream(ByteReader& r) {
    Bounds.left = r.int32();
    Bounds.top = r.int32();
    Bounds.right = r.int32();
    Bounds.bottom = r.int32();
    Group = r.int32();
    DrawerId = r.int32();
    loadData(r);
}

void TRLGraphicObject::Assign(const TRLGraphicObject& source) {
    Bounds = source.Bounds;
    Group = source.Group;
    DrawerId = source.DrawerId;
}

void TRLGraphicObject::Offset(std::int32_t dx, std::int32_t dy) {
    Bounds.left = wrapAdd(Bounds.left, dx);
    Bounds.right = wrapAdd(Bounds.right, dx);
    Bounds.top = wrapAdd(Bounds.top, dy);
    Bounds.bottom = wrapAdd(Bounds.bottom, dy);
}

void TRLGraphicObject::Inflate(double xf, double yf) {
    Bounds.left = roundEven(Bounds.left * xf);
    Bounds.top = roundEven(Bounds.top * yf);
    Bounds.right = roundEven(Bounds.right * xf);
    Bounds.bottom = roundEven(Bounds.bottom * yf);
}

// ---- pixel

void TRLPixelObject::Assign(const TRLGraphicObject& source) {
    const auto& s = sameKind<TRLPixelObject>(source, *this);
    TRLGraphicObject::Assign(s);
    Color = s.Color;
}
void TRLPixelObject::saveData(ByteWriter& w) const {
    w.byte(Color.red);
    w.byte(Color.green);
    w.byte(Color.blue);
}
void TRLPixelObject::loadData(ByteReader& r) {
    Color.red = r.byte();
    Color.green = r.byte();
    Color.blue = r.byte();
}

// ---- line

void TRLLineObject::Assign(const TRLGraphicObject& source) {
    const auto& s = sameKind<TRLLineObject>(source, *this);
    TRLGraphicObject::Assign(s);
    StartPoint = s.StartPoint;
    EndPoint = s.EndPoint;
    Pen = s.Pen;
    Brush = s.Brush;
}
void TRLLineObject::Offset(std::int32_t dx, std::int32_t dy) {
    TRLGraphicObject::Offset(dx, dy);
    offsetPoint(StartPoint, dx, dy);
    offsetPoint(EndPoint, dx, dy);
}
void TRLLineObject::Inflate(double xf, double yf) {
    TRLGraphicObject::Inflate(xf, yf);
    inflatePoint(StartPoint, xf, yf);
    inflatePoint(EndPoint, xf, yf);
    inflatePenWidth(Pen, xf);
}
void TRLLineObject::saveData(ByteWriter& w) const {
    writePoint(w, StartPoint);
    writePoint(w, EndPoint);
    Pen.write(w);
    Brush.write(w);
}
void TRLLineObject::loadData(ByteReader& r) {
    StartPoint = readPoint(r);
    EndPoint = readPoint(r);
    Pen.read(r);
    Brush.read(r);
}

// ---- rectangle

void TRLRectangleObject::Assign(const TRLGraphicObject& source) {
    const auto& s = sameKind<TRLRectangleObject>(source, *this);
    TRLGraphicObject::Assign(s);
    Pen = s.Pen;
    Brush = s.Brush;
}
void TRLRectangleObject::Inflate(double xf, double yf) {
    TRLGraphicObject::Inflate(xf, yf);
    inflatePenWidth(Pen, xf);
}
void TRLRectangleObject::saveData(ByteWriter& w) const {
    Pen.write(w);
    Brush.write(w);
}
void TRLRectangleObject::loadData(ByteReader& r) {
    Pen.read(r);
    Brush.read(r);
}

// ---- text

std::string TRLTextObject::FontName() const {
    return Surface().FontNameAt(Font.NameIndex);
}

void TRLTextObject::SetFontName(const std::string& name) {
    Font.NameIndex = Surface().FontNameIndex(name);
}

std::string TRLTextObject::DisplayText() const {
    return Surface().SubstituteVariables(Text);
}

void TRLTextObject::Assign(const TRLGraphicObject& source) {
    const auto& s = sameKind<TRLTextObject>(source, *this);
    TRLGraphicObject::Assign(s);
    HAlign = s.HAlign;
    VAlign = s.VAlign;
    Origin = s.Origin;
    Options = s.Options;
    Text = s.Text;
    Brush = s.Brush;
    Font = s.Font;
    // The name index belongs to the source's page: look the name up in ours.
    SetFontName(s.FontName());
}
void TRLTextObject::Offset(std::int32_t dx, std::int32_t dy) {
    TRLGraphicObject::Offset(dx, dy);
    offsetPoint(Origin, dx, dy);
}
void TRLTextObject::Inflate(double xf, double yf) {
    TRLGraphicObject::Inflate(xf, yf);
    inflatePoint(Origin, xf, yf);
    Font.Size = roundEven(Font.Size * yf);
}
void TRLTextObject::saveData(ByteWriter& w) const {
    w.byte(HAlign);
    w.byte(VAlign);
    writePoint(w, Origin);
    w.int16(std::int16_t(Options));
    w.string(Text);
    Brush.write(w);
    Font.write(w);
}
void TRLTextObject::loadData(ByteReader& r) {
    HAlign = r.byte();
    VAlign = r.byte();
    Origin = readPoint(r);
    Options = std::uint16_t(r.int16());
    Text = r.string();
    Brush.read(r);
    Font.read(r);
}

// ---- fill rectangle

void TRLFillRectObject::Assign(const TRLGraphicObject& source) {
    const auto& s = sameKind<TRLFillRectObject>(source, *this);
    TRLGraphicObject::Assign(s);
    Brush = s.Brush;
}
void TRLFillRectObject::saveData(ByteWriter& w) const {
    Brush.write(w);
}
void TRLFillRectObject::loadData(ByteReader& r) {
    Brush.read(r);
}

// ---- ellipse

void TRLEllipseObject::Assign(const TRLGraphicObject& source) {
    const auto& s = sameKind<TRLEllipseObject>(source, *this);
    TRLGraphicObject::Assign(s);
    Pen = s.Pen;
    Brush = s.Brush;
}
void TRLEllipseObject::Inflate(double xf, double yf) {
    TRLGraphicObject::Inflate(xf, yf);
    inflatePenWidth(Pen, xf);
}
void TRLEllipseObject::saveData(ByteWriter& w) const {
    Pen.write(w);
    Brush.write(w);
}
void TRLEllipseObject::loadData(ByteReader& r) {
    Pen.read(r);
    Brush.read(r);
}

// ---- polygon

void TRLPolygonObject::Assign(const TRLGraphicObject& source) {
    const auto& s = sameKind<TRLPolygonObject>(source, *this);
    TRLGraphicObject::Assign(s);
    Pen = s.Pen;
    Brush = s.Brush;
    Points = s.Points;
}
void TRLPolygonObject::Offset(std::int32_t dx, std::int32_t dy) {
    TRLGraphicObject::Offset(dx, dy);
    for (PagePoint& p : Points)
        offsetPoint(p, dx, dy);
}
void TRLPolygonObject::Inflate(double xf, double yf) {
    TRLGraphicObject::Inflate(xf, yf);
    for (PagePoint& p : Points)
        inflatePoint(p, xf, yf);
    inflatePenWidth(Pen, xf);
}
void TRLPolygonObject::saveData(ByteWriter& w) const {
    Pen.write(w);
    Brush.write(w);
    writePoints(w, Points);
}
void TRLPolygonObject::loadData(ByteReader& r) {
    Pen.read(r);
    Brush.read(r);
    Points = readPoints(r);
}

// ---- polyline

void TRLPolylineObject::Assign(const TRLGraphicObject& source) {
    const auto& s = sameKind<TRLPolylineObject>(source, *this);
    TRLGraphicObject::Assign(s);
    Pen = s.Pen;
    Points = s.Points;
}
void TRLPolylineObject::Offset(std::int32_t dx, std::int32_t dy) {
    TRLGraphicObject::Offset(dx, dy);
    for (PagePoint& p : Points)
        offsetPoint(p, dx, dy);
}
void TRLPolylineObject::Inflate(double xf, double yf) {
    TRLGraphicObject::Inflate(xf, yf);
    for (PagePoint& p : Points)
        inflatePoint(p, xf, yf);
    inflatePenWidth(Pen, xf);
}
void TRLPolylineObject::saveData(ByteWriter& w) const {
    Pen.write(w);
    writePoints(w, Points);
}
void TRLPolylineObject::loadData(ByteReader& r) {
    Pen.read(r);
    Points = readPoints(r);
}

// ---- image

TRLImageObject::TRLImageObject(TRLGraphicSurface& surface) : TRLGraphicObject(surface), PictureData("NIL") {}

void TRLImageObject::Assign(const TRLGraphicObject& source) {
    const auto& s = sameKind<TRLImageObject>(source, *this);
    TRLGraphicObject::Assign(s);
    PictureData = s.PictureData;
    IntegralScale = s.IntegralScale;
}
void TRLImageObject::saveData(ByteWriter& w) const {
    w.int32(std::int32_t(PictureData.size()));
    w.bytes(PictureData.constData(), PictureData.size());
    w.byte(IntegralScale ? 1 : 0);
}
void TRLImageObject::loadData(ByteReader& r) {
    const std::string data = r.string();
    PictureData = QByteArray(data.data(), qsizetype(data.size()));
    IntegralScale = r.byte() != 0;
}

// ---- factory

std::unique_ptr<TRLGraphicObject> makeGraphicObject(int kindCode, TRLGraphicSurface& surface) {
    switch (ObjectKind(kindCode)) {
    case ObjectKind::Pixel:
        return std::make_unique<TRLPixelObject>(surface);
    case ObjectKind::Line:
        return std::make_unique<TRLLineObject>(surface);
    case ObjectKind::Rectangle:
        return std::make_unique<TRLRectangleObject>(surface);
    case ObjectKind::Text:
        return std::make_unique<TRLTextObject>(surface);
    case ObjectKind::FillRect:
        return std::make_unique<TRLFillRectObject>(surface);
    case ObjectKind::Ellipse:
        return std::make_unique<TRLEllipseObject>(surface);
    case ObjectKind::Polygon:
        return std::make_unique<TRLPolygonObject>(surface);
    case ObjectKind::Polyline:
        return std::make_unique<TRLPolylineObject>(surface);
    case ObjectKind::Image:
        return std::make_unique<TRLImageObject>(surface);
    case ObjectKind::SetClipRect:
        return std::make_unique<TRLSetClipRectObject>(surface);
    case ObjectKind::ResetClipRect:
        return std::make_unique<TRLResetClipRectObject>(surface);
    }
    return nullptr;
}

} // namespace rl
