#include "workbook/sheet.h"

#include <algorithm>
#include <bit>

namespace brelloquin::workbook {

void SheetData::add(const Cell& cell) {
  if (!keeps(cell.row)) return;
  Packed packed{cell.row, static_cast<std::uint16_t>(cell.col), cell.kind, TextSource::None,
                std::bit_cast<std::uint64_t>(cell.number)};
  if (cell.kind == CellKind::Text) {
    packed.source = TextSource::Pool;
    packed.value = pool_.size();
    const auto size = static_cast<std::uint32_t>(cell.text.size());
    pool_.push_back(static_cast<char16_t>(size & 0xFFFF));
    pool_.push_back(static_cast<char16_t>(size >> 16));
    const auto* text = reinterpret_cast<const char16_t*>(cell.text.utf16());
    pool_.insert(pool_.end(), text, text + size);
  }
  push(packed);
}

void SheetData::addShared(std::uint32_t row, std::uint32_t col, std::uint32_t index) {
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
  std::vector<std::uint32_t> rows;
  rows.reserve(cells_.size());
  for (const Packed& cell : cells_) rows.push_back(cell.row);
  const auto middle = rows.begin() + static_cast<std::ptrdiff_t>(rows.size() / 2);
  std::nth_element(rows.begin(), middle, rows.end());
  end_ = std::max(*middle, lowest_ + 1);
  std::erase_if(cells_, [&](const Packed& cell) { return cell.row >= end_; });
  // The texts of the cells let go leave the pool with them.
  std::vector<char16_t> pool;
  for (Packed& cell : cells_) {
    if (cell.source != TextSource::Pool) continue;
    std::uint32_t size = 0;
    const char16_t* text = poolText(cell.value, size);
    const std::uint64_t offset = pool.size();
    pool.insert(pool.end(), text - 2, text + size);
    cell.value = offset;
  }
  pool_ = std::move(pool);
}

const char16_t* SheetData::poolText(std::uint64_t offset, std::uint32_t& size) const {
  const char16_t* at = pool_.data() + offset;
  size = std::uint32_t{at[0]} | std::uint32_t{at[1]} << 16;
  return at + 2;
}

qsizetype SheetData::textSize(std::size_t i) const {
  const Packed& cell = cells_[i];
  if (cell.source == TextSource::Shared) return (*shared_)[cell.value].size();
  if (cell.source != TextSource::Pool) return 0;
  std::uint32_t size = 0;
  poolText(cell.value, size);
  return size;
}

Cell SheetData::cell(std::size_t i) const {
  const Packed& packed = cells_[i];
  Cell cell{packed.row, packed.col, packed.kind, 0, {}};
  if (packed.source == TextSource::Shared) {
    cell.text = (*shared_)[packed.value];
  } else if (packed.source == TextSource::Pool) {
    std::uint32_t size = 0;
    const char16_t* text = poolText(packed.value, size);
    cell.text = QString(reinterpret_cast<const QChar*>(text), size);
  } else {
    cell.number = std::bit_cast<double>(packed.value);
  }
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

}  // namespace brelloquin::workbook
