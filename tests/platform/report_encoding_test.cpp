#include "platform/line_decoder.h"
#include "platform/report_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rl {
namespace {

struct DecisionCase {
    const char* name;
    std::vector<std::string> lines;
    ReportEncoding expected;
};

class Decision : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(Decision, IsMadeFromTheBytes) {
    EXPECT_EQ(DetectReportEncoding(GetParam().lines), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Decision,
    ::testing::Values(
        DecisionCase{"Empty", {}, ReportEncoding::Windows1252},
        DecisionCase{"Ascii", {"TOTAL", "| 1.234,56 |"}, ReportEncoding::Windows1252},
        DecisionCase{"ByteOrderMarkAlone", {"\xEF\xBB\xBFTOTAL", "abc"}, ReportEncoding::Utf8},
        DecisionCase{"Utf8Accents", {"S\xC3\xA3o Jo\xC3\xA3o", "\xE2\x82\xAC 10"}, ReportEncoding::Utf8},
        // Not UTF-8: a sequence cut by the line's end, a shorter form written
        // long, a surrogate, a continuation byte alone.
        DecisionCase{"Utf8CutShort", {"S\xC3\xA3o", "Jo\xC3"}, ReportEncoding::Windows1252},
        DecisionCase{"Utf8Overlong", {"S\xC3\xA3o", "\xC0\xAF"}, ReportEncoding::Windows1252},
        DecisionCase{"Utf8Surrogate", {"caf\xC3\xA9", "\xED\xA0\x80"}, ReportEncoding::Windows1252},
        DecisionCase{"Utf8StrayContinuation", {"S\xC3\xA3o", "a\xA3"}, ReportEncoding::Windows1252},
        // Windows-1252 Portuguese in capitals and in lower case: most of its
        // bytes sit on CP850 positions too, but they read as words.
        DecisionCase{"Windows1252Portuguese",
                     {"RELAT\xD3RIO DE PRODU\xC7\xC3O - A\xC7\xD5"
                      "ES",
                      "Se\xE7\xE3o: Manuten\xE7\xE3o, S\xE3o Jo\xE3o, caf\xE9, \xEAxito"},
                     ReportEncoding::Windows1252},
        DecisionCase{"Windows1252Symbols",
                     {"\x93"
                      "aspas\x94 \x96 12,50 \x80 n\xBA 3 25\xB0"},
                     ReportEncoding::Windows1252},
        DecisionCase{"Cp850FrameAlone",
                     {"\xDA\xC4\xC4\xC4\xC4\xBF", "\xB3 ok \xB3", "\xC0\xC4\xC4\xC4\xC4\xD9"},
                     ReportEncoding::Cp850},
        DecisionCase{"Cp850WordsWithoutFrames",
                     {"Relat\xA2rio de Produ\x87\xC6o", "t\x82"
                                                        "cnico, n\xC6o, RELAT\xE0RIO"},
                     ReportEncoding::Cp850},
        // Bytes on no CP850 letter or frame position: not CP850, whatever else.
        DecisionCase{
            "MostlyOtherPositions", {"\xF1\xF2\xF3 \xF4\xF5\xF6 \xC4\xC4\xC4"}, ReportEncoding::Windows1252}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineDecoder, QtAndIconvReadTheCodePagesAlike) {
    for (const ReportEncoding encoding :
         {ReportEncoding::Cp850, ReportEncoding::Cp437, ReportEncoding::Iso8859_15}) {
        const auto qt = LineDecoder::HighHalf(encoding, LineDecoder::Codecs::Qt);
        const auto iconv = LineDecoder::HighHalf(encoding, LineDecoder::Codecs::Iconv);
        // At least one must know the page, or the program cannot read it.
        ASSERT_TRUE(qt || iconv) << ReportEncodingName(encoding).toStdString();
        if (!qt || !iconv) continue;
        for (size_t i = 0; i < 0x80; ++i) {
            // ICU and glibc disagree only on where the pages leave a byte to the vendor.
            if ((*qt)[i] == 0xFFFD || (*iconv)[i] == 0xFFFD) continue;
            EXPECT_EQ(LineDecoder::Cell((*qt)[i]), LineDecoder::Cell((*iconv)[i]))
                << ReportEncodingName(encoding).toStdString() << " byte " << std::hex << 0x80 + i;
        }
    }
}

struct CellCase {
    const char* name;
    ReportEncoding encoding;
    std::string line;
    std::string cells;
};

class Cells : public ::testing::TestWithParam<CellCase> {};

TEST_P(Cells, OneForEachCharacter) {
    EXPECT_EQ(LineDecoder(GetParam().encoding).Decode(GetParam().line), GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Cells,
    ::testing::Values(
        CellCase{"Windows1252Unchanged", ReportEncoding::Windows1252, "\x81\x90\xFF\x80", "\x81\x90\xFF\x80"},
        // Controls stay what they are, whatever the IBM tables draw for them.
        CellCase{"ControlsStay", ReportEncoding::Cp437, "\t\f\x1b\x1a\x7f", "\t\f\x1b\x1a\x7f"},
        // Bytes 0x80-0x9F of ISO-8859-15 are C1 controls, no characters.
        CellCase{"C1Controls", ReportEncoding::Iso8859_15,
                 "a\x85\x9F"
                 "b",
                 "a??b"},
        // Qt gives a "?" for each byte of a sequence the line's end cuts short.
        CellCase{"Utf8BrokenSequences", ReportEncoding::Utf8, "a\xC3(b\xE2\x82", "a?(b??"},
        CellCase{"Utf8BeyondSixteenBits", ReportEncoding::Utf8, "[\xF0\x9F\x98\x80]", "[?]"},
        CellCase{"Utf8ByteOrderMarkHasNoCell", ReportEncoding::Utf8, "\xEF\xBB\xBFok", "ok"},
        CellCase{"Utf8DiagonalsAndDashedLines", ReportEncoding::Utf8,
                 "\xE2\x95\xB1\xE2\x95\xB2\xE2\x95\xB3\xE2\x94\x84\xE2\x94\x86\xE2\x95\xB4", "/\\X-|-"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace rl
