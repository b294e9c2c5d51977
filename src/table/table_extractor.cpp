#include "table/table_extractor.h"

#include "table/report_values.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>

namespace rl {

namespace {

// Blanks for the layout: a vertical rule separates fields as a blank does.
bool isBlank(char c) {
    return c == ' ' || c == '|' || c == '\t';
}

bool isRuleChar(char c) {
    return c == '-' || c == '=' || c == '_' || c == '+' || c == '*' || c == '~' || c == '|';
}

// Windows-1252 letters: ASCII, the accented block from 0xC0 (but the
// multiplication and division signs) and the ordinal indicators.
bool isLetter(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= 0xC0 && b != 0xD7 && b != 0xF7) ||
           b == 0xAA || b == 0xBA || b == 0x8A || b == 0x8C || b == 0x8E || b == 0x9A || b == 0x9C ||
           b == 0x9E || b == 0x9F;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

enum class LineKind : unsigned char { Blank, Rule, Other };

LineKind kindOfLine(std::string_view text) {
    int rules = 0;
    bool other = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t') continue;
        if (isRuleChar(c))
            ++rules;
        else
            other = true;
    }
    if (other) return LineKind::Other;
    // A lone "|" or two are boxes around nothing, not rules.
    return rules >= 3 ? LineKind::Rule : LineKind::Blank;
}

enum class WordKind : unsigned char { Text, Numeric, Date };

struct Word {
    int start;
    int end;
    WordKind kind;
};

void splitWords(std::string_view text, std::vector<Word>& words) {
    words.clear();
    const int size = int(text.size());
    for (int p = 0; p < size;) {
        if (isBlank(text[size_t(p)])) {
            ++p;
            continue;
        }
        const int start = p;
        while (p < size && !isBlank(text[size_t(p)]))
            ++p;
        const std::string_view word = text.substr(size_t(start), size_t(p - start));
        WordKind kind = WordKind::Text;
        if (parseReportDate(word))
            kind = WordKind::Date;
        else if (parseReportNumber(word))
            kind = WordKind::Numeric;
        words.push_back({start, p, kind});
    }
}

// The typed fields of a line as positions: a number by its last character
// (numbers are right-aligned), a date by its first. A number that follows a
// word of text after one blank belongs to that text ("sardinha 125 g").
void anchorsOf(const std::vector<Word>& words, std::vector<int>& anchors) {
    anchors.clear();
    for (size_t i = 0; i < words.size(); ++i) {
        const Word& word = words[i];
        if (word.kind == WordKind::Text) continue;
        if (i > 0 && words[i - 1].kind == WordKind::Text && word.start - words[i - 1].end == 1) continue;
        anchors.push_back(word.kind == WordKind::Date ? word.start * 2 + 1 : (word.end - 1) * 2);
    }
    std::sort(anchors.begin(), anchors.end());
}

size_t commonCount(const std::vector<int>& a, const std::vector<int>& b) {
    size_t common = 0;
    for (size_t i = 0, j = 0; i < a.size() && j < b.size();) {
        if (a[i] == b[j]) {
            ++common;
            ++i;
            ++j;
        } else if (a[i] < b[j]) {
            ++i;
        } else {
            ++j;
        }
    }
    return common;
}

struct Span {
    int start;
    int end;
};

// A "KEY: value" line: a key of one to four words of one blank each, at most
// 30 characters, starting with a letter, at the head of the line. A line of
// several such fields side by side (a page header's "EMISSÃO: ... HORA: ...")
// is not one.
struct GroupLine {
    std::string_view key;
    std::string_view value;
};

bool startsAnotherField(std::string_view value) {
    for (size_t p = 0; p + 2 < value.size(); ++p) {
        if (!(value[p] == ' ' && value[p + 1] == ' ')) continue;
        size_t q = p;
        while (q < value.size() && isBlank(value[q]))
            ++q;
        size_t end = q;
        while (end < value.size() && !isBlank(value[end]))
            ++end;
        if (end > q + 1 && value[end - 1] == ':' && isLetter(value[q])) return true;
        p = end;
    }
    return false;
}

// "(continuação)", "(cont.)" and the like: the same group on a new page.
std::string_view withoutContinuation(std::string_view value) {
    if (value.empty() || value.back() != ')') return value;
    const size_t open = value.rfind('(');
    if (open == std::string_view::npos || value.size() - open < 6) return value;
    static const char cont[] = "cont";
    for (size_t i = 0; i < 4; ++i) {
        const char c = value[open + 1 + i];
        if (c != cont[i] && c != cont[i] - 'a' + 'A') return value;
    }
    return trimmed(value.substr(0, open));
}

std::optional<GroupLine> groupLineOf(std::string_view text) {
    size_t p = 0;
    while (p < text.size() && isBlank(text[p]))
        ++p;
    if (p == text.size() || !isLetter(text[p])) return std::nullopt;
    const size_t start = p;
    int words = 1;
    for (; p < text.size() && text[p] != ':'; ++p) {
        const char c = text[p];
        if (c == ' ') {
            if (p + 1 < text.size() && text[p + 1] == ' ') return std::nullopt;
            ++words;
        } else if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '.' && c != '/' && c != '-') {
            return std::nullopt;
        }
    }
    if (p == text.size() || words > 4 || p - start > 30) return std::nullopt;
    const std::string_view key = trimmed(text.substr(start, p - start));
    const std::string_view value = trimmed(text.substr(p + 1));
    if (key.empty() || value.empty() || startsAnotherField(value)) return std::nullopt;
    return GroupLine{key, withoutContinuation(value)};
}

