#pragma once
// The workbook provider: a workbook read as a database whose tables are its sheets.

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "data_access/provider.h"
#include "data_access/sheet_table.h"
#include "workbook/sheet.h"

namespace brelloquin::data_access {

// The listed name of a sheet: "." becomes "#", "$" is appended, and names holding anything
// but letters, digits, "_" and "#" (or starting with a digit) stand in apostrophes.
QString ListedSheetName(const QString& sheetName);

class WorkbookProvider : public Provider {
 public:
  // extendedProperties as in the connection string, e.g. "Excel 12.0;HDR=Yes;IMEX=1".
  WorkbookProvider(const QString& path, const QString& extendedProperties);

  std::unique_ptr<RowSource> OpenSchema(int schema) override;
  std::unique_ptr<RowSource> Query(const QString& text) override;
  void Execute(const QString& statement) override;
  void SetYield(std::function<void()> yield) override { yield_ = std::move(yield); }

 private:
  // Shared with the tables read from it, which read their sheet again when it is too large
  // to keep.
  std::shared_ptr<workbook::WorkbookReader> reader_;
  bool firstRowHasNames_ = true;
  std::vector<QString> listedNames_;
  // The last sheet read: the second opening of a sheet is served from it.
  std::size_t cachedIndex_ = 0;
  std::shared_ptr<const SheetTable> cached_;
  std::function<void()> yield_;
};

}  // namespace brelloquin::data_access
