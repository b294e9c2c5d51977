#include "print/draft_items.h"

#include "pagestore/graphic_object.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/page_paint_context.h"
#include "pagestore/picture_data.h"
#include "pagestore/text_measure.h"

#include <QHash>
#include <QImage>
#include <QMutex>
#include <QPainter>

#include <algorithm>
#include <map>
#include <string_view>

namespace rl {

namespace {

// The sentence whose mean character width tells a font's pitch.
constexpr char kPitchSample[] = "In addition, a check is made to see if the screen or printer is a palette "
                                "device, and if so, palette handling for the device is enabled.";

// Ordered dither thresholds, rows by dot row.
constexpr int kDitherTable[4][4] = {
    {0, 192, 48, 240}, {128, 64, 176, 112}, {32, 224, 16, 208}, {160, 96, 144, 80}};

bool isDark(const MetaColor& c) {
    return (c.red + c.green + c.blue) / 3 <= 127;
}

int columnIndex(int x, int w) {
    return x / w + 1;
}

// Removes what the printer would print as nothing at the ends of a text.
void trimBlanks(std::string& text, int& left, int w) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    size_t lead = 0;
    while (lead < text.size() && text[lead] == ' ')
        ++lead;
    text.erase(0, lead);
    left += int(lead) * w;
}

// Cuts a clipped text to the n characters its bounds hold, by its alignment.
void clipText(std::string& text, int n, std::uint8_t alignment) {
    const int length = int(text.size());
    if (n <= 0) {
        text.clear();
        return;
    }
    switch (alignment) {
    case haRight:
        if (length > n) text.erase(0, size_t(length - n));
        break;
    case haCenter: {
        const int start = std::max(1, (length - n) / 2);
        text = start - 1 < length ? text.substr(size_t(start - 1), size_t(n)) : std::string();
        break;
    }
    case haJustify: {
        if (length > n) text.resize(size_t(n));
        size_t scan = text.size();
        while (int(text.size()) < n && widenOneSpace(text, scan)) {
        }
        break;
    }
    default:
        if (length > n) text.resize(size_t(n));
        break;
    }
}

} // namespace

int DraftUnits::X(double x) const {
    return truncate(12.0 * ((scale * (x - left) / 96.0) * 10.0));
}

int DraftUnits::Y(double y) const {
    return truncate(V * ((y - top) / 96.0 * 6.0));
}

int DraftCharWidth(int cpp) {
    return cpp > 0 ? roundEven(120.0 / cpp) : 12;
}

int AutomaticDraftPitch(const std::string& fontName, int size) {
    static QMutex mutex;
    static std::map<std::pair<std::string, int>, int> known;
    const QMutexLocker lock(&mutex);
    const auto key = std::make_pair(fontName, size);
    if (const auto found = known.find(key); found != known.end()) return found->second;

    SurfaceFont font;
    font.Name = fontName;
    font.Size = size;
    font.PixelsPerInch = 96;
    // Whole-pixel advances summed letter by letter, as a GDI text extent
    // adds them up; Qt's fractional advances would make every font narrower.
    int sampleWidth = 0;
    int advance[256] = {};
    for (const char c : std::string_view(kPitchSample)) {
        int& width = advance[static_cast<unsigned char>(c)];
        if (width == 0) width = std::max(1, measureText(font, std::string(1, c)).width());
        sampleWidth += width;
    }
    double mean = sampleWidth / 136.0;
    // A proportional font's sentence is narrower than its widest letters print.
    if (measureText(font, ".").width() != measureText(font, "W").width()) mean *= 1.4;
    const double cpi = mean > 0 ? 96.0 / mean : 20;
    const int pitch = cpi <= 5 ? 5 : cpi <= 10 ? 10 : cpi <= 12 ? 12 : cpi <= 17 ? 17 : 20;
    known.emplace(key, pitch);
    return pitch;
}

