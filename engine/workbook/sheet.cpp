#include "workbook/sheet.h"

#include <QFileInfo>
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

QString WorkbookFileProblem(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return QStringLiteral("The workbook '%1' could not be found.").arg(path);
  if (info.isDir()) return QStringLiteral("'%1' is a folder, not a workbook.").arg(path);
  if (!info.isFile())
    return QStringLiteral(
               "'%1' is not a regular file (it is a pipe, socket or device), so it "
               "cannot be read as a workbook.")
        .arg(path);
  return QString();
}

}  // namespace brelloquin::workbook