struct ColumnStats {
    int nonEmpty = 0;
    int dates = 0;
    int numbers = 0;
    int withDecimals = 0;
    int maxDecimals = 0;
    int thousands = 0;
    int leadingZeros = 0;

    void add(std::string_view cell) {
        if (cell.empty()) return;
        ++nonEmpty;
        if (parseReportDate(cell)) {
            ++dates;
        } else if (const auto number = parseReportNumber(cell)) {
            ++numbers;
            if (number->Decimals > 0) ++withDecimals;
            maxDecimals = std::max(maxDecimals, number->Decimals);
            if (number->Thousands) ++thousands;
            if (number->LeadingZero) ++leadingZeros;
        }
    }

    // The type that at least percent of the values have. Integers written with
    // leading zeros are codes: they stay text, so that "010231" keeps its zero.
    TableColumn typed(int percent) const {
        TableColumn column;
        const auto enough = [&](int count) { return nonEmpty > 0 && count * 100 >= percent * nonEmpty; };
        if (enough(dates)) {
            column.Type = ColumnType::Date;
        } else if (enough(numbers) && !(withDecimals == 0 && leadingZeros > 0)) {
            column.Type = withDecimals > 0 ? ColumnType::Number : ColumnType::Integer;
            column.Decimals = maxDecimals;
            column.Thousands = thousands > 0;
        }
        return column;
    }
};

bool parsesAs(ColumnType type, std::string_view cell) {
    switch (type) {
    case ColumnType::Text:
        return true;
    case ColumnType::Date:
        return parseReportDate(cell).has_value();
    case ColumnType::Integer:
    case ColumnType::Number:
        return parseReportNumber(cell).has_value();
    }
    return false;
}

std::string_view cellOf(std::string_view text, const Span& span) {
    if (size_t(span.start) >= text.size()) return {};
    return trimmed(text.substr(size_t(span.start), size_t(span.end - span.start)));
}

// The layout being tried: column spans, their types, which of them every
// detail line fills, and the positions that must stay blank.
struct Layout {
    std::vector<Span> spans;
    std::vector<TableColumn> columns;
    std::vector<bool> mandatory;
    std::vector<bool> occupied; // by position; beyond its end everything must be blank
};

class Extractor {
public:
    explicit Extractor(const std::vector<std::string>& lines) : lines_(lines) {}

    ReportTable run();

private:
    void readLines();
    std::vector<int> anchorsOfLine(size_t line) const {
        return {anchors_.begin() + anchorOffsets_[line], anchors_.begin() + anchorOffsets_[line + 1]};
    }
    // The lines of the dominant anchor pattern and those close to it.
    std::vector<size_t> seedLines() const;
    Layout layoutOf(const std::vector<size_t>& lines, int tolerancePercent, int typePercent) const;
    bool fits(size_t line, const Layout& layout) const;
    // Joins neighbouring text columns one blank apart where the title line
    // starts no title over the right one; without a title nothing is joined.
    void mergeUntitledTextColumns(Layout& layout, std::optional<size_t> title) const;
    std::optional<size_t> titleLine(const std::vector<bool>& detail) const;
    bool titleLike(size_t line) const;
    void nameColumns(Layout& layout, std::optional<size_t> title) const;

    const std::vector<std::string>& lines_;
    ReportTable table_;
    std::vector<std::string_view> text_; // per line; form feeds removed
    std::vector<LineKind> kinds_;
    std::vector<int> anchorOffsets_;
    std::vector<int> anchors_;
};

