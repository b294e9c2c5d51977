#pragma once

#include "platform/error.h"
#include "print/custom_filter.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rl {

struct ReportTable;

// The report had no table to save: prose, an empty report, or fewer than two
// detail lines. Nothing is written then.
class NoTableError : public Error {
public:
    NoTableError();
};

// Saves the report's data as a table: the detail lines, columns, types and
// group values the table extractor finds in the report's text lines, as an
// XLSX workbook ("Planilha de dados", ".xlsx", WriteTableXlsx) or as
// comma-separated values ("Valores separados por vírgula", ".csv",
// WriteTableCsv). The pages are not read, so the page range of a run does
// not matter; the table is always the whole report's.
//
// Begin-document extracts the table (throwing NoTableError when there is
// none, before anything is written); end-document writes it into
// the output, which the base puts in place only when the run
// completed.
class TableSaveFilter : public TRLCustomSaveFilter {
    Q_OBJECT
public:
    enum class Format { Xlsx, Csv };
    explicit TableSaveFilter(Format format, QObject* owner = nullptr);
    ~TableSaveFilter() override;

    Format TableFormat() const { return format_; }
    // Every text line of the report, the first (never printed) one included.
    // Not owned: the lines must outlive every run and not change during one.
    void SetReportLines(const std::vector<std::string>* lines) { lines_ = lines; }
    // Where the lines come from when the file's bytes are not the printed text
    // (another encoding): returns the lines as the pages print them, either
    // lines of its own or scratch filled with them. Used in place of
    // SetReportLines when set; scratch lives until the run ends.
    using LineReader = std::function<const std::vector<std::string>&(std::vector<std::string>& scratch)>;
    void SetLineReader(LineReader reader) { reader_ = std::move(reader); }

protected:
    void BeginDoc() override;
    void EndDoc() override;
    void NewPage() override {}
    void DrawPage(const TRLGraphicSurface&) override {}

private:
    Format format_;
    const std::vector<std::string>* lines_ = nullptr;
    LineReader reader_;
    std::vector<std::string> decoded_;
    std::unique_ptr<ReportTable> table_;
};

} // namespace rl
