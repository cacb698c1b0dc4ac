#include "data_access/connection.h"

#include "data_access/connection_string.h"
#include "data_access/row_insert_provider.h"
#include "data_access/workbook_provider.h"
#include "shell/numbered_error.h"

namespace brelloquin::data_access {
namespace {

DataAccessError ObjectClosed() {
  return DataAccessError(kErrObjectClosed,
                         QStringLiteral("Operation is not allowed when the object is closed."));
}

DataAccessError ObjectOpen() {
  return DataAccessError(kErrBadArgument,
                         QStringLiteral("Operation is not allowed when the object is open."));
}

DataAccessError NoCurrentRecord() {
  return DataAccessError(kErrNoCurrentRecord,
                         QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                        "deleted. Requested operation requires a current record."));
}

}  // namespace

std::unique_ptr<Provider> OpenProvider(const QString& connectionString) {
  const auto parsed = ConnectionString::Parse(connectionString);
  const QString provider = parsed.value(QStringLiteral("Provider")).toLower();
  const QString properties = parsed.value(QStringLiteral("Extended Properties"));
  const bool excelProperties = properties.startsWith(QStringLiteral("Excel"), Qt::CaseInsensitive);
  if ((provider == u"microsoft.jet.oledb.4.0" || provider == u"microsoft.ace.oledb.12.0") &&
      excelProperties)
    return std::make_unique<WorkbookProvider>(parsed.value(QStringLiteral("Data Source")),
                                              properties);
  if (provider == u"vfpoledb.1" || provider == u"vfpoledb")
    return std::make_unique<RowInsertProvider>(parsed.value(QStringLiteral("Data Source")));
  throw DataAccessError(
      kErrProviderNotFound,
      QStringLiteral("Provider cannot be found. It may not be properly installed."));
}

void Connection::Open(const QString& connectionString) {
  if (provider_) throw ObjectOpen();
  provider_ = OpenProvider(connectionString);
  provider_->SetYield(yield_);
}

void Connection::SetYield(std::function<void()> yield) {
  yield_ = std::move(yield);
  if (provider_) provider_->SetYield(yield_);
}

void Connection::Close() {
  if (!provider_) throw ObjectClosed();
  // Closed even when finishing fails; the failure is still reported.
  const std::unique_ptr<Provider> provider = std::move(provider_);
  provider->Close();
}

Provider& Connection::provider() {
  if (!provider_) throw ObjectClosed();
  return *provider_;
}

Recordset Connection::OpenSchema(int schema) { return Recordset(provider().OpenSchema(schema)); }

void Connection::Execute(const QString& statement) {
  try {
    provider().Execute(statement);
  } catch (const ConnectionBroken&) {
    provider_.reset();
    throw;
  }
}

void Recordset::Open(const QString& query, Connection& connection, int cursorType, int lockType) {
  if (source_) throw ObjectOpen();
  if (cursorType != adOpenStatic || lockType != adLockReadOnly)
    throw DataAccessError(kErrBadArgument,
                          QStringLiteral("Only static read-only cursors are supported."));
  source_ = connection.provider().Query(query);
}

void Recordset::Close() {
  if (!source_) throw ObjectClosed();
  source_.reset();
}

const RowSource& Recordset::source() const {
  if (!source_) throw ObjectClosed();
  return *source_;
}

bool Recordset::Eof() const { return source().atEnd(); }

void Recordset::MoveNext() {
  if (source().atEnd()) throw NoCurrentRecord();
  source_->next();
}

const Variant& Field::Value() const {
  if (!value_) throw NoCurrentRecord();
  return *value_;
}

int Fields::Count() const { return static_cast<int>(owner_.source().fields().size()); }

Field Fields::Item(int index) const {
  const RowSource& source = owner_.source();
  if (index < 0 || index >= static_cast<int>(source.fields().size()))
    throw DataAccessError(kErrItemNotFound,
                          QStringLiteral("Item cannot be found in the collection corresponding "
                                         "to the requested name or ordinal."));
  const auto at = static_cast<std::size_t>(index);
  return Field(source.fields()[at], source.atEnd() ? nullptr : &source.row()[at]);
}

Field Fields::Item(const QString& name) const {
  const auto& fields = owner_.source().fields();
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return Item(static_cast<int>(i));
  return Item(-1);
}

}  // namespace brelloquin::data_access