void Extractor::readLines() {
    text_.assign(lines_.size(), {});
    kinds_.assign(lines_.size(), LineKind::Blank);
    anchorOffsets_.assign(lines_.size() + 1, 0);
    std::vector<Word> words;
    std::vector<int> anchors;
    for (size_t i = 1; i < lines_.size(); ++i) {
        std::string_view text = lines_[i];
        // A form feed opens a page and takes no column.
        if (text.find_first_of("\f\r") != std::string_view::npos) {
            std::string clean;
            for (const char c : text)
                if (c != '\f' && c != '\r') clean += c;
            table_.Storage.push_back(std::move(clean));
            text = table_.Storage.back();
        }
        text_[i] = text;
        kinds_[i] = kindOfLine(text);
        if (kinds_[i] == LineKind::Other) {
            splitWords(text, words);
            anchorsOf(words, anchors);
            anchors_.insert(anchors_.end(), anchors.begin(), anchors.end());
        }
        anchorOffsets_[i + 1] = int(anchors_.size());
    }
}

std::vector<size_t> Extractor::seedLines() const {
    // The most frequent set of typed positions (ties: the larger set, then the
    // first in order) is the detail layout's. Sets sharing at least 60 % of
    // their positions with it are the same layout with some cells empty.
    std::map<std::vector<int>, int> counts;
    for (size_t i = 1; i < lines_.size(); ++i)
        if (kinds_[i] == LineKind::Other && anchorOffsets_[i + 1] > anchorOffsets_[i])
            ++counts[anchorsOfLine(i)];
    const std::vector<int>* seed = nullptr;
    int best = 0;
    for (const auto& [set, count] : counts)
        if (count > best || (count == best && seed && set.size() > seed->size())) {
            seed = &set;
            best = count;
        }
    if (!seed || best < 2) return {};
    std::vector<int> layout;
    for (const auto& [set, count] : counts) {
        const size_t common = commonCount(set, *seed);
        if (common * 5 >= 3 * std::max(set.size(), seed->size()))
            layout.insert(layout.end(), set.begin(), set.end());
    }
    std::sort(layout.begin(), layout.end());
    layout.erase(std::unique(layout.begin(), layout.end()), layout.end());

    // As full as the dominant pattern, and nothing outside the layout: the
    // lines whose blanks show the columns best. Subtotals fill fewer fields.
    std::vector<size_t> seedLines;
    for (size_t i = 1; i < lines_.size(); ++i) {
        if (kinds_[i] != LineKind::Other) continue;
        const std::vector<int> set = anchorsOfLine(i);
        if (set.size() >= seed->size() && commonCount(set, layout) == set.size()) seedLines.push_back(i);
    }
    return seedLines;
}

Layout Extractor::layoutOf(const std::vector<size_t>& lines, int tolerancePercent, int typePercent) const {
    Layout layout;
    std::vector<int> filled;
    for (const size_t i : lines) {
        const std::string_view text = text_[i];
        if (filled.size() < text.size()) filled.resize(text.size(), 0);
        for (size_t p = 0; p < text.size(); ++p)
            if (!isBlank(text[p])) ++filled[p];
    }
    // A stray line among many does not close a gap between columns.
    const int tolerance = int(lines.size()) * tolerancePercent / 100;
    layout.occupied.assign(filled.size(), false);
    for (size_t p = 0; p < filled.size(); ++p) {
        layout.occupied[p] = filled[p] > tolerance;
        if (!layout.occupied[p]) continue;
        if (p > 0 && layout.occupied[p - 1])
            layout.spans.back().end = int(p) + 1;
        else
            layout.spans.push_back({int(p), int(p) + 1});
    }
    std::vector<ColumnStats> stats(layout.spans.size());
    for (const size_t i : lines)
        for (size_t c = 0; c < layout.spans.size(); ++c)
            stats[c].add(cellOf(text_[i], layout.spans[c]));
    for (size_t c = 0; c < layout.spans.size(); ++c) {
        layout.columns.push_back(stats[c].typed(typePercent));
        layout.columns.back().Start = layout.spans[c].start;
        layout.columns.back().End = layout.spans[c].end;
        // Filled in (nearly) every line: a line without it is no detail line,
        // but a subtotal, whose label stands where the first fields are. A
        // quantity or an amount may be missing from a real detail line.
        const ColumnType type = layout.columns.back().Type;
        const bool amount = type == ColumnType::Integer || type == ColumnType::Number;
        layout.mandatory.push_back(stats[c].nonEmpty * 100 >= 99 * int(lines.size()) && (c == 0 || !amount));
    }
    return layout;
}

