// Deciding a report's encoding and decoding its lines: 100,000 lines of a
// 132-column boxed ledger with accents, in each encoding. Prints the time and
// the rate of each. The composer decodes every line once per generation and
// once per font size it measures, so this is the cost added to those.
#include "bench_support.h"

#include "platform/line_decoder.h"
#include "platform/report_encoding.h"

#include <QStringEncoder>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kLines = 100000;

// One ledger line in Unicode: a framed row of accented text and figures.
QString ledgerLine(int i) {
    if (i % 20 == 0) return QStringLiteral("├%1┼%2┤").arg(QString(40, u'─'), QString(89, u'─'));
    return QStringLiteral("│ Lançamento nº %1 – Seção de Produção │ São João, Ação %2 │")
        .arg(i, 6, 10, QChar(u'0'))
        .arg(QString::number(i * 37.5, 'f', 2).rightJustified(60));
}

std::vector<std::string> encoded(const char* name) {
    QStringEncoder encoder(name, QStringConverter::Flag::Default);
    std::vector<std::string> lines;
    lines.reserve(kLines);
    for (int i = 0; i < kLines; ++i) {
        const QByteArray bytes = encoder.encode(ledgerLine(i));
        lines.emplace_back(bytes.constData(), size_t(bytes.size()));
    }
    return lines;
}

} // namespace

int main() {
    const struct {
        const char* codec;
        rl::ReportEncoding encoding;
    } cases[] = {{"windows-1252", rl::ReportEncoding::Windows1252},
                 {"IBM850", rl::ReportEncoding::Cp850},
                 {"UTF-8", rl::ReportEncoding::Utf8}};
    for (const auto& c : cases) {
        const std::vector<std::string> lines = encoded(c.codec);
        auto start = bench::Clock::now();
        const rl::ReportEncoding decided = rl::DetectReportEncoding(lines);
        const double detect = bench::secondsSince(start);

        const rl::LineDecoder decoder(decided);
        start = bench::Clock::now();
        size_t cells = 0;
        std::string buffer;
        for (const std::string& line : lines)
            cells += decoder.Decode(line, buffer).size();
        const double decode = bench::secondsSince(start);
        std::printf(
            "%-12s decided %-11s in %.3f s (%.0f lines/s); decoded in %.3f s (%.0f lines/s), %zu cells\n",
            c.codec, qPrintable(rl::ReportEncodingName(decided)), detect, kLines / detect, decode,
            kLines / decode, cells);
    }
    std::printf("peak memory %.1f MiB\n", bench::peakMiB());
    return 0;
}
