#pragma once
// SpreadsheetML workbooks (.xlsx, .xlsm): a zip of XML parts, read with libzip and expat.

#include <QString>
#include <memory>

#include "workbook/sheet.h"

namespace brelloquin::workbook {

// Throws WorkbookError when the file is not a readable SpreadsheetML workbook.
std::unique_ptr<WorkbookReader> OpenXlsx(const QString& path);

}  // namespace brelloquin::workbook