bool Extractor::fits(size_t line, const Layout& layout) const {
    const std::string_view text = text_[line];
    for (size_t p = 0; p < text.size(); ++p)
        if (!isBlank(text[p]) && (p >= layout.occupied.size() || !layout.occupied[p])) return false;
    bool typed = false;
    bool typedFilled = false;
    for (size_t c = 0; c < layout.spans.size(); ++c) {
        const ColumnType type = layout.columns[c].Type;
        typed = typed || type != ColumnType::Text;
        const std::string_view cell = cellOf(text, layout.spans[c]);
        if (cell.empty()) {
            if (layout.mandatory[c]) return false;
            continue;
        }
        if (!parsesAs(type, cell)) return false;
        typedFilled = typedFilled || type != ColumnType::Text;
    }
    return typedFilled || !typed;
}

bool Extractor::titleLike(size_t line) const {
    if (kinds_[line] != LineKind::Other || groupLineOf(text_[line])) return false;
    std::vector<Word> words;
    splitWords(text_[line], words);
    return words.size() >= 2 &&
           std::all_of(words.begin(), words.end(), [](const Word& w) { return w.kind == WordKind::Text; });
}

std::optional<size_t> Extractor::titleLine(const std::vector<bool>& detail) const {
    // Above each run of detail lines, past rules, blanks and lines with
    // figures (a carried balance), the first line of words alone. The one
    // found most often (ties: the first) titles the columns.
    constexpr size_t kLookBack = 8;
    std::map<std::string_view, std::pair<int, size_t>> found;
    bool inRun = false;
    for (size_t i = 1; i < lines_.size(); ++i) {
        if (kinds_[i] != LineKind::Other) continue;
        if (!detail[i]) {
            inRun = false;
            continue;
        }
        if (inRun) continue;
        inRun = true;
        for (size_t j = i - 1, steps = 0; j >= 1 && steps < kLookBack && !detail[j]; --j, ++steps) {
            if (!titleLike(j)) continue;
            auto [entry, added] = found.try_emplace(text_[j], 0, j);
            ++entry->second.first;
            break;
        }
    }
    std::optional<size_t> title;
    int best = 0;
    for (const auto& [text, entry] : found)
        if (entry.first > best || (entry.first == best && entry.second < *title)) {
            best = entry.first;
            title = entry.second;
        }
    return title;
}

void Extractor::mergeUntitledTextColumns(Layout& layout, std::optional<size_t> title) const {
    if (!title) return;
    const std::string_view text = text_[*title];
    // Where a title starts: after two blanks, a rule, or at the line's head.
    const auto titleStartsIn = [&](int from, int to) {
        for (int p = std::max(from, 0); p < to && size_t(p) < text.size(); ++p) {
            if (isBlank(text[size_t(p)])) continue;
            if (p == 0 || text[size_t(p) - 1] == '|' ||
                (isBlank(text[size_t(p) - 1]) && (p == 1 || isBlank(text[size_t(p) - 2]))))
                return true;
        }
        return false;
    };
    for (size_t c = 1; c < layout.columns.size();) {
        TableColumn& left = layout.columns[c - 1];
        const TableColumn& right = layout.columns[c];
        if (left.Type == ColumnType::Text && right.Type == ColumnType::Text && right.Start - left.End == 1 &&
            !titleStartsIn(right.Start - 1, right.End)) {
            // The blank between them is the field's own now.
            layout.occupied[size_t(left.End)] = true;
            left.End = right.End;
            layout.spans[c - 1].end = right.End;
            layout.mandatory[c - 1] = layout.mandatory[c - 1] || layout.mandatory[c];
            layout.mandatory.erase(layout.mandatory.begin() + std::ptrdiff_t(c));
            layout.columns.erase(layout.columns.begin() + std::ptrdiff_t(c));
            layout.spans.erase(layout.spans.begin() + std::ptrdiff_t(c));
            continue;
        }
        ++c;
    }
}

