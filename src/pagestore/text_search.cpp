#include "pagestore/text_search.h"

#include "pagestore/graphic_object.h"
#include "pagestore/graphic_surface.h"
#include "platform/windows1252.h"

#include <QString>

namespace rl {

namespace {

// The upper-case letters of Windows-1252 and their lower-case partners.
unsigned char lowerCase(unsigned char byte) {
    if (byte >= 'A' && byte <= 'Z') return byte + 0x20;
    if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) return byte + 0x20;
    switch (byte) {
    case 0x8A: // Š
    case 0x8C: // Œ
    case 0x8E: // Ž
        return byte + 0x10;
    case 0x9F: // Ÿ
        return 0xFF;
    default:
        return byte;
    }
}

// An accented letter's bare letter, in the same case; other bytes stay.
unsigned char bareLetter(unsigned char byte) {
    // 0xC0 .. 0xFF, upper case then lower case alike; 0 keeps the byte
    // (Æ, ×, Þ, ß, æ, ÷, þ have no bare letter).
    static constexpr char kBare[] = "AAAAAA\0CEEEEIIIIDNOOOOO\0OUUUUY\0\0"
                                    "aaaaaa\0ceeeeiiiidnooooo\0ouuuuy\0y";
    if (byte >= 0xC0) {
        const char bare = kBare[byte - 0xC0];
        return bare ? static_cast<unsigned char>(bare) : byte;
    }
    switch (byte) {
    case 0x8A:
        return 'S';
    case 0x9A:
        return 's';
    case 0x8E:
        return 'Z';
    case 0x9E:
        return 'z';
    case 0x9F:
        return 'Y';
    default:
        return byte;
    }
}

} // namespace

TextPattern::TextPattern(std::string_view bytes, TextSearchOptions options) : options_(options) {
    for (int byte = 0; byte < 256; ++byte) {
        unsigned char folded = static_cast<unsigned char>(byte);
        if (options.ignoreAccents) folded = bareLetter(folded);
        if (!options.matchCase) folded = lowerCase(folded);
        fold_[size_t(byte)] = folded;
    }
    folded_.reserve(bytes.size());
    for (const char c : bytes)
        folded_.push_back(char(fold_[static_cast<unsigned char>(c)]));
}

TextPattern TextPattern::FromText(const QString& text, TextSearchOptions options) {
    bool writable = true;
    for (const QChar ch : text)
        if (windows1252Byte(ch.unicode()) < 0) writable = false;
    const QByteArray bytes = toWindows1252(text);
    TextPattern pattern(std::string_view(bytes.constData(), size_t(bytes.size())), options);
    pattern.impossible_ = !writable;
    return pattern;
}

bool TextPattern::IsWordByte(unsigned char byte) {
    if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        byte == '_')
        return true;
    switch (byte) {
    case 0x8A: // Š
    case 0x8C: // Œ
    case 0x8E: // Ž
    case 0x9A: // š
    case 0x9C: // œ
    case 0x9E: // ž
    case 0x9F: // Ÿ
    case 0xAA: // ª
    case 0xB5: // µ
    case 0xBA: // º
        return true;
    default:
        return byte >= 0xC0 && byte != 0xD7 && byte != 0xF7;
    }
}

void TextPattern::FindIn(std::string_view line, std::vector<int>& starts) const {
    starts.clear();
    if (MatchesNothing() || line.size() < folded_.size()) return;
    // Exact matching compares the line itself; otherwise a folded copy of it.
    std::string_view haystack = line;
    thread_local std::string folded;
    if (!options_.matchCase || options_.ignoreAccents) {
        folded.resize(line.size());
        for (size_t i = 0; i < line.size(); ++i)
            folded[i] = char(fold_[static_cast<unsigned char>(line[i])]);
        haystack = folded;
    }
    const auto wordAt = [&](size_t i) { return IsWordByte(static_cast<unsigned char>(line[i])); };
    size_t from = 0;
    while (from + folded_.size() <= haystack.size()) {
        const size_t at = haystack.find(folded_, from);
        if (at == std::string_view::npos) break;
        const size_t end = at + folded_.size();
        if (options_.wholeWord && ((at > 0 && wordAt(at - 1)) || (end < line.size() && wordAt(end)))) {
            from = at + 1;
            continue;
        }
        starts.push_back(int(at));
        from = end;
    }
}

