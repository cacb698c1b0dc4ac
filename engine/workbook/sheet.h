#pragma once
// The one cell model every workbook reader fills; the data-access layer turns it into fields
// and rows, so both formats behave alike.

#include <QString>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "workbook/number_format.h"

namespace brelloquin::workbook {

// A failure to read a workbook, with a description in plain words for the user.
class WorkbookError : public std::runtime_error {
 public:
  explicit WorkbookError(const QString& description)
      : std::runtime_error(description.toStdString()), description_(description) {}
  const QString& description() const { return description_; }

 private:
  QString description_;
};

enum class CellKind : std::uint8_t {
  Number,   // number: the value
  Date,     // number: day serial counted from 1899-12-30 (date systems already folded in)
  Text,     // text: the value
  Boolean,  // number: 0 or 1
  Error,    // a #N/A-style error; read as Null
};

struct Cell {
  std::uint32_t row = 0;  // zero-based
  std::uint32_t col = 0;  // zero-based
  CellKind kind = CellKind::Number;
  double number = 0;
  QString text;
};

// Largest sheet either format can address; cells beyond it are damaged input.
inline constexpr std::uint32_t kMaxRows = 1048576;
inline constexpr std::uint32_t kMaxColumns = 16384;

// The cells of one sheet. Readers add in any order; finish() sorts row-major and keeps the
// last of two cells at one position. Empty cells are never stored.
class SheetData {
 public:
  void add(Cell cell) { cells_.push_back(std::move(cell)); }
  void finish();
  const std::vector<Cell>& cells() const { return cells_; }
  bool empty() const { return cells_.empty(); }

 private:
  std::vector<Cell> cells_;
};

struct SheetInfo {
  QString name;
  bool hidden = false;
};

// One opened workbook. Sheets are worksheets only, in tab order.
class WorkbookReader {
 public:
  virtual ~WorkbookReader() = default;
  virtual const std::vector<SheetInfo>& sheets() const = 0;
  // Throws WorkbookError when the sheet cannot be read.
  virtual SheetData readSheet(std::size_t index) = 0;
};

// Why the path cannot be read as a workbook file, judged without opening it (a pipe would block
// the reader): missing, a folder, or not a regular file. Empty for a regular file.
QString WorkbookFileProblem(const QString& path);

// Opens a workbook by its content, whatever its extension. Throws WorkbookError.
std::unique_ptr<WorkbookReader> OpenWorkbook(const QString& path);

// Serial of 1904-01-01 in the 1900 date system.
inline constexpr double k1904Offset = 1462;

// The serial of a date cell from its stored value: 1904 workbooks count their days from
// 1904-01-01, but a time of day alone (a value under 1 in a format that shows no day) means the
// same in either system.
inline double DateSerial(double stored, bool date1904, bool timeOnly) {
  return date1904 && !(timeOnly && stored >= 0 && stored < 1) ? stored + k1904Offset : stored;
}

// Makes a cell of a number shown through a date, time or elapsed format: a date (its serial
// counted from 1899-12-30), the spreadsheet's 1900-02-29 as text, a duration as text, or, past
// what the format can show, the number.
void SetFormattedNumber(Cell& cell, double value, const NumberFormat& format, bool date1904);

// Makes a cell of a number as its format shows it; both readers make number cells here.
inline void SetNumber(Cell& cell, double value, const NumberFormat& format, bool date1904) {
  if (format.kind == FormatKind::Number) {
    cell.kind = CellKind::Number;
    cell.number = value;
  } else {
    SetFormattedNumber(cell, value, format, date1904);
  }
}

}  // namespace brelloquin::workbook
