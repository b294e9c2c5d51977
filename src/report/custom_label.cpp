#include "report/custom_label.h"

#include "pagestore/picture_data.h"
#include "pagestore/text_measure.h"
#include "platform/windows1252.h"
#include "report/custom_report.h"
#include "report/custom_site.h"

namespace rl {

// ---- label

TRLCustomLabel::TRLCustomLabel(QObject* owner) : TRLCustomControl(owner) {
    SetBounds(0, 0, 65, 17);
    SetAutoSize(true);
}

void TRLCustomLabel::SetCaption(const std::string& caption) {
    caption_ = caption;
    ++captionVersion_;
    AdjustBounds();
}

bool TRLCustomLabel::CanPrint() {
    printIt_ = Visible;
    if (printIt_ && TRLCustomControl::BeforePrint) TRLCustomControl::BeforePrint(this, printIt_);
    if (!printIt_) return false;
    if (!BeforePrintText) {
        AdjustBounds(); // the caption is set to itself
        return printIt_;
    }
    std::string text = caption_;
    BeforePrintText(this, text, printIt_);
    if (printIt_) SetCaption(text);
    return printIt_;
}

QSize TRLCustomLabel::CaptionSize(const SurfaceFont& font) {
    if (!measured_ || measuredVersion_ != captionVersion_ || !(font == measuredFont_)) {
        measuredSize_ = measureTextWithSpace(font, caption_);
        measuredVersion_ = captionVersion_;
        measuredFont_ = font;
        measured_ = true;
    }
    return measuredSize_;
}

QSize TRLCustomLabel::Measure() {
    if (!AutoSize()) return QSize(Width(), Height());
    // Outside a run an empty label shows its name, as in a designer; while a report
    // is prepared it stays empty, so an empty line still takes one space.
    bool showsName = false;
    if (caption_.empty()) {
        const TRLCustomReport* report = FindParentReport();
        showsName = !report || !report->Preparing();
    }
    const QByteArray name = showsName ? toWindows1252(Name()) : QByteArray();
    const QSize size = showsName
                           ? measureTextWithSpace(EffectiveFont(), {name.constData(), size_t(name.size())})
                           : CaptionSize(EffectiveFont());
    return QSize(size.width() + BorderExtraWidth(), size.height() + BorderExtraHeight());
}

PageRect TRLCustomLabel::AlignMeasured(const PageRect& old, std::int32_t w, std::int32_t h) const {
    PageRect r{old.left, old.top, old.left + w, old.top + h};
    switch (Alignment) {
    case taRightJustify:
        r.left = old.right - w;
        r.right = old.right;
        break;
    case taCenter:
        r.left = old.left + (old.width() - (w % 2) - w) / 2;
        r.right = r.left + w + (w % 2);
        break;
    default:
        break;
    }
    switch (Layout) {
    case tlCenter:
        r.top = old.top + (old.height() - (h % 2) - h) / 2;
        r.bottom = r.top + h + (h % 2);
        break;
    case tlBottom:
        r.top = old.bottom - h;
        r.bottom = old.bottom;
        break;
    default:
        break;
    }
    return r;
}

void TRLCustomLabel::DoPrintControl(TRLGraphicSurface& page) {
    TRLCustomControl::DoPrintControl(page);
    const PageRect r = PrintRect();
    page.CurrentDrawer = this;
    nextDrawingGroup();
    page.DrawFont = EffectiveFont();
    const std::string& t = caption_;
    const std::int32_t s = page.TextWidth(" ") / 2;
    const QSize size = CaptionSize(page.DrawFont);
    const std::int32_t w = size.width(), h = size.height();

    std::int32_t x;
    switch (Alignment) {
    case taRightJustify:
        x = s + r.right - w;
        break;
    case taCenter:
        x = s + (r.left + r.right - w) / 2;
        break;
    default:
        x = s + r.left;
        break;
    }
    std::int32_t y;
    switch (Layout) {
    case tlCenter:
        y = (r.top + r.bottom - h) / 2;
        break;
    case tlBottom:
        y = r.bottom - h;
        break;
    default:
        y = r.top;
        break;
    }
    static constexpr std::uint8_t kHCode[] = {haLeft, haRight, haCenter, haJustify};
    const std::uint8_t vCode = Layout == tlCenter ? vaCenter : Layout == tlBottom ? vaBottom : vaTop;
    page.DrawBrush.Style = std::uint8_t(BrushStyle::Clear);
    page.TextRect(r, x, y, t, kHCode[int(Alignment) & 3], vCode,
                  AutoSize() ? std::uint16_t(toUnclipped | toKeepWhole) : std::uint16_t(toKeepWhole));
}

// ---- image

TRLCustomImage::TRLCustomImage(QObject* owner) : TRLCustomControl(owner), picture_(PictureData::kNil) {
    SetBounds(0, 0, 105, 105);
}

bool TRLCustomImage::hasPicture() const {
    return !PictureData::size(picture_).isEmpty();
}

void TRLCustomImage::SetPicture(const QByteArray& pictureData) {
    picture_ = pictureData.isEmpty() ? QByteArray(PictureData::kNil) : pictureData;
    const QSize size = PictureData::size(picture_);
    if (AutoSize() && size.width() > 0 && size.height() > 0)
        SetBounds(Left(), Top(), size.width() + BorderExtraWidth(), size.height() + BorderExtraHeight());
}

void TRLCustomImage::SetStretch(bool v) {
    stretch_ = v;
    if (v) scaled_ = false;
}

void TRLCustomImage::SetScaled(bool v) {
    scaled_ = v;
    if (v) stretch_ = false;
}

QSize TRLCustomImage::Measure() {
    const QSize size = PictureData::size(picture_);
    if (!AutoSize() || size.isEmpty()) return QSize(Width(), Height());
    return QSize(size.width() + BorderExtraWidth(), size.height() + BorderExtraHeight());
}

void TRLCustomImage::DoPrintControl(TRLGraphicSurface& page) {
    TRLCustomControl::DoPrintControl(page);
    const PageRect r = PrintRect();
    if (!hasPicture()) return;
    page.CurrentDrawer = this;
    nextDrawingGroup();
    if (scaled_)
        page.ScaleDraw(r, picture_, Center);
    else if (stretch_)
        page.StretchDraw(r, picture_, false);
    else
        page.ClipDraw(r, picture_, Center);
}

} // namespace rl
