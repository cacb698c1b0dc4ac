#include "data_access/row_insert_provider.h"

#include <QDir>
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
    : path_(QDir::toNativeSeparators(QDir::cleanPath(dbfPath))),
      staged_(dbf::HasStaged(path_)),
      tableName_(QFileInfo(path_).completeBaseName()) {
  if (!staged_ && !QFileInfo(path_).isFile())
    throw DataAccessError(shell::kE_FAIL,
                          QStringLiteral("The table '%1' does not exist.").arg(path_));
  try {
    table_ = std::make_unique<dbf::TableAppender>(
        path_, staged_ ? dbf::Placement::Staged : dbf::Placement::Final);
  } catch (const dbf::DbfError& e) {
    throw DataAccessError(shell::kE_FAIL, e.description());
  }
}

RowInsertProvider::~RowInsertProvider() {
  // A staged table that was never closed is unfinished: it never replaces anything.
  if (staged_ && table_) {
    table_.reset();
    dbf::DiscardStaged(path_);
  }
}

void RowInsertProvider::Abandon(const QString& reason) {
  table_.reset();
  if (staged_) dbf::DiscardStaged(path_);
  throw ConnectionBroken(shell::kE_FAIL,
                         QStringLiteral("Could not write the table %1: %2").arg(path_, reason));
}

std::unique_ptr<RowSource> RowInsertProvider::OpenSchema(int) {
  throw Unsupported(QStringLiteral("a schema"));
}

std::unique_ptr<RowSource> RowInsertProvider::Query(const QString&) {
  throw Unsupported(QStringLiteral("a query"));
}

void RowInsertProvider::Execute(const QString& statement) {
  // The last row's values let go of the texts, whose buffers the parser then fills again.
  for (auto& value : values_) value.reset();
  // Rows of one table share their statement's head: once accepted, only the values are read.
  if (!head_.isEmpty() && statement.startsWith(head_)) {
    ParseInsertValues(statement, head_.size(), places_.size(), rowValues_);
  } else {
    Accept(statement);
  }
  values_.assign(table_->fields().size(), std::nullopt);
  for (std::size_t i = 0; i < places_.size(); ++i) values_[places_[i]] = rowValues_[i];
  try {
    table_->appendRecord(values_);
  } catch (const dbf::DbfWriteError& e) {
    Abandon(e.reason());
  } catch (const text::CodePageError& e) {
    // No row of text could be written either.
    Abandon(e.description());
  } catch (const dbf::DbfError& e) {
    throw DataAccessError(kErrQuery, e.description());
  }
}

void RowInsertProvider::Accept(const QString& statement) {
  head_.clear();
  InsertStatement insert = ParseInsertStatement(statement);
  if (insert.table.compare(tableName_, Qt::CaseInsensitive) != 0)
    throw DataAccessError(kErrQuery, QStringLiteral("The table '%1' is not open here; this "
                                                    "connection writes '%2'.")
                                         .arg(insert.table, tableName_));
  // Every row names the same fields; their places are found once.
  if (insert.fields != mappedNames_) {
    const auto& fields = table_->fields();
    std::vector<std::size_t> places;
    std::vector<bool> named(fields.size(), false);
    for (const QString& name : insert.fields) {
      std::size_t f = 0;
      while (f < fields.size() && fields[f].name.compare(name, Qt::CaseInsensitive) != 0) ++f;
      if (f == fields.size())
        throw DataAccessError(
            kErrQuery, QStringLiteral("The table '%1' has no field '%2'.").arg(tableName_, name));
      if (named[f])
        throw DataAccessError(kErrQuery,
                              QStringLiteral("The field '%1' is named twice.").arg(name));
      named[f] = true;
      places.push_back(f);
    }
    mappedNames_ = insert.fields;
    places_ = std::move(places);
  }
  rowValues_ = std::move(insert.values);
  head_ = statement.left(insert.valuesAt);
}

void RowInsertProvider::Close() {
  try {
    table_->flush();
  } catch (const dbf::DbfWriteError& e) {
    Abandon(e.reason());
  }
  if (!staged_) return;
  table_.reset();
  try {
    dbf::CommitStaged(path_);
  } catch (const dbf::DbfError& e) {
    throw DataAccessError(shell::kE_FAIL, e.description());
  }
}

int RowInsertProvider::ValuesWithReplacedCharacters() const {
  return table_ ? table_->valuesWithReplacedCharacters() : 0;
}

}  // namespace brelloquin::data_access
