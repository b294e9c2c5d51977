#include "pagestore/graphic_storage.h"
#include "pagestore/text_search.h"

#include <QString>

#include <gtest/gtest.h>

using namespace rl;

namespace {

struct PatternCase {
    const char* name;
    const char* line;    // Windows-1252 bytes
    const char* pattern; // UTF-8, as typed
    TextSearchOptions options;
    std::vector<int> starts;
};

constexpr TextSearchOptions kAnyCase{};
constexpr TextSearchOptions kCase{true, false, false};
constexpr TextSearchOptions kWord{false, true, false};
constexpr TextSearchOptions kNoAccents{false, false, true};

class TextPatternCases : public ::testing::TestWithParam<PatternCase> {};

} // namespace

TEST_P(TextPatternCases, FindsTheStartsOfTheMatches) {
    const PatternCase& c = GetParam();
    std::vector<int> starts;
    TextPattern::FromText(QString::fromUtf8(c.pattern), c.options).FindIn(c.line, starts);
    EXPECT_EQ(starts, c.starts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextPatternCases,
    ::testing::Values(PatternCase{"LetterCaseIgnored", "Total GERAL total", "total", kAnyCase, {0, 12}},
                      PatternCase{"LetterCaseMatched", "Total GERAL total", "total", kCase, {12}},
                      PatternCase{"AccentedCasePairs", "A\xc7\xc3O e a\xe7\xe3o", "ação", kAnyCase, {0, 7}},
                      PatternCase{"AccentsMatchThemselves", "acao a\xe7\xe3o", "ação", kAnyCase, {5}},
                      PatternCase{"AccentsIgnored",
                                  "acao, a\xe7\xe3o, A\xc7"
                                  "AO",
                                  "ação",
                                  kNoAccents,
                                  {0, 6, 12}},
                      PatternCase{"BareLettersFindAccented", "a\xe7\xe3o", "acao", kNoAccents, {0}},
                      PatternCase{"EuroSign",
                                  "R\x80 10 e \x80"
                                  "10",
                                  "€10",
                                  kAnyCase,
                                  {8}},
                      PatternCase{"CurlyQuotes", "\x93sim\x94 \"sim\"", "“sim”", kAnyCase, {0}},
                      PatternCase{"CaronPairsOf0x8A", "\x8a\x9a", "š", kAnyCase, {0, 1}},
                      PatternCase{"CaronMatchedCase", "\x8a\x9a", "š", kCase, {1}},
                      PatternCase{"DaggerAndPermilleExact", "\x86\x89 \x86", "†‰", kCase, {0}},
                      PatternCase{"WholeWords", "pre\xe7o pre\xe7os pre\xe7o.", "preço", kWord, {0, 13}},
                      PatternCase{
                          "PartsOfWords", "pre\xe7o pre\xe7os pre\xe7o.", "preço", kAnyCase, {0, 6, 13}},
                      PatternCase{"AccentedLetterIsPartOfAWord", "avi\xe3o avi", "avi", kWord, {6}},
                      PatternCase{"MatchesDoNotOverlap", "aaaaa", "aa", kAnyCase, {0, 2}},
                      PatternCase{"CharacterOutsideWindows1252", "? ?", "Ω", kAnyCase, {}},
                      PatternCase{"EmptyPattern", "abc", "", kAnyCase, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReportSearch, AnInterruptedCountFindsNothing) {
    TRLGraphicStorage store;
    for (int i = 0; i < 20; ++i) {
        auto page = std::make_unique<TRLGraphicSurface>();
        page->Width = 100;
        page->Height = 50;
        page->TextRect({0, 0, 100, 10}, 0, 0, "saldo", haLeft, vaTop, 5);
        store.Add(std::move(page));
    }
    ReportSearch search(store, TextPattern("saldo", {}));
    int asked = 0;
    EXPECT_FALSE(search.Run([&] { return ++asked > 10; }));
    EXPECT_EQ(asked, 11); // once before each page
    bool wrapped = false;
    EXPECT_FALSE(search.Next({}, true, wrapped));
    EXPECT_TRUE(search.Run());
    EXPECT_EQ(search.Total(), 20);
}
