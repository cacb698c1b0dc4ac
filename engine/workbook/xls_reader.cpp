#include "workbook/xls_reader.h"

namespace brelloquin::workbook {

std::unique_ptr<WorkbookReader> OpenXls(std::vector<std::uint8_t>) {
  throw WorkbookError(QStringLiteral(".xls workbooks are not supported yet."));
}

}  // namespace brelloquin::workbook
