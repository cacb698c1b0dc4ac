#pragma once
// The one cell model every workbook reader fills; the data-access layer turns it into fields
// and rows, so both formats behave alike.

#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "workbook/number_format.h"
#include "workbook/workbook_error.h"

namespace brelloquin::workbook {

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

// Bytes of cells a read keeps before it keeps fewer rows; larger sheets are read in windows.
inline constexpr std::size_t kKeptCellBudget = std::size_t{1} << 30;

// Texts kept compact, one after the other: one byte a character when every character of a text
// is Latin-1, two otherwise. A text is known by its offset.
class TextPool {
 public:
  std::uint64_t add(const QString& text);
  // A text whose characters are the bytes of `latin1`, one each.
  std::uint64_t addLatin1(std::string_view latin1);
  // Adds a text of another pool as it is stored there.
  std::uint64_t copy(const TextPool& from, std::uint64_t offset);
  QString text(std::uint64_t offset) const;
  // The text written into out, whose capacity serves when it is not shared.
  void textInto(std::uint64_t offset, QString& out) const;
  qsizetype size(std::uint64_t offset) const;
  std::size_t bytes() const { return bytes_.size(); }

 private:
  // Each text: its length (the top bit set for two bytes a character), then its characters.
  std::uint64_t header(std::uint64_t offset) const;
  // Room for a text of `bytes` after its header, at the end.
  char* append(std::uint64_t header, std::size_t bytes);
  std::size_t stored(std::uint64_t offset) const;
  std::vector<char> bytes_;
};

// A workbook's table of shared strings.
class StringTable {
 public:
  void reserve(std::size_t count) { offsets_.reserve(count); }
  void add(const QString& text) { offsets_.push_back(pool_.add(text)); }
  void addLatin1(std::string_view text) { offsets_.push_back(pool_.addLatin1(text)); }
  std::size_t size() const { return offsets_.size(); }
  QString text(std::size_t index) const { return pool_.text(offsets_[index]); }
  void textInto(std::size_t index, QString& out) const { pool_.textInto(offsets_[index], out); }
  qsizetype textSize(std::size_t index) const { return pool_.size(offsets_[index]); }

 private:
  TextPool pool_;
  std::vector<std::uint64_t> offsets_;
};

// The rows a read keeps: from `first` on, as many as fit the budget.
struct RowWindow {
  std::uint32_t first = 0;
  std::size_t budget = kKeptCellBudget;
  // Called now and then while a long sheet is read, so a window can repaint meanwhile.
  std::function<void()> progress = {};
};

// The cells of one sheet, kept compact: 16 bytes a cell, a shared string as its index into the
// workbook's table, other texts in a pool of their own; cells are kept in blocks, so a large
// sheet never needs twice its size while it grows. Readers add in any order; finish() sorts
// row-major and keeps the last of two cells at one position. Empty cells are never stored.
class SheetData {
 public:
  using SharedStrings = std::shared_ptr<const StringTable>;

  SheetData() = default;
  explicit SheetData(const RowWindow& window, SharedStrings sharedStrings = {})
      : window_(window), shared_(std::move(sharedStrings)) {}

  void add(const Cell& cell);
  // A text of the shared-string table; the reader has checked the index.
  void addShared(std::uint32_t row, std::uint32_t col, std::uint32_t index);
  // A cell that could not be read: it is left empty, and counted.
  void addUnreadable() {
    tick();
    ++unreadable_;
  }
  void finish();

  std::size_t size() const { return cells_.size(); }
  bool empty() const { return cells_.empty(); }
  std::uint32_t row(std::size_t i) const { return cells_[i].row; }
  std::uint32_t col(std::size_t i) const { return cells_[i].col; }
  CellKind kind(std::size_t i) const { return cells_[i].kind; }
  // The length of the cell's text without building it.
  qsizetype textSize(std::size_t i) const;
  Cell cell(std::size_t i) const;
  // The text of a text cell, written into out as TextPool::textInto writes it: a row handed
  // out cell by cell reuses its texts' room.
  void textInto(std::size_t i, QString& out) const;

  // The cells in order, each built on demand.
  class Cells {
   public:
    class iterator {
     public:
      iterator(const SheetData& data, std::size_t i) : data_(&data), i_(i) {}
      Cell operator*() const { return data_->cell(i_); }
      iterator& operator++() {
        ++i_;
        return *this;
      }
      bool operator==(const iterator& other) const { return i_ == other.i_; }

     private:
      const SheetData* data_;
      std::size_t i_;
    };
    explicit Cells(const SheetData& data) : data_(data) {}
    iterator begin() const { return {data_, 0}; }
    iterator end() const { return {data_, data_.size()}; }
    std::size_t size() const { return data_.size(); }

   private:
    const SheetData& data_;
  };
  Cells cells() const { return Cells(*this); }

  // Cells that were in the file but could not be read, in every row.
  std::size_t unreadableCells() const { return unreadable_; }
  // One past the last row kept; kMaxRows when every row from the window's first on was kept.
  std::uint32_t endRow() const { return end_; }

 private:
  enum class TextSource : std::uint8_t { None, Shared, Pool };
  struct Packed {
    std::uint32_t row;
    std::uint16_t col;
    CellKind kind;
    TextSource source;
    std::uint64_t value;  // the number's bits, the shared-string index or the pool offset
  };
  static_assert(sizeof(Packed) == 16);

  bool keeps(std::uint32_t row) const { return row >= window_.first && row < end_; }
  // Every 65,536 cells read, kept or not: a few milliseconds of reading.
  void tick() {
    if ((++read_ & 0xFFFF) == 0 && window_.progress) window_.progress();
  }
  void push(const Packed& packed);
  std::size_t bytes() const { return cells_.size() * sizeof(Packed) + pool_.bytes(); }
  // Over budget: keeps the lower half of the rows, and from then on only those.
  void cut();

  RowWindow window_;
  SharedStrings shared_;
  std::deque<Packed> cells_;
  TextPool pool_;
  std::uint32_t end_ = kMaxRows;
  std::uint32_t lowest_ = kMaxRows;  // the lowest row kept
  std::size_t unreadable_ = 0;
  std::size_t read_ = 0;
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
  SheetData readSheet(std::size_t index) { return readSheet(index, RowWindow()); }
  virtual SheetData readSheet(std::size_t index, const RowWindow& window) = 0;
};

// Why the path cannot be read as a workbook file, judged without opening it (a pipe would block
// the reader): missing (NotFound), a folder or not a regular file (NotRegularFile). Nothing for a
// regular file.
std::optional<WorkbookError> WorkbookFileProblem(const QString& path);

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