std::vector<std::vector<bool>> DitherPicture(const QImage& dots, TRLDitheringMethod method,
                                             std::mt19937& random) {
    std::vector<std::vector<bool>> black(size_t(dots.height()), std::vector<bool>(size_t(dots.width())));
    const QImage rgb = dots.convertToFormat(QImage::Format_RGB32);
    std::uniform_int_distribution<int> threshold(0, 255);
    for (int row = 0; row < rgb.height(); ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(row));
        for (int column = 0; column < rgb.width(); ++column) {
            const int grey = (qRed(line[column]) + qGreen(line[column]) + qBlue(line[column])) / 3;
            // Contrast doubled around the middle grey.
            const int v = 2 * (grey - 128) + 128;
            const int limit =
                method == dmErrorDiffusion ? threshold(random) : kDitherTable[row % 4][column % 4];
            black[size_t(row)][size_t(column)] = v < limit;
        }
    }
    return black;
}

// Adds the items of each page object it visits.
class DraftPageVisitor final : public GraphicObjectVisitor {
public:
    explicit DraftPageVisitor(DraftItemBuilder& builder) : b_(builder) {}
    void visit(const TRLTextObject& object) override;
    void visit(const TRLLineObject& object) override;
    void visit(const TRLRectangleObject& object) override;
    void visit(const TRLFillRectObject& object) override;
    void visit(const TRLImageObject& object) override;
    void visit(const TRLPixelObject& object) override { rasterise(object); }
    void visit(const TRLEllipseObject& object) override { rasterise(object); }
    void visit(const TRLPolygonObject& object) override { rasterise(object); }
    void visit(const TRLPolylineObject& object) override { rasterise(object); }

private:
    // Shapes without a character form are painted into a picture of their bounds.
    template <class T> void rasterise(const T& object);
    bool linesDrawn(const TRLMetaPen& pen) const {
        return b_.layout_.lineDrawMethod != ldNone && pen.Style == std::uint8_t(PenStyle::Solid) &&
               isDark(pen.Color);
    }
    char horizontalCharacter(const TRLMetaPen& pen) const {
        if (b_.layout_.lineDrawMethod == ldGraphicCharset) return pen.Width < 2 ? char(0xC4) : char(0xCD);
        return pen.Width < 2 ? '-' : '=';
    }
    char verticalCharacter(const TRLMetaPen& pen) const {
        if (b_.layout_.lineDrawMethod == ldGraphicCharset) return pen.Width < 2 ? char(0xB3) : char(0xBA);
        return '|';
    }
    // Column count of a horizontal extent in the common font's characters.
    int columns(int x0, int x1) const {
        const DraftUnits& u = b_.layout_.units;
        return columnIndex(u.X(std::max(x0, x1)), b_.commonWidth_) -
               columnIndex(u.X(std::min(x0, x1)), b_.commonWidth_);
    }

    DraftItemBuilder& b_;
};

void DraftPageVisitor::visit(const TRLTextObject& object) {
    const DraftUnits& u = b_.layout_.units;
    const int cpp = b_.textPitch(object.FontName(), object.Font.Size);
    const int style = object.Font.Style;
    const int w = DraftCharWidth(cpp);
    std::string text = object.DisplayText();
    if (!(object.Options & toUnclipped))
        clipText(text, u.X(object.Bounds.right) / w - u.X(object.Bounds.left) / w + 1, object.HAlign);

    const int length = int(text.size());
    int left = 0;
    switch (object.HAlign) {
    case haRight:
        left = (u.X(object.Bounds.right) / w - length) * w;
        break;
    case haCenter:
        left = ((u.X(object.Bounds.left) / w + 1 + u.X(object.Bounds.right) / w + 1 - length) / 2 - 1) * w;
        break;
    default:
        left = (u.X(object.Origin.x) / w) * w;
        break;
    }
    if (!(style & fsUnderline)) trimBlanks(text, left, w);
    b_.addText(left, u.Y(object.Origin.y), cpp, style, std::move(text));
}

