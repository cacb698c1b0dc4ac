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

  void see(workbook::CellKind kind, qsizetype textSize) {
    switch (kind) {
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
        longText = longText || textSize > 255;
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

// The used range, names and kinds of the sheet, gathered window by window.
struct SheetTable::Summary {
  bool any = false;
  std::uint32_t headerRow = 0;  // the first row holding a cell
  std::uint32_t firstColumn = workbook::kMaxColumns, lastColumn = 0;
  std::uint32_t endRow = 0;
  std::vector<std::pair<std::uint32_t, QString>> names;  // by column
  std::vector<ColumnKinds> kinds;                        // by column
};

SheetTable::SheetTable(Read read, bool firstRowHasNames, std::size_t budget,
                       std::function<void()> progress)
    : read_(std::move(read)), budget_(budget), progress_(std::move(progress)) {
  Summary summary;
  auto data = window(0);
  unreadable_ = data->unreadableCells();
  see(*data, summary, firstRowHasNames);
  if (data->endRow() == workbook::kMaxRows) {
    kept_ = std::move(data);
    read_ = nullptr;
  } else {
    for (std::uint32_t next = data->endRow(); next < workbook::kMaxRows;) {
      data.reset();  // one window at a time
      data = window(next);
      see(*data, summary, firstRowHasNames);
      next = data->endRow();
    }
  }
  define(summary, firstRowHasNames);
}

SheetTable::SheetTable(workbook::SheetData data, bool firstRowHasNames)
    : SheetTable([&data](const workbook::RowWindow&) { return std::move(data); },
                 firstRowHasNames) {}

std::shared_ptr<const workbook::SheetData> SheetTable::window(std::uint32_t first) const {
  auto data = std::make_shared<workbook::SheetData>(read_({first, budget_}));
  data->finish();
  return data;
}

void SheetTable::see(const workbook::SheetData& window, Summary& summary,
                     bool firstRowHasNames) const {
  for (std::size_t i = 0; i < window.size(); ++i) {
    if ((i & 0xFFFF) == 0xFFFF && progress_) progress_();
    const std::uint32_t row = window.row(i), col = window.col(i);
    if (!summary.any) {
      summary.any = true;
      summary.headerRow = row;
    }
    summary.firstColumn = std::min(summary.firstColumn, col);
    summary.lastColumn = std::max(summary.lastColumn, col);
    summary.endRow = row + 1;
    if (firstRowHasNames && row == summary.headerRow) {
      const QString name = CellValue(window.cell(i)).Text();
      if (!name.isEmpty()) summary.names.emplace_back(col, name);
      continue;
    }
    if (col >= summary.kinds.size()) summary.kinds.resize(col + 1);
    summary.kinds[col].see(window.kind(i), window.textSize(i));
  }
}

void SheetTable::define(const Summary& summary, bool firstRowHasNames) {
  if (!summary.any) {
    // An empty sheet still shows one field, and no rows.
    fields_.push_back({QStringLiteral("F1"), adVarWChar});
    return;
  }
  firstColumn_ = summary.firstColumn;
  for (std::uint32_t col = summary.firstColumn; col <= summary.lastColumn; ++col) {
    const ColumnKinds kinds = col < summary.kinds.size() ? summary.kinds[col] : ColumnKinds();
    fields_.push_back(
        {QStringLiteral("F") + QString::number(col - firstColumn_ + 1), kinds.type()});
  }
  for (const auto& [col, name] : summary.names) fields_[col - firstColumn_].name = name;
  firstRow_ = summary.headerRow + (firstRowHasNames ? 1 : 0);
  endRow_ = summary.endRow;
}

// Walks the rows of the used range; rows without cells come back all Null.
class SheetRows : public RowSource {
 public:
  explicit SheetRows(std::shared_ptr<const SheetTable> table)
      : keep_(std::move(table)), table_(*keep_), row_(table_.firstRow_) {
    values_.resize(table_.fields_.size());
    load();
  }
  const std::vector<SourceField>& fields() const override { return table_.fields_; }
  bool atEnd() const override { return row_ >= table_.endRow_; }
  const std::vector<Variant>& row() const override { return values_; }
  void next() override {
    ++row_;
    load();
  }
  std::size_t unreadableCells() const override { return table_.unreadable_; }

 private:
  void load() {
    // Only the fields the last row set are cleared: a wide sheet's rows hold few cells.
    for (const std::size_t field : set_) values_[field].SetNull();
    set_.clear();
    if (atEnd()) return;
    if (!window_ || row_ >= window_->endRow()) {
      window_ = table_.kept_ ? table_.kept_ : table_.window(row_);
      for (cell_ = 0; cell_ < window_->size() && window_->row(cell_) < row_;) ++cell_;
    }
    const workbook::SheetData& cells = *window_;
    for (; cell_ < cells.size() && cells.row(cell_) == row_; ++cell_) {
      const std::size_t field = cells.col(cell_) - table_.firstColumn_;
      if (cells.kind(cell_) == workbook::CellKind::Text)
        cells.textInto(cell_, values_[field].SetString());
      else
        values_[field] = CellValue(cells.cell(cell_));
      set_.push_back(field);
    }
  }

  std::shared_ptr<const SheetTable> keep_;
  const SheetTable& table_;
  std::shared_ptr<const workbook::SheetData> window_;
  std::uint32_t row_;
  std::size_t cell_ = 0;
  std::vector<Variant> values_;
  std::vector<std::size_t> set_;  // the fields of values_ that hold a value
};

std::unique_ptr<RowSource> SheetTable::Rows(std::shared_ptr<const SheetTable> table) {
  return std::make_unique<SheetRows>(std::move(table));
}

}  // namespace brelloquin::data_access
