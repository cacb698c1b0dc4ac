#include "workbook/sheet.h"

#include <QFileInfo>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

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

std::uint64_t TextPool::add(const QString& text) {
  const std::uint64_t offset = bytes_.size();
  const bool latin1 =
      std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 256; });
  const std::uint64_t size = static_cast<std::uint64_t>(text.size());
  const std::uint64_t header = latin1 ? size : size | std::uint64_t{1} << 63;
  char* out = append(header, latin1 ? size : 2 * size);
  if (latin1) {
    for (const QChar c : text) *out++ = static_cast<char>(c.unicode());
  } else {
    std::memcpy(out, text.utf16(), 2 * size);
  }
  return offset;
}

std::uint64_t TextPool::addLatin1(std::string_view latin1) {
  const std::uint64_t offset = bytes_.size();
  std::memcpy(append(latin1.size(), latin1.size()), latin1.data(), latin1.size());
  return offset;
}

char* TextPool::append(std::uint64_t header, std::size_t bytes) {
  const std::size_t offset = bytes_.size();
  bytes_.resize(offset + sizeof header + bytes);
  char* out = bytes_.data() + offset;
  std::memcpy(out, &header, sizeof header);
  return out + sizeof header;
}

std::uint64_t TextPool::header(std::uint64_t offset) const {
  std::uint64_t header = 0;
  std::memcpy(&header, bytes_.data() + offset, sizeof header);
  return header;
}

std::size_t TextPool::stored(std::uint64_t offset) const {
  const std::uint64_t h = header(offset);
  const std::uint64_t size = h & ~(std::uint64_t{1} << 63);
  return sizeof h + (h >> 63 ? 2 * size : size);
}

std::uint64_t TextPool::copy(const TextPool& from, std::uint64_t offset) {
  const std::uint64_t at = bytes_.size();
  const char* text = from.bytes_.data() + offset;
  bytes_.insert(bytes_.end(), text, text + from.stored(offset));
  return at;
}

qsizetype TextPool::size(std::uint64_t offset) const {
  return static_cast<qsizetype>(header(offset) & ~(std::uint64_t{1} << 63));
}

QString TextPool::text(std::uint64_t offset) const {
  QString text;
  textInto(offset, text);
  return text;
}

void TextPool::textInto(std::uint64_t offset, QString& out) const {
  const std::uint64_t h = header(offset);
  const char* chars = bytes_.data() + offset + sizeof h;
  const auto size = static_cast<qsizetype>(h & ~(std::uint64_t{1} << 63));
  if (!(h >> 63)) {
    out = QLatin1String(chars, size);  // into out's room when it has enough
    return;
  }
  out.resize(size);
  std::memcpy(out.data(), chars, 2 * static_cast<std::size_t>(size));
}

void SheetData::add(const Cell& cell) {
  tick();
  if (!keeps(cell.row)) return;
  Packed packed{cell.row, static_cast<std::uint16_t>(cell.col), cell.kind, TextSource::None,
                std::bit_cast<std::uint64_t>(cell.number)};
  if (cell.kind == CellKind::Text) {
    packed.source = TextSource::Pool;
    packed.value = pool_.add(cell.text);
  }
  push(packed);
}

void SheetData::addShared(std::uint32_t row, std::uint32_t col, std::uint32_t index) {
  tick();
  if (keeps(row))
    push({row, static_cast<std::uint16_t>(col), CellKind::Text, TextSource::Shared, index});
}

void SheetData::push(const Packed& packed) {
  cells_.push_back(packed);
  lowest_ = std::min(lowest_, packed.row);
  // A single row is kept whatever its size: a window holds at least one.
  if (bytes() > window_.budget && end_ > lowest_ + 1) cut();
}

void SheetData::cut() {
  // The row from which on at least half the cells lie, found from the count of cells by row
  // (a few megabytes at most, where a copy of the rows would add a quarter to the budget).
  std::uint32_t highest = lowest_;
  for (const Packed& cell : cells_) highest = std::max(highest, cell.row);
  std::vector<std::size_t> counts(highest - lowest_ + 1);
  for (const Packed& cell : cells_) ++counts[cell.row - lowest_];
  std::uint32_t middle = lowest_;
  for (std::size_t below = 0; (below + counts[middle - lowest_]) * 2 <= cells_.size(); ++middle)
    below += counts[middle - lowest_];
  end_ = std::max(middle, lowest_ + 1);
  std::erase_if(cells_, [&](const Packed& cell) { return cell.row >= end_; });
  // The texts of the cells let go leave the pool with them.
  TextPool pool;
  for (Packed& cell : cells_)
    if (cell.source == TextSource::Pool) cell.value = pool.copy(pool_, cell.value);
  pool_ = std::move(pool);
}

qsizetype SheetData::textSize(std::size_t i) const {
  const Packed& cell = cells_[i];
  if (cell.source == TextSource::Shared) return shared_->textSize(cell.value);
  return cell.source == TextSource::Pool ? pool_.size(cell.value) : 0;
}

void SheetData::textInto(std::size_t i, QString& out) const {
  const Packed& packed = cells_[i];
  if (packed.source == TextSource::Shared)
    shared_->textInto(packed.value, out);
  else if (packed.source == TextSource::Pool)
    pool_.textInto(packed.value, out);
  else
    out.clear();
}

Cell SheetData::cell(std::size_t i) const {
  const Packed& packed = cells_[i];
  Cell cell{packed.row, packed.col, packed.kind, 0, {}};
  if (packed.source == TextSource::None)
    cell.number = std::bit_cast<double>(packed.value);
  else
    textInto(i, cell.text);
  return cell;
}

void SheetData::finish() {
  const auto before = [](const Packed& a, const Packed& b) {
    return a.row != b.row ? a.row < b.row : a.col < b.col;
  };
  const auto same = [](const Packed& a, const Packed& b) {
    return a.row == b.row && a.col == b.col;
  };
  if (std::is_sorted(cells_.begin(), cells_.end(), before) &&
      std::adjacent_find(cells_.begin(), cells_.end(), same) == cells_.end())
    return;
  std::stable_sort(cells_.begin(), cells_.end(), before);
  // Of two cells at one position the later one wins, as a spreadsheet program would show.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < cells_.size(); ++i) {
    if (kept > 0 && same(cells_[kept - 1], cells_[i]))
      cells_[kept - 1] = cells_[i];
    else
      cells_[kept++] = cells_[i];
  }
  cells_.resize(kept);
}

std::optional<WorkbookError> WorkbookFileProblem(const QString& path) {
  using Reason = WorkbookError::Reason;
  const QFileInfo info(path);
  if (!info.exists())
    return WorkbookError(Reason::NotFound,
                         QStringLiteral("The workbook '%1' could not be found.").arg(path));
  if (info.isDir())
    return WorkbookError(Reason::NotRegularFile,
                         QStringLiteral("'%1' is a folder, not a workbook.").arg(path));
  if (!info.isFile())
    return WorkbookError(Reason::NotRegularFile,
                         QStringLiteral("'%1' is not a regular file (it is a pipe, socket or "
                                        "device), so it cannot be read as a workbook.")
                             .arg(path));
  return std::nullopt;
}

}  // namespace brelloquin::workbook
