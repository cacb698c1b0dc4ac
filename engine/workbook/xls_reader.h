#pragma once
// BIFF5 and BIFF8 workbook streams (.xls).

#include <cstdint>
#include <memory>
#include <vector>

#include "workbook/sheet.h"

namespace brelloquin::workbook {

// The "Workbook" (BIFF8) or "Book" (BIFF5) stream of a compound file. Throws WorkbookError.
std::unique_ptr<WorkbookReader> OpenXls(std::vector<std::uint8_t> workbookStream);

}  // namespace brelloquin::workbook
