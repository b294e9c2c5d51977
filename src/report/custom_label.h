#pragma once

#include "report/custom_control.h"

#include <string>

namespace rl {

// A line of text. The caption is Windows-1252 bytes.
class TRLCustomLabel : public TRLCustomControl {
    Q_OBJECT
public:
    explicit TRLCustomLabel(QObject* owner = nullptr);

    const std::string& Caption() const { return caption_; }
    // Stores the text and re-measures (an auto-sized label and its band follow at once).
    void SetCaption(const std::string& caption);
    TRLTextAlignment Alignment = taLeftJustify;
    TRLTextLayout Layout = tlTop;

    // Fired while deciding whether the label prints; may change the text.
    std::function<void(TRLCustomLabel* sender, std::string& text, bool& printIt)> BeforePrintText;

    bool CanPrint() override;

protected:
    QSize Measure() override;
    PageRect AlignMeasured(const PageRect& old, std::int32_t width, std::int32_t height) const override;
    void DoPrintControl(TRLGraphicSurface& page) override;

private:
    // Width and height of the caption followed by one space in a font. A label
    // is measured several times per print with the same caption and font, so
    // the last answer is kept, for the caption as last set.
    QSize CaptionSize(const SurfaceFont& font);

    std::string caption_;
    std::uint64_t captionVersion_ = 0; // counts SetCaption calls
    std::uint64_t measuredVersion_ = 0;
    SurfaceFont measuredFont_;
    QSize measuredSize_;
    bool measured_ = false;
};

class TRLLabel : public TRLCustomLabel {
    Q_OBJECT
public:
    using TRLCustomLabel::TRLCustomLabel;
};

// A picture, held as PictureData (see pagestore/picture_data.h).
class TRLCustomImage : public TRLCustomControl {
    Q_OBJECT
public:
    explicit TRLCustomImage(QObject* owner = nullptr);

    const QByteArray& Picture() const { return picture_; }
    // An auto-sized image takes the picture's size at once when both sides are positive.
    void SetPicture(const QByteArray& pictureData);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool v);
    bool Scaled() const { return scaled_; }
    void SetScaled(bool v);
    bool Center = false;

protected:
    QSize Measure() override;
    void DoPrintControl(TRLGraphicSurface& page) override;

private:
    bool hasPicture() const;
    QByteArray picture_;
    bool stretch_ = false;
    bool scaled_ = false;
};

class TRLImage : public TRLCustomImage {
    Q_OBJECT
public:
    using TRLCustomImage::TRLCustomImage;
};

} // namespace rl
