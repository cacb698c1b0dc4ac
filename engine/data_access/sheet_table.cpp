#include "data_access/sheet_table.h"

#include <algorithm>

namespace brelloquin::data_access {

Variant CellValue(const workbook::Cell& cell) {
  switch (cell.kind) {
    case workbook::CellKind::Number:
      return Variant::Double(cell.number);
    case workbook::CellKind::Date:
      return Variant::Date(cell.number);
    case workbook::CellKind::Boolean:
      return Variant::Boolean(cell.number != 0);
    case workbook::CellKind::Text:
      return Variant::String(cell.text);
    case workbook::CellKind::Error:
      break;
  }
  return {};
}

namespace {

// What a column has seen so far; the type follows from all of it.
struct ColumnKinds {
  bool number = false, date = false, boolean = false, text = false, longText = false;

  void see(const workbook::Cell& cell) {
    switch (cell.kind) {
      case workbook::CellKind::Number:
        number = true;
        break;
      case workbook::CellKind::Date:
        date = true;
        break;
      case workbook::CellKind::Boolean:
        boolean = true;
        break;
      case workbook::CellKind::Text:
        text = true;
        // Only texts can be that long; numbers, dates and Booleans stay far below.
        longText = longText || cell.text.size() > 255;
        break;
      case workbook::CellKind::Error:
        break;
    }
  }

  int type() const {
    const int kinds = number + date + boolean + text;
    if (kinds == 1 && number) return adDouble;
    if (kinds == 1 && date) return adDate;
    if (kinds == 1 && boolean) return adBoolean;
    return longText ? adLongVarWChar : adVarWChar;
  }
};

}  // namespace

SheetTable::SheetTable(workbook::SheetData data, bool firstRowHasNames) : data_(std::move(data)) {
  data_.finish();
  const auto& cells = data_.cells();
  if (cells.empty()) {
    // An empty sheet still shows one field, and no rows.
    fields_.push_back({QStringLiteral("F1"), adVarWChar});
    return;
  }
  std::uint32_t lastColumn = 0;
  firstColumn_ = cells.front().col;
  for (const auto& cell : cells) {
    firstColumn_ = std::min(firstColumn_, cell.col);
    lastColumn = std::max(lastColumn, cell.col);
  }
  const std::size_t count = std::size_t{lastColumn} - firstColumn_ + 1;
  for (std::size_t i = 0; i < count; ++i)
    fields_.push_back({QStringLiteral("F") + QString::number(i + 1), adVarWChar});

  firstRow_ = cells.front().row;
  endRow_ = cells.back().row + 1;
  if (firstRowHasNames) {
    for (; firstCell_ < cells.size() && cells[firstCell_].row == firstRow_; ++firstCell_) {
      const QString name = CellValue(cells[firstCell_]).Text();
      if (!name.isEmpty()) fields_[cells[firstCell_].col - firstColumn_].name = name;
    }
    ++firstRow_;
  }
  std::vector<ColumnKinds> kinds(count);
  for (std::size_t i = firstCell_; i < cells.size(); ++i)
    kinds[cells[i].col - firstColumn_].see(cells[i]);
  for (std::size_t i = 0; i < count; ++i) fields_[i].type = kinds[i].type();
}

// Walks the rows of the used range; rows without cells come back all Null.
class SheetRows : public RowSource {
 public:
  explicit SheetRows(std::shared_ptr<const SheetTable> table)
      : keep_(std::move(table)), table_(*keep_), row_(table_.firstRow_), cell_(table_.firstCell_) {
    values_.resize(table_.fields_.size());
    load();
  }
  const std::vector<FieldInfo>& fields() const override { return table_.fields_; }
  bool atEnd() const override { return row_ >= table_.endRow_; }
  const std::vector<Variant>& row() const override { return values_; }
  void next() override {
    ++row_;
    load();
  }

 private:
  void load() {
    std::fill(values_.begin(), values_.end(), Variant());
    const auto& cells = table_.data_.cells();
    for (; cell_ < cells.size() && cells[cell_].row == row_; ++cell_)
      values_[cells[cell_].col - table_.firstColumn_] = CellValue(cells[cell_]);
  }

  std::shared_ptr<const SheetTable> keep_;
  const SheetTable& table_;
  std::uint32_t row_;
  std::size_t cell_;
  std::vector<Variant> values_;
};

std::unique_ptr<RowSource> SheetTable::Rows(std::shared_ptr<const SheetTable> table) {
  return std::make_unique<SheetRows>(std::move(table));
}

}  // namespace brelloquin::data_access
