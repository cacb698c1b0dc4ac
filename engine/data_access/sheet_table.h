#pragma once
// A sheet's cells as a table: the used range, the field names (from the first row or F1, F2,
// ...), each field's type decided from every value of its column, and the rows.

#include <functional>
#include <memory>
#include <vector>

#include "data_access/provider.h"
#include "workbook/sheet.h"

namespace brelloquin::data_access {

class SheetTable {
 public:
  // Reads the sheet's cells of a window of rows.
  using Read = std::function<workbook::SheetData(const workbook::RowWindow&)>;

  // Keeps the cells when they fit the budget; otherwise reads the sheet again, window by
  // window, each time its rows are walked.
  // progress is called every 65,536 cells while the table is summed up.
  SheetTable(Read read, bool firstRowHasNames, std::size_t budget = workbook::kKeptCellBudget,
             std::function<void()> progress = {});
  SheetTable(workbook::SheetData data, bool firstRowHasNames);

  const std::vector<SourceField>& fields() const { return fields_; }
  std::size_t unreadableCells() const { return unreadable_; }
  // A new reader of the rows; it keeps the table alive.
  static std::unique_ptr<RowSource> Rows(std::shared_ptr<const SheetTable> table);

 private:
  friend class SheetRows;
  struct Summary;
  void see(const workbook::SheetData& window, Summary& summary, bool firstRowHasNames) const;
  void define(const Summary& summary, bool firstRowHasNames);
  std::shared_ptr<const workbook::SheetData> window(std::uint32_t first) const;

  std::shared_ptr<const workbook::SheetData> kept_;  // every cell, when they fit the budget
  Read read_;
  std::size_t budget_ = workbook::kKeptCellBudget;
  std::function<void()> progress_;
  std::vector<SourceField> fields_;
  std::size_t unreadable_ = 0;
  std::uint32_t firstColumn_ = 0;
  std::uint32_t firstRow_ = 0;  // first data row
  std::uint32_t endRow_ = 0;    // one past the last data row
};

// A cell's value as a field value; error cells are Null.
Variant CellValue(const workbook::Cell& cell);

}  // namespace brelloquin::data_access