void DraftPageVisitor::visit(const TRLLineObject& object) {
    if (!linesDrawn(object.Pen)) return;
    if (object.StartPoint.x != object.EndPoint.x && object.StartPoint.y != object.EndPoint.y) return;
    const DraftUnits& u = b_.layout_.units;
    const PageRect& bounds = object.Bounds;
    int n = columns(object.StartPoint.x, object.EndPoint.x);
    int r = (u.Y(bounds.bottom) - u.Y(bounds.top)) / u.V;
    if (n == 1 && r == 1) {
        if (bounds.height() < bounds.width())
            r = 0;
        else
            n = 0;
    }
    b_.addSides(bounds, n, r, horizontalCharacter(object.Pen), verticalCharacter(object.Pen), false);
}

void DraftPageVisitor::visit(const TRLRectangleObject& object) {
    if (!linesDrawn(object.Pen)) return;
    const DraftUnits& u = b_.layout_.units;
    const PageRect& bounds = object.Bounds;
    const int n = columns(bounds.left, bounds.right);
    const int r = (u.Y(bounds.bottom) / u.V + 1) - (u.Y(bounds.top) / u.V + 1);
    b_.addSides(bounds, n, r, horizontalCharacter(object.Pen), verticalCharacter(object.Pen), true);
}

void DraftPageVisitor::visit(const TRLFillRectObject& object) {
    const TRLFillArtMethod method = b_.layout_.fillArtMethod;
    if (method == fmNone || object.Brush.Style != std::uint8_t(BrushStyle::Solid) ||
        !isDark(object.Brush.Color))
        return;
    const DraftUnits& u = b_.layout_.units;
    const char fill = method == fmLetterX ? 'x' : char(0xDB);
    const int n = columns(object.Bounds.left, object.Bounds.right);
    if (n > 0) {
        b_.addCharacters(u.X(object.Bounds.left), u.Y(object.Bounds.top) - u.V / 2, n, fill);
        return;
    }
    const int rows = (u.Y(object.Bounds.bottom) - u.Y(object.Bounds.top)) / u.V;
    for (int i = 0; i < rows; ++i)
        b_.addCharacters(u.X(object.Bounds.left) - b_.commonWidth_ / 2, u.Y(object.Bounds.top) + i * u.V, 1,
                         fill);
}

void DraftPageVisitor::visit(const TRLImageObject& object) {
    if (b_.layout_.ditheringMethod == dmNone) return;
    const QImage picture = PictureData::toImage(object.PictureData);
    if (picture.isNull()) return;
    const int width = roundEven(object.Bounds.width() * 1.26);
    const int height = roundEven(object.Bounds.height() * b_.layout_.units.dotRowsPerUnit());
    if (width <= 0 || height <= 0) return;
    QImage dots(width, height, QImage::Format_RGB32);
    dots.fill(Qt::white);
    {
        QPainter painter(&dots);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(QRect(0, 0, width, height), picture);
    }
    b_.addStrips(dots, object.Bounds);
}

template <class T> void DraftPageVisitor::rasterise(const T& object) {
    if (b_.layout_.ditheringMethod == dmNone) return;
    const PageRect& bounds = object.Bounds;
    const int width = roundEven(bounds.width() * 1.26);
    const int height = roundEven(bounds.height() * b_.layout_.units.dotRowsPerUnit());
    if (width <= 0 || height <= 0 || bounds.isEmpty()) return;
    // A page of its own holding a copy moved to the origin, painted with the
    // page's own painting at the dot size.
    TRLGraphicSurface shape;
    shape.Width = bounds.width();
    shape.Height = bounds.height();
    T& copy = shape.AddObject<T>();
    copy.Assign(object);
    copy.Offset(-bounds.left, -bounds.top);
    QImage dots(width, height, QImage::Format_RGB32);
    dots.fill(Qt::white);
    {
        QPainter painter(&dots);
        shape.PaintTo(painter, QRect(0, 0, width, height));
    }
    b_.addStrips(dots, bounds);
}

DraftItemBuilder::DraftItemBuilder(const DraftLayout& layout) : layout_(layout) {}

