#include "workbook/xlsx_reader.h"

namespace brelloquin::workbook {

std::unique_ptr<WorkbookReader> OpenXlsx(const QString&) {
  throw WorkbookError(QStringLiteral(".xlsx workbooks are not supported yet."));
}

}  // namespace brelloquin::workbook
