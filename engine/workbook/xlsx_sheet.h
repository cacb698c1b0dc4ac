#pragma once
// The cells of one worksheet part.

#include <QString>
#include <vector>

#include "workbook/sheet.h"

namespace brelloquin::workbook::xlsx {

class PartReader;

// What the cells of every sheet refer to.
struct SheetContext {
  SheetData::SharedStrings sharedStrings;
  const std::vector<NumberFormat>& cellFormats;  // by cell format index
  bool date1904 = false;
  RowWindow window = {};
};

// Throws WorkbookError when the part is not well-formed.
SheetData ReadSheetPart(PartReader& part, const SheetContext& context);

}  // namespace brelloquin::workbook::xlsx
