#include "workbook/sheet.h"

#include <algorithm>

namespace brelloquin::workbook {

void SheetData::finish() {
  const auto before = [](const Cell& a, const Cell& b) {
    return a.row != b.row ? a.row < b.row : a.col < b.col;
  };
  if (std::is_sorted(cells_.begin(), cells_.end(), before) &&
      std::adjacent_find(cells_.begin(), cells_.end(), [](const Cell& a, const Cell& b) {
        return a.row == b.row && a.col == b.col;
      }) == cells_.end())
    return;
  std::stable_sort(cells_.begin(), cells_.end(), before);
  // Of two cells at one position the later one wins, as a spreadsheet program would show.
  std::vector<Cell> unique;
  unique.reserve(cells_.size());
  for (auto& cell : cells_) {
    if (!unique.empty() && unique.back().row == cell.row && unique.back().col == cell.col)
      unique.back() = std::move(cell);
    else
      unique.push_back(std::move(cell));
  }
  cells_ = std::move(unique);
}

}  // namespace brelloquin::workbook
