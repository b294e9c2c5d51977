#pragma once

#include "pagestore/graphic_storage.h"

#include <QPointer>

#include <array>
#include <compare>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QString;

namespace rl {

class TRLTextObject;

struct TextSearchOptions {
    bool matchCase = false;     // "Diferenciar maiúsculas"
    bool wholeWord = false;     // "Palavra inteira"
    bool ignoreAccents = false; // "ação" finds "acao" and the other way round
    friend bool operator==(const TextSearchOptions&, const TextSearchOptions&) = default;
};

// What is searched for, in Windows-1252 bytes. Text and pattern are compared
// byte for byte through one fold table (letter case, accents), which maps a
// byte to one byte: a match's bytes are exactly the characters it covers. So
// accents, the euro sign and curly quotes match themselves, and upper and lower
// case pair as Windows-1252 pairs them (Š š, Œ œ, Ž ž, Ÿ ÿ, À à ...).
class TextPattern {
public:
    TextPattern() = default;
    TextPattern(std::string_view bytes, TextSearchOptions options);
    // From the user's text. A character Windows-1252 cannot write can be in no
    // report: such a pattern matches nothing.
    static TextPattern FromText(const QString& text, TextSearchOptions options);

    // An empty or impossible pattern: it never matches.
    bool MatchesNothing() const { return folded_.empty() || impossible_; }
    int Length() const { return int(folded_.size()); }
    const TextSearchOptions& Options() const { return options_; }

    // Start offsets of the matches in a line, left to right; matches do not overlap.
    void FindIn(std::string_view line, std::vector<int>& starts) const;

    // Word characters for whole-word matching: letters and digits of
    // Windows-1252, and the underscore.
    static bool IsWordByte(unsigned char byte);

private:
    std::array<unsigned char, 256> fold_{};
    std::string folded_;
    TextSearchOptions options_;
    bool impossible_ = false;
};

// A place in a report: page index in the store, line on the page (the index
// of the text object among the page's text objects, in drawing order: the
// composer draws one per report line) and byte offset in its display text.
struct TextPosition {
    int page = 0;
    int line = 0;
    int offset = 0;
    friend auto operator<=>(const TextPosition&, const TextPosition&) = default;
};

struct TextMatch {
    TextPosition at;
    int length = 0;
    friend bool operator==(const TextMatch&, const TextMatch&) = default;
};

// The text objects of a page in drawing order: its lines.
std::vector<const TRLTextObject*> PageLines(const TRLGraphicSurface& page);
// Every match on one page, in order.
std::vector<TextMatch> FindOnPage(const TRLGraphicSurface& page, int pageIndex, const TextPattern& pattern);

// A search through a whole store, page by page through the store's own reading
// (so at most the store's few cached pages are in memory). Run() counts the
// matches of every page and keeps only the counts; stepping from match to
// match then reads just the pages that have some, and a match's ordinal
// ("3 de 17") is the sum of the counts before it.
//
// Valid for the store's pages as they were when Run() went over them: a report
// laid out again needs a new search. A store that goes away leaves a search
// that finds nothing. GUI thread only, like the store.
class ReportSearch {
public:
    // Asked between pages; true stops the pass.
    using Interrupt = std::function<bool()>;

    ReportSearch(TRLGraphicStorage& store, TextPattern pattern);

    // Counts the matches of every page. False when interrupted; the search
    // then finds nothing.
    bool Run(const Interrupt& interrupted = {});
    bool Completed() const { return completed_; }
    int Total() const { return total_; }
    int CountOnPage(int page) const;
    const TextPattern& Pattern() const { return pattern_; }

    // The first match at or after a position (inclusive) or after it, going
    // forward; wrapped tells whether it came from the start again.
    std::optional<TextMatch> Next(const TextPosition& from, bool inclusive, bool& wrapped);
    // The last match before a position, wrapping round to the end.
    std::optional<TextMatch> Previous(const TextPosition& before, bool& wrapped);
    // 0-based position of a match among all of them.
    int Ordinal(const TextMatch& match);

private:
    const std::vector<TextMatch>& MatchesOf(int page);

    QPointer<TRLGraphicStorage> store_;
    TextPattern pattern_;
    std::vector<int> counts_;
    int total_ = 0;
    bool completed_ = false;
    // The matches of the page read last.
    int cachedPage_ = -1;
    std::vector<TextMatch> cached_;
};

} // namespace rl
