#pragma once

#include "pagestore/units.h"
#include "report/paper_table.h"

#include <functional>

namespace rl {

// Paper size and orientation of a report. Any change calls OnChange, which the
// report uses to re-measure itself.
class TRLPageSetup {
public:
    TRLPaperSize PaperSize() const { return paperSize_; }
    // Any size but fpCustom takes the table's width and height; fpCustom keeps the current ones.
    void SetPaperSize(TRLPaperSize size);
    TRLPageOrientation Orientation() const { return orientation_; }
    void SetOrientation(TRLPageOrientation orientation);
    double PaperWidth() const { return paperWidth_; }
    double PaperHeight() const { return paperHeight_; }
    // Accepted only for fpCustom, when different and not 0; otherwise ignored silently.
    void SetPaperWidth(double mm);
    void SetPaperHeight(double mm);
    bool ForceEmulation = false;

    // The sheet as laid out: width and height swapped in landscape.
    double OrientedWidth() const { return orientation_ == poPortrait ? paperWidth_ : paperHeight_; }
    double OrientedHeight() const { return orientation_ == poPortrait ? paperHeight_ : paperWidth_; }

    void Assign(const TRLPageSetup& other);
    std::function<void()> OnChange;

private:
    void changed() {
        if (OnChange) OnChange();
    }
    TRLPaperSize paperSize_ = fpA4;
    TRLPageOrientation orientation_ = poPortrait;
    double paperWidth_ = 210;
    double paperHeight_ = 297;
};

// Margins of a site in millimetres. Setting a side to its current value does nothing.
class TRLMargins {
public:
    explicit TRLMargins(double defaultMm = 0)
        : left_(defaultMm), top_(defaultMm), right_(defaultMm), bottom_(defaultMm), default_(defaultMm) {
        updateUnits();
    }

    double LeftMargin() const { return left_; }
    double TopMargin() const { return top_; }
    double RightMargin() const { return right_; }
    double BottomMargin() const { return bottom_; }
    void SetLeftMargin(double mm) { set(left_, mm); }
    void SetTopMargin(double mm) { set(top_, mm); }
    void SetRightMargin(double mm) { set(right_, mm); }
    void SetBottomMargin(double mm) { set(bottom_, mm); }
    void SetAll(double mm);
    // Whether a side would be written to the form file (differs from its default).
    bool IsStored(double side) const { return side != default_; }
    void Assign(const TRLMargins& other);
    // The four sides in page units (left, top, right, bottom), kept converted:
    // layouts and fit tests read them for every band.
    const PageRect& Units() const { return units_; }

    std::function<void()> OnChange;

private:
    void set(double& side, double mm);
    void updateUnits() {
        units_ = {millimetresToUnits(left_), millimetresToUnits(top_), millimetresToUnits(right_),
                  millimetresToUnits(bottom_)};
    }
    double left_, top_, right_, bottom_, default_;
    PageRect units_;
};

} // namespace rl
