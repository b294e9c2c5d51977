#include "report/custom_site.h"

#include "report/custom_pager.h"

#include <algorithm>

namespace rl {

namespace {

void place(TRLCustomControl* c, std::int32_t l, std::int32_t t, std::int32_t w, std::int32_t h) {
    c->SetBounds(l, t, std::max(0, w), std::max(0, h));
}

// Shares a length evenly among n controls, the last taking the rest.
std::int32_t shareOf(std::int32_t length, size_t n, size_t i) {
    const std::int32_t each = length / std::int32_t(n);
    return i + 1 == n ? length - each * std::int32_t(n - 1) : each;
}

} // namespace

TRLCustomSite::TRLCustomSite(QObject* owner)
    : TRLCustomControl(owner), surface_(std::make_unique<TRLGraphicSurface>()) {
    Margins.OnChange = [this] { Realign(); };
    InsideMargins.OnChange = [this] { Realign(); };
}

TRLCustomSite::~TRLCustomSite() = default;

const std::vector<TRLCustomControl*>& TRLCustomSite::collectClass(TRLControlAlign align,
                                                                  LayoutPosition position) {
    layoutClass_.clear();
    for (TRLCustomControl* c : layoutChildren_)
        if (c->Align() == align) layoutClass_.push_back(c);
    // A stable insertion sort: few children, and no allocation as stable_sort makes.
    auto before = [&](const TRLCustomControl* a, const TRLCustomControl* b) {
        if (a->AlignRank() != b->AlignRank()) return a->AlignRank() < b->AlignRank();
        if (a->AlignGroup() != b->AlignGroup()) return a->AlignGroup() < b->AlignGroup();
        return position(a) < position(b);
    };
    for (size_t i = 1; i < layoutClass_.size(); ++i) {
        TRLCustomControl* c = layoutClass_[i];
        size_t j = i;
        for (; j > 0 && before(c, layoutClass_[j - 1]); --j)
            layoutClass_[j] = layoutClass_[j - 1];
        layoutClass_[j] = c;
    }
    return layoutClass_;
}

PageRect TRLCustomSite::SiteClientRect() const {
    PageRect r = ClientRect();
    const PageRect& m = Margins.Units();
    const PageRect& inside = InsideMargins.Units();
    r.left += m.left + inside.left;
    r.top += m.top + inside.top;
    r.right -= m.right + inside.right;
    r.bottom -= m.bottom + inside.bottom;
    return r;
}

void TRLCustomSite::BoundsChanged(const PageRect& old) {
    Realign();
    TRLCustomControl::BoundsChanged(old);
}

void TRLCustomSite::Realign() {
    if (aligning_) return;
    aligning_ = true;
    try {
        layoutChildren_.clear();
        layoutAligns_ = 0;
        for (TRLCustomControl* c : Controls()) {
            if (!c->Visible) continue;
            layoutChildren_.push_back(c);
            layoutAligns_ |= 1u << c->Align();
        }
        PageRect free = SiteClientRect();
        auto left = [](const TRLCustomControl* c) { return std::int64_t(c->Left()); };
        auto top = [](const TRLCustomControl* c) { return std::int64_t(c->Top()); };
        auto right = [](const TRLCustomControl* c) { return -std::int64_t(c->Left() + c->Width()); };
        auto bottom = [](const TRLCustomControl* c) { return -std::int64_t(c->Top() + c->Height()); };

        // 1. Leftmost and rightmost, full height.
        for (auto* c : ofClass(faLeftMost, left)) {
            place(c, free.left, free.top, c->Width(), free.height());
            free.left += c->Width();
        }
        for (auto* c : ofClass(faRightMost, right)) {
            place(c, free.right - c->Width(), free.top, c->Width(), free.height());
            free.right -= c->Width();
        }
        // 2. Top and bottom, full width.
        for (auto* c : ofClass(faTop, top)) {
            place(c, free.left, free.top, free.width(), c->Height());
            free.top += c->Height();
        }
        for (auto* c : ofClass(faBottom, bottom)) {
            place(c, free.left, free.bottom - c->Height(), free.width(), c->Height());
            free.bottom -= c->Height();
        }
        // 3. Left and right in the remaining height.
        for (auto* c : ofClass(faLeft, left)) {
            place(c, free.left, free.top, c->Width(), free.height());
            free.left += c->Width();
        }
        for (auto* c : ofClass(faRight, right)) {
            place(c, free.right - c->Width(), free.top, c->Width(), free.height());
            free.right -= c->Width();
        }
        // 4. Client: the remaining width shared evenly.
        {
            const auto& clients = ofClass(faClient, left);
            std::int32_t x = free.left;
            for (size_t i = 0; i < clients.size(); ++i) {
                const std::int32_t w = shareOf(free.width(), clients.size(), i);
                place(clients[i], x, free.top, w, free.height());
                x += w;
            }
        }
        // 5. Corners, then the client edges between them.
        if (hasAnyAlign({faLeftTop, faRightTop, faLeftBottom, faRightBottom, faClientTop, faClientBottom,
                         faClientLeft, faClientRight})) {
            std::int32_t x = free.left;
            for (auto* c : ofClass(faLeftTop, left)) {
                place(c, x, free.top, c->Width(), c->Height());
                x += c->Width();
            }
            const std::int32_t topLeftEnd = x;
            x = free.right;
            for (auto* c : ofClass(faRightTop, right)) {
                place(c, x - c->Width(), free.top, c->Width(), c->Height());
                x -= c->Width();
            }
            const std::int32_t topRightStart = x;
            x = free.left;
            for (auto* c : ofClass(faLeftBottom, left)) {
                place(c, x, free.bottom - c->Height(), c->Width(), c->Height());
                x += c->Width();
            }
            const std::int32_t bottomLeftEnd = x;
            x = free.right;
            for (auto* c : ofClass(faRightBottom, right)) {
                place(c, x - c->Width(), free.bottom - c->Height(), c->Width(), c->Height());
                x -= c->Width();
            }
            const std::int32_t bottomRightStart = x;
            auto shareAlong = [&](TRLControlAlign align, std::int32_t from, std::int32_t to, bool atTop) {
                const auto& items = ofClass(align, left);
                std::int32_t at = from;
                for (size_t i = 0; i < items.size(); ++i) {
                    const std::int32_t w = shareOf(to - from, items.size(), i);
                    auto* c = items[i];
                    place(c, at, atTop ? free.top : free.bottom - c->Height(), w, c->Height());
                    at += w;
                }
            };
            shareAlong(faClientTop, topLeftEnd, topRightStart, true);
            shareAlong(faClientBottom, bottomLeftEnd, bottomRightStart, false);
            auto shareDown = [&](TRLControlAlign align, bool atLeft) {
                const auto& items = ofClass(align, top);
                std::int32_t at = free.top;
                for (size_t i = 0; i < items.size(); ++i) {
                    const std::int32_t h = shareOf(free.height(), items.size(), i);
                    auto* c = items[i];
                    place(c, atLeft ? free.left : free.right - c->Width(), at, c->Width(), h);
                    at += h;
                }
            };
            shareDown(faClientLeft, true);
            shareDown(faClientRight, false);
        }
        // 6. One coordinate snapped to an edge, or one full dimension.
        for (auto* c : ofClass(faLeftOnly, top))
            place(c, free.left, c->Top(), c->Width(), c->Height());
        for (auto* c : ofClass(faRightOnly, top))
            place(c, free.right - c->Width(), c->Top(), c->Width(), c->Height());
        for (auto* c : ofClass(faTopOnly, left))
            place(c, c->Left(), free.top, c->Width(), c->Height());
        for (auto* c : ofClass(faBottomOnly, left))
            place(c, c->Left(), free.bottom - c->Height(), c->Width(), c->Height());
        for (auto* c : ofClass(faHeight, left))
            place(c, c->Left(), free.top, c->Width(), free.height());
        for (auto* c : ofClass(faWidth, top))
            place(c, free.left, c->Top(), free.width(), c->Height());
        // 7. Centred along an edge (sharing it) or as a group in the middle.
        if (hasAnyAlign({faCenterTop, faCenterBottom, faCenterLeft, faCenterRight, faCenter})) {
            auto centreAlong = [&](TRLControlAlign align, bool horizontal, bool atStart, bool middle) {
                const auto& items = ofClass(align, horizontal ? left : top);
                const std::int32_t n = std::int32_t(items.size());
                for (std::int32_t i = 0; i < n; ++i) {
                    auto* c = items[size_t(i)];
                    if (horizontal) {
                        const std::int32_t slot = free.width() / std::max(1, n);
                        const std::int32_t x = free.left + i * slot + (slot - c->Width()) / 2;
                        const std::int32_t y = middle    ? free.top + (free.height() - c->Height()) / 2
                                               : atStart ? free.top
                                                         : free.bottom - c->Height();
                        place(c, x, y, c->Width(), c->Height());
                    } else {
                        const std::int32_t slot = free.height() / std::max(1, n);
                        const std::int32_t y = free.top + i * slot + (slot - c->Height()) / 2;
                        place(c, atStart ? free.left : free.right - c->Width(), y, c->Width(), c->Height());
                    }
                }
            };
            centreAlong(faCenterTop, true, true, false);
            centreAlong(faCenterBottom, true, false, false);
            centreAlong(faCenterLeft, false, true, false);
            centreAlong(faCenterRight, false, false, false);
            {
                const auto& group = ofClass(faCenter, left);
                std::int32_t total = 0;
                for (auto* c : group)
                    total += c->Width();
                std::int32_t x = free.left + (free.width() - total) / 2;
                for (auto* c : group) {
                    place(c, x, free.top + (free.height() - c->Height()) / 2, c->Width(), c->Height());
                    x += c->Width();
                }
            }
        }
        // 8. faNone children keep their place.
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
    RealignChildSites();
}

void TRLCustomSite::RealignChildSites() {
    const std::vector<TRLCustomControl*>& children = Controls();
    for (size_t i = 0; i < children.size(); ++i)
        if (TRLCustomSite* site = children[i]->AsSite()) site->Realign();
}

QSize TRLCustomSite::Measure() {
    if (!AutoSize()) return QSize(Width(), Height());
    const PageRect client = SiteClientRect();
    std::int32_t runningWidth = 0, runningHeight = 0;
    std::int32_t largestRight = client.left, largestBottom = client.top;
    for (const TRLCustomControl* child : Controls()) {
        if (!child->Visible) continue;
        if (child->Align() == faNone) {
            largestRight = std::max(largestRight, child->Left() + child->Width());
            largestBottom = std::max(largestBottom, child->Top() + child->Height());
            continue;
        }
        if (alignAddsWidth(child->Align())) runningWidth += child->Width();
        if (alignAddsHeight(child->Align())) runningHeight += child->Height();
    }
    const std::int32_t neededWidth = std::max(runningWidth, largestRight - client.left);
    const std::int32_t neededHeight = std::max(runningHeight, largestBottom - client.top);
    std::int32_t width = Width(), height = Height();
    if (!alignFixesWidth(Align()) && neededWidth != 0) width = Width() + neededWidth - client.width();
    if (!alignFixesHeight(Align()) && neededHeight != 0) height = Height() + neededHeight - client.height();
    return QSize(width, height);
}

void TRLCustomSite::BeginSitePrint() {
    ParentPager()->EnsurePageOpen();
    TRLGraphicSurface& page = Surface();
    page.Clear();
    page.ContentRect = ClientRect();
    page.Open();
}

void TRLCustomSite::PrintChildren() {
    // Plain controls: first all decide and measure, then all draw, in creation
    // order; child sites after them. By index, so an event that changes the
    // children cannot leave a dangling iterator.
    const std::vector<TRLCustomControl*>& children = Controls();
    for (size_t i = 0; i < children.size(); ++i) {
        TRLCustomControl* child = children[i];
        if (!child->IsSite() && child->CanPrint()) child->AdjustBounds();
    }
    for (size_t i = 0; i < children.size(); ++i) {
        TRLCustomControl* child = children[i];
        if (child->IsSite() || !child->PrintIt()) continue;
        child->PrintControl();
        if (child->AfterPrint) child->AfterPrint(child);
    }
    for (size_t i = 0; i < children.size(); ++i) {
        TRLCustomControl* child = children[i];
        if (!child->IsSite() || !child->CanPrint()) continue;
        child->PrintControl();
        if (child->AfterPrint) child->AfterPrint(child);
    }
}

} // namespace rl
