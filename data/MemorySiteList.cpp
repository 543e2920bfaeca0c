#include "MemorySiteList.h"

#include <algorithm>

namespace q417 {
namespace {

bool InRange(int index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

}  // namespace

std::string MemorySiteList::CellText(int row, int column) const {
    if (!InRange(row, rows_.size()) || !InRange(column, kColumnCount)) {
        return {};
    }
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void MemorySiteList::SetCellText(int row, int column, const std::string& text) {
    if (InRange(row, rows_.size()) && InRange(column, kColumnCount)) {
        rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
    }
}

void MemorySiteList::InsertRow(int row, const Row& cells) {
    const auto at = static_cast<std::size_t>(std::clamp<int>(row, 0, RowCount()));
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), cells);
}

void MemorySiteList::RemoveRow(int row) {
    if (InRange(row, rows_.size())) {
        rows_.erase(rows_.begin() + row);
    }
}

void MemorySiteList::RemoveAllRowsAndColumns() {
    rows_.clear();
    columns_.clear();
}

void MemorySiteList::AddColumns(const std::vector<std::string>& titles) {
    columns_.insert(columns_.end(), titles.begin(), titles.end());
}

}  // namespace q417
