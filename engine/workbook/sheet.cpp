#include "workbook/sheet.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace brelloquin::workbook {

namespace {

// The 1900 date system counts 1900 as a leap year: its serials 1 to 59 are one day behind the
// calendar's count from 1899-12-30, and its serial 60 is a 1900-02-29 no calendar has.
constexpr long long kLeapDay = 60;

}  // namespace

void SetFormattedNumber(Cell& cell, double value, const NumberFormat& format, bool date1904) {
  if (format.kind == FormatKind::Elapsed) {
    // A duration counts no date system's days.
    if (std::fabs(value) < kElapsedLimit) {
      cell.kind = CellKind::Text;
      cell.text = ElapsedText(value, format.elapsed);
    } else {
      cell.kind = CellKind::Number;
      cell.number = value;
    }
    return;
  }
  const double serial = DateSerial(value, date1904, format.kind == FormatKind::Time);
  cell.kind = CellKind::Date;
  cell.number = serial;
  if (date1904 || !(serial >= 0 && serial < kLeapDay + 1)) return;
  // Which day it is follows from the second it is shown at: 59.9999999 is already day 60.
  const long long seconds = std::llround(serial * 86400);
  const long long day = seconds / 86400, rest = seconds % 86400;
  if (day >= 1 && day < kLeapDay) {
    cell.number = serial + 1;
  } else if (day == kLeapDay) {
    cell.kind = CellKind::Text;
    cell.text = QStringLiteral("1900-02-29");
    if (rest != 0)
      cell.text += QStringLiteral(" %1:%2:%3")
                       .arg(rest / 3600, 2, 10, QLatin1Char('0'))
                       .arg(rest / 60 % 60, 2, 10, QLatin1Char('0'))
                       .arg(rest % 60, 2, 10, QLatin1Char('0'));
  }
}

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
