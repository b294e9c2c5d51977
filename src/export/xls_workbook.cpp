#include "export/xls_workbook.h"

#include <algorithm>

namespace rl {

void TRLXLSWorksheet::SetTitle(const QString& title) {
    title_ = title.trimmed().left(kMaxTitleLength);
}

TRLXLSRange& TRLXLSWorksheet::FindRange(int left, int top, int right, int bottom) {
    for (auto& range : ranges_)
        if (range->Left == left && range->Top == top && range->Right == right && range->Bottom == bottom)
            return *range;
    std::erase_if(ranges_,
                  [&](const auto& range) { return range->sharesCellWith(left, top, right, bottom); });
    auto range = std::make_unique<TRLXLSRange>();
    range->Left = left;
    range->Top = top;
    range->Right = right;
    range->Bottom = bottom;
    ranges_.push_back(std::move(range));
    widenCols(left, right);
    widenRows(top, bottom);
    return *ranges_.back();
}

TRLXLSCol& TRLXLSWorksheet::FindCol(int index) {
    auto [it, added] = cols_.try_emplace(index);
    if (added) {
        it->second.Index = index;
        widenCols(index, index);
    }
    return it->second;
}

TRLXLSRow& TRLXLSWorksheet::FindRow(int index) {
    auto [it, added] = rows_.try_emplace(index);
    if (added) {
        it->second.Index = index;
        widenRows(index, index);
    }
    return it->second;
}

const TRLXLSRow* TRLXLSWorksheet::RowAt(int index) const {
    const auto it = rows_.find(index);
    return it == rows_.end() ? nullptr : &it->second;
}

void TRLXLSWorksheet::widenCols(int first, int last) {
    firstCol_ = firstCol_ < 0 ? first : std::min(firstCol_, first);
    lastCol_ = lastCol_ < 0 ? last : std::max(lastCol_, last);
}

void TRLXLSWorksheet::widenRows(int first, int last) {
    firstRow_ = firstRow_ < 0 ? first : std::min(firstRow_, first);
    lastRow_ = lastRow_ < 0 ? last : std::max(lastRow_, last);
}

TRLXLSWorksheet& TRLXLSWorkbook::AddWorksheet() {
    worksheets_.push_back(std::make_unique<TRLXLSWorksheet>());
    return *worksheets_.back();
}

const TRLXLSWorksheet* TRLXLSWorkbook::WorksheetByTitle(const QString& title) const {
    for (const auto& sheet : worksheets_)
        if (sheet->Title().compare(title, Qt::CaseInsensitive) == 0) return sheet.get();
    return nullptr;
}

} // namespace rl
