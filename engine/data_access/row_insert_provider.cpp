#include "data_access/row_insert_provider.h"

#include <QFileInfo>

#include "data_access/data_access_error.h"
#include "data_access/insert_statement.h"

namespace brelloquin::data_access {

namespace {

DataAccessError Unsupported(const QString& what) {
  return DataAccessError(kErrQuery,
                         QStringLiteral("The DBF row provider runs insert statements only; %1 is "
                                        "not supported.")
                             .arg(what));
}

}  // namespace

RowInsertProvider::RowInsertProvider(const QString& dbfPath)
    : tableName_(QFileInfo(dbfPath).completeBaseName()) {
  if (!QFileInfo(dbfPath).isFile())
    throw DataAccessError(shell::kE_FAIL,
                          QStringLiteral("The table '%1' does not exist.").arg(dbfPath));
  try {
    table_ = std::make_unique<dbf::TableAppender>(dbfPath);
  } catch (const dbf::DbfError& e) {
    throw DataAccessError(shell::kE_FAIL, e.description());
  }
}

std::unique_ptr<RowSource> RowInsertProvider::OpenSchema(int) {
  throw Unsupported(QStringLiteral("a schema"));
}

std::unique_ptr<RowSource> RowInsertProvider::Query(const QString&) {
  throw Unsupported(QStringLiteral("a query"));
}

void RowInsertProvider::Execute(const QString& statement) {
  const InsertStatement insert = ParseInsertStatement(statement);
  if (insert.table.compare(tableName_, Qt::CaseInsensitive) != 0)
    throw DataAccessError(kErrQuery, QStringLiteral("The table '%1' is not open here; this "
                                                    "connection writes '%2'.")
                                         .arg(insert.table, tableName_));
  const auto& fields = table_->fields();
  std::vector<std::optional<QString>> values(fields.size());
  std::vector<bool> named(fields.size(), false);
  for (std::size_t i = 0; i < insert.fields.size(); ++i) {
    std::size_t f = 0;
    while (f < fields.size() && fields[f].name.compare(insert.fields[i], Qt::CaseInsensitive) != 0)
      ++f;
    if (f == fields.size())
      throw DataAccessError(
          kErrQuery,
          QStringLiteral("The table '%1' has no field '%2'.").arg(tableName_, insert.fields[i]));
    if (named[f])
      throw DataAccessError(kErrQuery,
                            QStringLiteral("The field '%1' is named twice.").arg(insert.fields[i]));
    named[f] = true;
    values[f] = insert.values[i];
  }
  try {
    table_->appendRecord(values);
  } catch (const dbf::DbfError& e) {
    throw DataAccessError(kErrQuery, e.description());
  }
}

}  // namespace brelloquin::data_access
