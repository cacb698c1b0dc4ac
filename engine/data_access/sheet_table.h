#pragma once
// A sheet's cells as a table: the used range, the field names (from the first row or F1, F2,
// ...), each field's type decided from every value of its column, and the rows.

#include <memory>
#include <vector>

#include "data_access/provider.h"
#include "workbook/sheet.h"

namespace brelloquin::data_access {

class SheetTable {
 public:
  SheetTable(workbook::SheetData data, bool firstRowHasNames);

  const std::vector<FieldInfo>& fields() const { return fields_; }
  // A new reader of the rows; it keeps the table alive.
  static std::unique_ptr<RowSource> Rows(std::shared_ptr<const SheetTable> table);

 private:
  friend class SheetRows;
  workbook::SheetData data_;
  std::vector<FieldInfo> fields_;
  std::uint32_t firstColumn_ = 0;
  std::uint32_t firstRow_ = 0;  // first data row
  std::uint32_t endRow_ = 0;    // one past the last data row
  std::size_t firstCell_ = 0;   // index of the first cell of the first data row
};

// A cell's value as a field value; error cells are Null.
Variant CellValue(const workbook::Cell& cell);

}  // namespace brelloquin::data_access
