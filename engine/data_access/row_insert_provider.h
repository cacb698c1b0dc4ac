#pragma once
// The row-insert provider: one "insert into" statement at a time into an existing DBF file.

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "data_access/provider.h"
#include "dbf/dbf_table.h"

namespace brelloquin::data_access {

class RowInsertProvider : public Provider {
 public:
  explicit RowInsertProvider(const QString& dbfPath);

  std::unique_ptr<RowSource> OpenSchema(int schema) override;
  std::unique_ptr<RowSource> Query(const QString& text) override;
  void Execute(const QString& statement) override;
  void Close() override;
  int ValuesWithReplacedCharacters() const override;

 private:
  QString tableName_;
  std::unique_ptr<dbf::TableAppender> table_;
  std::vector<QString> mappedNames_;            // the field list of the last statement
  std::vector<std::size_t> places_;             // where each of its fields stands in the table
  std::vector<std::optional<QString>> values_;  // one record's values, kept for its capacity
};

}  // namespace brelloquin::data_access