int DraftItemBuilder::textPitch(const std::string& fontName, int size) const {
    switch (layout_.cppSelection) {
    case csFixed5CPP:
        return 5;
    case csFixed10CPP:
        return 10;
    case csFixed12CPP:
        return 12;
    case csFixed17CPP:
        return 17;
    case csFixed20CPP:
        return 20;
    case csAutomatic:
        break;
    }
    const double scale = layout_.units.scale;
    bool stretch = false;
    switch (layout_.stretchCharWidth) {
    case scEnlargementsOnly:
        stretch = scale > 1;
        break;
    case scShrinksOnly:
        stretch = scale < 1;
        break;
    case scAlways:
        stretch = true;
        break;
    case scNone:
        break;
    }
    return AutomaticDraftPitch(fontName, stretch ? roundEven(size * scale) : size);
}

namespace {

// The page's text objects in drawing order.
class TextCollector final : public GraphicObjectVisitor {
public:
    void visit(const TRLTextObject& object) override { texts.push_back(&object); }
    std::vector<const TRLTextObject*> texts;
};

} // namespace

void DraftItemBuilder::findCommonFont(const std::vector<const TRLTextObject*>& texts) {
    struct Count {
        std::string name;
        int size;
        int count;
    };
    std::vector<Count> counts; // in order of first appearance
    for (const TRLTextObject* object : texts) {
        const TRLTextObject& text = *object;
        const std::string name = text.FontName();
        auto found = std::find_if(counts.begin(), counts.end(),
                                  [&](const Count& c) { return c.size == text.Font.Size && c.name == name; });
        if (found == counts.end())
            counts.push_back({name, text.Font.Size, 1});
        else
            ++found->count;
    }
    std::string name = "Arial";
    int size = 6;
    int best = 0;
    for (const Count& c : counts) {
        if (c.count > best) {
            best = c.count;
            name = c.name;
            size = c.size;
        }
    }
    commonPitch_ = textPitch(name, size);
    commonWidth_ = DraftCharWidth(commonPitch_);
}

void DraftItemBuilder::findRowGrid(const std::vector<const TRLTextObject*>& texts) {
    std::vector<int> rows;
    for (const TRLTextObject* text : texts)
        rows.push_back(layout_.units.Y(text->Origin.y));
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const int V = layout_.units.V;
    gridPitch_ = V;
    gridPhase_ = 0;
    if (rows.size() < 2) return;

    std::vector<std::pair<int, int>> differences; // difference, count; in order found
    for (size_t i = 1; i < rows.size(); ++i) {
        const int d = rows[i] - rows[i - 1];
        auto found =
            std::find_if(differences.begin(), differences.end(), [d](const auto& p) { return p.first == d; });
        if (found == differences.end())
            differences.emplace_back(d, 1);
        else
            ++found->second;
    }
    int pitch = differences.front().first, best = 0;
    for (const auto& [d, count] : differences)
        if (count > best) {
            best = count;
            pitch = d;
        }
    gridPitch_ = std::min(pitch, V);

    long long bestSum = -1;
    int phaseRow = rows.front();
    for (int row : rows) {
        long long sum = 0;
        for (int other : rows)
            if (other != row) sum += std::abs(row - other) % gridPitch_;
        if (bestSum < 0 || sum < bestSum) {
            bestSum = sum;
            phaseRow = row;
        }
    }
    gridPhase_ = ((phaseRow % gridPitch_) + gridPitch_) % gridPitch_;
}

int DraftItemBuilder::gridRowAtOrBefore(int y) const {
    if (y < gridPhase_) return gridPhase_;
    return gridPhase_ + (y - gridPhase_) / gridPitch_ * gridPitch_;
}

