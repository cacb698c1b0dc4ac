#include "data_access/dbase_catalog.h"

#include <QDir>

#include "data_access/connection_string.h"
#include "data_access/data_access_error.h"
#include "data_access/variant.h"

namespace brelloquin::data_access {

namespace {

DataAccessError CatalogError(const QString& description) {
  return DataAccessError(kErrBadArgument, description);
}

}  // namespace

void DiscardUnfinishedTable(const QString& dbfPath) { dbf::DiscardStaged(dbfPath); }

void DiscardUnfinishedTables(const QString& folder) { dbf::DiscardStagedLeftovers(folder); }

void Columns::Delete(int index) {
  if (index < 0 || index >= Count())
    throw DataAccessError(kErrItemNotFound,
                          QStringLiteral("Item cannot be found in the collection corresponding "
                                         "to the requested name or ordinal."));
  columns_.erase(columns_.begin() + index);
}

void Columns::Append(const QString& name, int type, int definedSize, int numericScale) {
  if (name.isEmpty()) throw CatalogError(QStringLiteral("A field name cannot be empty."));
  for (const auto& column : columns_)
    if (column.name.compare(name, Qt::CaseInsensitive) == 0)
      throw CatalogError(
          QStringLiteral("The field name '%1' is already in the table definition.").arg(name));
  columns_.push_back({name, type, definedSize, numericScale});
}

void Catalog::SetActiveConnection(const QString& connectionString) {
  const auto parsed = ConnectionString::Parse(connectionString);
  if (parsed.value(QStringLiteral("Provider"))
          .compare(QStringLiteral("Microsoft.Jet.OLEDB.4.0"), Qt::CaseInsensitive) != 0)
    throw DataAccessError(kErrProviderNotFound, QStringLiteral("Provider cannot be found. It may "
                                                               "not be properly installed."));
  const QString type = parsed.value(QStringLiteral("Extended Properties"));
  if (type.compare(QStringLiteral("dBase III"), Qt::CaseInsensitive) == 0)
    flavour_ = dbf::Flavour::DBase3;
  else if (type.compare(QStringLiteral("dBase IV"), Qt::CaseInsensitive) == 0)
    flavour_ = dbf::Flavour::DBase4;
  else
    throw DataAccessError(shell::kE_FAIL,
                          QStringLiteral("Could not find installable ISAM for '%1'; the table "
                                         "types are dBase III and dBase IV.")
                              .arg(type));
  folder_ = parsed.value(QStringLiteral("Data Source"));
  if (!QDir(folder_).exists())
    throw DataAccessError(shell::kE_FAIL,
                          QStringLiteral("The folder '%1' does not exist.").arg(folder_));
}

dbf::FieldDescriptor FieldDescriptorFor(const TableColumn& column) {
  switch (column.type) {
    case adVarWChar:
      // Widths count bytes of the table's code page.
      return {column.name, 'C', std::clamp(column.definedSize, 1, dbf::kMaxCharacterLength), 0};
    case adLongVarWChar:
      return {column.name, 'M', 10, 0};
    case adDouble:
      // Without a size from the column's values, the widest field with six decimals.
      if (column.definedSize == 0) return {column.name, 'N', dbf::kMaxNumericLength, 6};
      return {column.name, 'N', column.definedSize, column.numericScale};
    case adDate:
      return {column.name, 'D', 8, 0};
    case adBoolean:
      return {column.name, 'L', 1, 0};
    default:
      return {column.name, 'C', 254, 0};
  }
}

void Catalog::AppendTable(const Table& table) {
  if (!flavour_)
    throw DataAccessError(kErrObjectClosed,
                          QStringLiteral("The catalog has no active connection."));
  if (table.Name.isEmpty()) throw CatalogError(QStringLiteral("The table has no name."));
  if (table.GetColumns().Count() == 0)
    throw CatalogError(QStringLiteral("The table '%1' has no fields.").arg(table.Name));
  std::vector<dbf::FieldDescriptor> fields;
  for (const auto& column : table.GetColumns().items())
    fields.push_back(FieldDescriptorFor(column));
  const QString path = QDir::toNativeSeparators(
      QDir::cleanPath(folder_ + QDir::separator() + table.Name + QStringLiteral(".dbf")));
  try {
    dbf::CreateTable(path, *flavour_, fields, codePage_, dbf::Placement::Staged);
  } catch (const dbf::DbfError& e) {
    throw DataAccessError(shell::kE_FAIL, e.description());
  }
}

}  // namespace brelloquin::data_access