void Extractor::nameColumns(Layout& layout, std::optional<size_t> title) const {
    std::vector<std::string> names(layout.columns.size());
    if (title) {
        // Each title word goes to the column whose ground, from the middle of
        // the gap on its left to the middle of the gap on its right, holds the
        // word's middle.
        std::vector<Word> words;
        splitWords(text_[*title], words);
        for (const Word& word : words) {
            const int middle = (word.start + word.end - 1) / 2;
            size_t c = 0;
            while (c + 1 < layout.columns.size() &&
                   middle >= (layout.columns[c].End + layout.columns[c + 1].Start) / 2)
                ++c;
            if (!names[c].empty()) names[c] += ' ';
            names[c] += text_[*title].substr(size_t(word.start), size_t(word.end - word.start));
        }
    }
    for (size_t c = 0; c < names.size(); ++c)
        layout.columns[c].Name = names[c].empty() ? "Coluna " + std::to_string(c + 1) : names[c];
}

ReportTable Extractor::run() {
    readLines();
    const std::vector<size_t> seeds = seedLines();
    if (seeds.size() < 2) return {};
    // First the layout of the fullest lines, with some tolerance for a stray
    // one; then every line that fits it; then the exact layout of those. A
    // description whose words happen to leave one blank at the same place in
    // those few lines stays one field when the title line says so.
    std::vector<bool> detail(lines_.size(), false);
    for (const size_t i : seeds)
        detail[i] = true;
    Layout first = layoutOf(seeds, 1, 95);
    mergeUntitledTextColumns(first, titleLine(detail));
    detail.assign(lines_.size(), false);
    std::vector<size_t> details;
    for (size_t i = 1; i < lines_.size(); ++i)
        if (kinds_[i] == LineKind::Other && fits(i, first)) {
            detail[i] = true;
            details.push_back(i);
        }
    if (details.size() < 2) return {};
    Layout layout = layoutOf(details, 0, 100);
    const std::optional<size_t> title = titleLine(detail);
    mergeUntitledTextColumns(layout, title);
    nameColumns(layout, title);

    // Group values: each "KEY: value" line sets its key's value for the
    // detail lines after it. A key that no detail line follows is no column.
    std::vector<std::string_view> keys;
    std::vector<std::vector<std::string_view>> states(1);
    std::vector<size_t> rowStates;
    for (size_t i = 1; i < lines_.size(); ++i) {
        if (detail[i]) {
            rowStates.push_back(states.size() - 1);
            continue;
        }
        if (kinds_[i] != LineKind::Other) continue;
        const auto group = groupLineOf(text_[i]);
        if (!group) continue;
        const auto known = std::find(keys.begin(), keys.end(), group->key);
        const size_t key = size_t(known - keys.begin());
        if (known == keys.end()) keys.push_back(group->key);
        std::vector<std::string_view> state = states.back();
        state.resize(keys.size());
        if (state[key] == group->value) continue;
        state[key] = group->value;
        states.push_back(std::move(state));
    }
    std::vector<size_t> usedKeys;
    for (size_t k = 0; k < keys.size(); ++k)
        for (const size_t s : rowStates)
            if (k < states[s].size() && !states[s][k].empty()) {
                usedKeys.push_back(k);
                break;
            }

    ReportTable& table = table_;
    for (const size_t k : usedKeys) {
        TableColumn column;
        column.Name = std::string(keys[k]);
        column.Group = true;
        table.Columns.push_back(std::move(column));
    }
    table.Columns.insert(table.Columns.end(), layout.columns.begin(), layout.columns.end());
    // Two columns of one name cannot be told apart in a header row.
    for (size_t c = 0; c < table.Columns.size(); ++c) {
        const std::string base = table.Columns[c].Name;
        for (int n = 2;; ++n) {
            const bool taken =
                std::any_of(table.Columns.begin(), table.Columns.begin() + std::ptrdiff_t(c),
                            [&](const TableColumn& other) { return other.Name == table.Columns[c].Name; });
            if (!taken) break;
            table.Columns[c].Name = base + ' ' + std::to_string(n);
        }
    }
    table.SourceLines.reserve(details.size());
    table.Cells.reserve(details.size() * table.Columns.size());
    for (size_t r = 0; r < details.size(); ++r) {
        const size_t i = details[r];
        table.SourceLines.push_back(int(i));
        const std::vector<std::string_view>& state = states[rowStates[r]];
        for (const size_t k : usedKeys)
            table.Cells.push_back(k < state.size() ? state[k] : std::string_view());
        for (const Span& span : layout.spans)
            table.Cells.push_back(cellOf(text_[i], span));
    }
    return std::move(table_);
}

} // namespace

ReportTable TableExtractor::Extract(const std::vector<std::string>& lines) {
    return Extractor(lines).run();
}

} // namespace rl