void DraftItemBuilder::insert(std::unique_ptr<TDraftObj> item) {
    const auto* text = dynamic_cast<const TDraftText*>(item.get());
    auto at = items_.begin();
    while (at != items_.end() && (*at)->top < item->top)
        ++at;
    for (; at != items_.end() && (*at)->top == item->top; ++at) {
        const auto* other = dynamic_cast<const TDraftText*>(at->get());
        if (!text) {
            if ((*at)->left > item->left) break;
        } else if (!other) {
            break;
        } else if (other->cpp == text->cpp && other->style == text->style && other->left > text->left) {
            break;
        }
    }
    items_.insert(at, std::move(item));
}

void DraftItemBuilder::addText(int left, int top, int cpp, int style, std::string text) {
    auto item = std::make_unique<TDraftText>();
    const int w = DraftCharWidth(cpp);
    item->left = left;
    item->top = top;
    item->right = left + int(text.size()) * w;
    item->bottom = top + layout_.units.V;
    item->cpp = cpp;
    item->style = style;
    item->text = std::move(text);
    insert(std::move(item));
}

void DraftItemBuilder::addCharacters(int x, int top, int count, char character) {
    if (count <= 0) return;
    addText((x / commonWidth_) * commonWidth_, top, commonPitch_, 0, std::string(size_t(count), character));
}

void DraftItemBuilder::addSides(const PageRect& bounds, int n, int r, char horizontal, char vertical,
                                bool gridFromTop) {
    const DraftUnits& u = layout_.units;
    const int top = u.Y(bounds.top), bottom = u.Y(bounds.bottom);
    if (n > 0) {
        addCharacters(u.X(bounds.left), top - u.V / 2, n, horizontal);
        if (r > 1) addCharacters(u.X(bounds.left), bottom - u.V / 2, n, horizontal);
    }
    if (r <= 0) return;
    auto addColumn = [&](int row) {
        addCharacters(u.X(bounds.left) - commonWidth_ / 2, row, 1, vertical);
        if (n > 1) addCharacters(u.X(bounds.right) - commonWidth_ / 2, row, 1, vertical);
    };
    if (gridFromTop) {
        // A rectangle's sides span the grid rows from its top row to its bottom row.
        const int last = gridRowAtOrBefore(bottom);
        for (int row = gridRowAtOrBefore(top); row + gridPitch_ / 2 <= last; row += gridPitch_)
            addColumn(row);
    } else {
        // A line's characters start on the first grid row at most one pitch above its top.
        const int from = top - gridPitch_;
        int row = gridPhase_;
        if (from > gridPhase_)
            row = gridPhase_ + (from - gridPhase_ + gridPitch_ - 1) / gridPitch_ * gridPitch_;
        for (; row < bottom; row += gridPitch_)
            addColumn(row);
    }
}

void DraftItemBuilder::addStrips(const QImage& dots, const PageRect& bounds) {
    const DraftUnits& u = layout_.units;
    const auto black = DitherPicture(dots, layout_.ditheringMethod, random_);
    const int height = dots.height(), width = dots.width();
    for (int first = 0; first < height; first += 8) {
        const int rows = std::min(8, height - first);
        auto strip = std::make_unique<TDraftRaw>();
        strip->left = u.X(bounds.left);
        // Strips follow one another by their height in the printer's own units.
        strip->top = u.Y(bounds.top) + first * u.dotRowUnits();
        strip->right = u.X(bounds.right);
        strip->bottom = strip->top + rows * u.dotRowUnits();
        strip->columns.assign(size_t(width), 0);
        for (int column = 0; column < width; ++column) {
            std::uint8_t bits = 0;
            for (int row = 0; row < rows; ++row)
                if (black[size_t(first + row)][size_t(column)]) bits |= std::uint8_t(0x80 >> row);
            strip->columns[size_t(column)] = bits;
        }
        insert(std::move(strip));
    }
}

DraftItemList DraftItemBuilder::build(const TRLGraphicSurface& page) {
    items_.clear();
    TextCollector collector;
    VisitObjects(page, collector);
    findCommonFont(collector.texts);
    findRowGrid(collector.texts);
    DraftPageVisitor visitor(*this);
    VisitObjects(page, visitor);
    return std::move(items_);
}

} // namespace rl
