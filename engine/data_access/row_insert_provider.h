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
  // Writes into the table staged by the dBase catalog when there is one (renamed over the final
  // name on Close), else appends to the existing table.
  explicit RowInsertProvider(const QString& dbfPath);
  ~RowInsertProvider() override;

  std::unique_ptr<RowSource> OpenSchema(int schema) override;
  std::unique_ptr<RowSource> Query(const QString& text) override;
  void Execute(const QString& statement) override;
  void Close() override;
  int ValuesWithReplacedCharacters() const override;

 private:
  // Gives up the table after a failure that every further record would meet too: nothing of it
  // is left but what was there before.
  [[noreturn]] void Abandon(const QString& reason);
  // Parses a statement whole and checks its table and fields; its head is then known.
  void Accept(const QString& statement);

  QString path_;
  bool staged_ = false;
  QString tableName_;
  std::unique_ptr<dbf::TableAppender> table_;
  std::vector<QString> mappedNames_;  // the field list of the last statement
  std::vector<std::size_t> places_;   // where each of its fields stands in the table
  QString head_;                      // the text before the values of the last accepted statement
  std::vector<QString> rowValues_;    // the values of the statement being run, in its field order
  std::vector<std::optional<QString>> values_;  // one record's values, kept for its capacity
};

}  // namespace brelloquin::data_access
