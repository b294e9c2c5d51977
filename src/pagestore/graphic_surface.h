#pragma once

#include "pagestore/graphic_object.h"
#include "pagestore/meta_records.h"
#include "pagestore/units.h"
#include "pagestore/variable_list.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QIODevice;
class QPainter;
class QRect;

namespace rl {

class ByteWriter;
class TRLGraphicStorage;

// The platform font a page draws text with; copied into the font record of
// every text object created. Height is derived from Size at PixelsPerInch.
struct SurfaceFont {
    std::string Name = "Orator10 BT"; // Windows-1252 bytes
    std::int32_t Size = 8;            // points
    std::uint8_t Style = 0;           // FontStyleBits
    MetaColor Color;
    std::uint8_t Charset = 1;
    std::uint8_t Pitch = std::uint8_t(FontPitch::Default);
    std::int32_t PixelsPerInch = 96;

    std::int32_t Height() const { return -mulDiv(Size, PixelsPerInch, 72); }
    friend bool operator==(const SurfaceFont&, const SurfaceFont&) = default;
};

// One page: an ordered list of drawing objects plus the state used while
// building it. Pages handed to a store belong to it (TRLGraphicStorage::Add).
//
// Not thread-safe. A page read back from a store is only valid until the next
// Add or Pages call on that store.
class TRLGraphicSurface {
public:
    TRLGraphicSurface();
    ~TRLGraphicSurface();
    TRLGraphicSurface(const TRLGraphicSurface&) = delete;
    TRLGraphicSurface& operator=(const TRLGraphicSurface&) = delete;

    // ---- identity and content
    TRLGraphicStorage* Store() const { return store_; }
    void SetStore(TRLGraphicStorage* store) { store_ = store; }
    std::int32_t PageSlot = -1;

    const std::vector<std::unique_ptr<TRLGraphicObject>>& Items() const { return items_; }
    int ObjectCount() const { return int(items_.size()); }
    TRLGraphicObject* Objects(int index) const { return items_.at(size_t(index)).get(); }

    PagePoint PenPosition;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    TRLMetaBrush DrawBrush{{255, 255, 255}, std::uint8_t(BrushStyle::Solid)};
    TRLMetaPen DrawPen{{0, 0, 0}, std::uint8_t(PenMode::Copy), std::uint8_t(PenStyle::Solid), 1};
    SurfaceFont DrawFont;
    PageRect ContentRect;
    bool IsOpen = false;
    bool IsDirty = false;
    std::vector<std::string> FontNames;
    std::vector<PageRect> SavedClips; // newest last
    PageRect CurrentClip;
    const void* CurrentDrawer = nullptr; // the control drawing now; never stored
    VariableList Variables;

    // ---- variables
    std::int32_t Orientation() const { return Variables.integerValue("Orientation", 1); }
    void SetOrientation(std::int32_t value) { Variables.setInteger("Orientation", value); }
    double PaperWidth() const { return Variables.numberValue("PaperWidth", 0); }
    void SetPaperWidth(double mm) { Variables.setNumber("PaperWidth", mm); }
    double PaperHeight() const { return Variables.numberValue("PaperHeight", 0); }
    void SetPaperHeight(double mm) { Variables.setNumber("PaperHeight", mm); }

    // Text with {name} replaced by the page's, else the store's, variable.
    std::string SubstituteVariables(const std::string& text) const;

    // Index of a face name in FontNames (case-insensitive), appended when absent.
    std::int32_t FontNameIndex(const std::string& name);
    // Empty when the index is out of range.
    std::string FontNameAt(std::int32_t index) const;

    // ---- building
    void Open();
    void Close() { IsOpen = false; }
    void Clear();

    // Opens the page, marks it dirty and appends a new object of kind T.
    template <class T> T& AddObject() {
        Open();
        IsDirty = true;
        auto object = std::make_unique<T>(*this);
        T& ref = *object;
        items_.push_back(std::move(object));
        return ref;
    }

    void FillRect(const PageRect& rect);
    void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    TRLTextObject& TextRect(const PageRect& rect, std::int32_t originX, std::int32_t originY,
                            const std::string& text, std::uint8_t hAlign, std::uint8_t vAlign,
                            std::uint16_t options);
    // Measured in DrawFont at 96 dpi, independent of any screen.
    std::int32_t TextWidth(const std::string& text) const;
    std::int32_t TextHeight(const std::string& text) const;

    // Pictures are PictureData (tag + file image).
    void Draw(std::int32_t x, std::int32_t y, const QByteArray& picture, bool integralScale);
    void StretchDraw(const PageRect& rect, const QByteArray& picture, bool integralScale);
    void ScaleDraw(const PageRect& rect, const QByteArray& picture, bool center);
    void ClipDraw(const PageRect& rect, const QByteArray& picture, bool center);

    void SetClipRect(const PageRect& rect);
    void ResetClipRect();

    void DrawPage(std::int32_t x, std::int32_t y, const TRLGraphicSurface& other);
    // DrawPage at (0, 0) of a page that is not needed afterwards: its objects
    // move here instead of being copied, and it is left without objects.
    void MovePage(TRLGraphicSurface& other);
    void CopyRect(const PageRect& destination, const TRLGraphicSurface& other, const PageRect& source);
    bool FindFreeRow(std::int32_t y, std::int32_t& freeY) const;

    // ---- output
    // Paints the whole page scaled into r on the painter's device.
    void PaintTo(QPainter& painter, const QRect& r) const;

    void SaveToStream(QIODevice& stream) const;
    // Reads a serialized page from the stream's position; throws rl::Error
    // ("File is corrupted!" for a bad signature) and leaves the page cleared on failure.
    void LoadFromStream(QIODevice& stream);
    // The same on memory: the serialized page and its byte count.
    QByteArray SaveToBytes() const;
    // Appends the serialized page to a writer.
    void SaveTo(ByteWriter& w) const;
    // Reads from data, returns the number of bytes consumed.
    qsizetype LoadFromBytes(const char* data, qsizetype size);

private:
    TRLGraphicObject& adopt(std::unique_ptr<TRLGraphicObject> object);

    TRLGraphicStorage* store_ = nullptr;
    std::vector<std::unique_ptr<TRLGraphicObject>> items_;
};

inline constexpr char kPageSignature[] = "RLGraphicSurface3\x1A";
inline constexpr int kPageSignatureSize = 18;

} // namespace rl
