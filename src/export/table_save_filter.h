#pragma once

#include "platform/error.h"
#include "print/custom_filter.h"

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
// group values the table extractor finds in the report's text lines. The
// pages are not read, so the page range of a run does not matter; the table
// is always the whole report's.
//
// Begin-document extracts the table (throwing NoTableError when there is
// none, before anything is written); end-document writes it through
// WriteTable into the output, which the base puts in place only when the run
// completed.
class TableSaveFilter : public TRLCustomSaveFilter {
    Q_OBJECT
public:
    // Every text line of the report, the first (never printed) one included.
    // Not owned: the lines must outlive every run and not change during one.
    void SetReportLines(const std::vector<std::string>* lines) { lines_ = lines; }

protected:
    explicit TableSaveFilter(QObject* owner = nullptr);
    ~TableSaveFilter() override;

    virtual void WriteTable(const ReportTable& table, QIODevice& out) = 0;

    void BeginDoc() override;
    void EndDoc() override;
    void NewPage() override {}
    void DrawPage(const TRLGraphicSurface&) override {}

private:
    const std::vector<std::string>* lines_ = nullptr;
    std::unique_ptr<ReportTable> table_;
};

} // namespace rl