std::vector<const TRLTextObject*> PageLines(const TRLGraphicSurface& page) {
    std::vector<const TRLTextObject*> lines;
    for (const auto& object : page.Items())
        if (object->kind() == ObjectKind::Text)
            lines.push_back(static_cast<const TRLTextObject*>(object.get()));
    return lines;
}

std::vector<TextMatch> FindOnPage(const TRLGraphicSurface& page, int pageIndex, const TextPattern& pattern) {
    std::vector<TextMatch> matches;
    std::vector<int> starts;
    int line = 0;
    for (const auto& object : page.Items()) {
        if (object->kind() != ObjectKind::Text) continue;
        pattern.FindIn(static_cast<const TRLTextObject&>(*object).DisplayText(), starts);
        for (const int start : starts)
            matches.push_back({{pageIndex, line, start}, pattern.Length()});
        ++line;
    }
    return matches;
}

// ---- ReportSearch

ReportSearch::ReportSearch(TRLGraphicStorage& store, TextPattern pattern)
    : store_(&store), pattern_(std::move(pattern)) {}

bool ReportSearch::Run(const Interrupt& interrupted) {
    completed_ = false;
    total_ = 0;
    cachedPage_ = -1;
    counts_.assign(store_ ? size_t(store_->PageCount()) : 0, 0);
    if (pattern_.MatchesNothing()) {
        completed_ = true;
        return true;
    }
    std::vector<int> starts;
    for (size_t index = 0; index < counts_.size(); ++index) {
        if (interrupted && interrupted()) {
            counts_.assign(counts_.size(), 0);
            total_ = 0;
            return false;
        }
        // A page that cannot be read back is a missing page: nothing on it.
        const TRLGraphicSurface* page = store_ ? store_->Pages(int(index)) : nullptr;
        if (!page) continue;
        int count = 0;
        for (const auto& object : page->Items()) {
            if (object->kind() != ObjectKind::Text) continue;
            pattern_.FindIn(static_cast<const TRLTextObject&>(*object).DisplayText(), starts);
            count += int(starts.size());
        }
        counts_[index] = count;
        total_ += count;
    }
    completed_ = true;
    return true;
}

int ReportSearch::CountOnPage(int page) const {
    return page >= 0 && size_t(page) < counts_.size() ? counts_[size_t(page)] : 0;
}

const std::vector<TextMatch>& ReportSearch::MatchesOf(int page) {
    if (cachedPage_ != page) {
        const TRLGraphicSurface* surface = store_ ? store_->Pages(page) : nullptr;
        cached_ = surface ? FindOnPage(*surface, page, pattern_) : std::vector<TextMatch>{};
        cachedPage_ = page;
    }
    return cached_;
}

std::optional<TextMatch> ReportSearch::Next(const TextPosition& from, bool inclusive, bool& wrapped) {
    wrapped = false;
    if (!completed_ || total_ == 0 || !store_) return std::nullopt;
    const int pages = int(counts_.size());
    for (int page = std::max(0, from.page); page < pages; ++page) {
        if (!counts_[size_t(page)]) continue;
        for (const TextMatch& match : MatchesOf(page))
            if (inclusive ? match.at >= from : match.at > from) return match;
    }
    wrapped = true;
    for (int page = 0; page < pages; ++page)
        if (counts_[size_t(page)] && !MatchesOf(page).empty()) return MatchesOf(page).front();
    return std::nullopt;
}

std::optional<TextMatch> ReportSearch::Previous(const TextPosition& before, bool& wrapped) {
    wrapped = false;
    if (!completed_ || total_ == 0 || !store_) return std::nullopt;
    const int pages = int(counts_.size());
    for (int page = std::min(before.page, pages - 1); page >= 0; --page) {
        if (!counts_[size_t(page)]) continue;
        const std::vector<TextMatch>& matches = MatchesOf(page);
        for (auto match = matches.rbegin(); match != matches.rend(); ++match)
            if (match->at < before) return *match;
    }
    wrapped = true;
    for (int page = pages - 1; page >= 0; --page)
        if (counts_[size_t(page)] && !MatchesOf(page).empty()) return MatchesOf(page).back();
    return std::nullopt;
}

int ReportSearch::Ordinal(const TextMatch& match) {
    int before = 0;
    for (int page = 0; page < match.at.page && size_t(page) < counts_.size(); ++page)
        before += counts_[size_t(page)];
    const std::vector<TextMatch>& matches = MatchesOf(match.at.page);
    for (const TextMatch& other : matches) {
        if (other.at >= match.at) break;
        ++before;
    }
    return before;
}

} // namespace rl
