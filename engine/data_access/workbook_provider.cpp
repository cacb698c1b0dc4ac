#include "data_access/workbook_provider.h"

#include <QStringList>
#include <new>

#include "data_access/data_access_error.h"
#include "shell/numbered_error.h"

namespace brelloquin::data_access {

QString ListedSheetName(const QString& sheetName) {
  QString name = sheetName;
  name.replace(u'.', u'#');
  bool plain = name.isEmpty() || !name[0].isDigit();
  for (const QChar c : name) plain = plain && (c.isLetterOrNumber() || c == u'_' || c == u'#');
  name += u'$';
  if (plain) return name;
  name.replace(QStringLiteral("'"), QStringLiteral("''"));
  return u'\'' + name + u'\'';
}

namespace {

// HDR=Yes in any letter case; without the key the first row holds the names.
bool FirstRowHasNames(const QString& extendedProperties) {
  for (const QString& item : extendedProperties.split(u';')) {
    const qsizetype eq = item.indexOf(u'=');
    if (eq < 0 || item.left(eq).trimmed().compare(QStringLiteral("HDR"), Qt::CaseInsensitive) != 0)
      continue;
    return item.mid(eq + 1).trimmed().compare(QStringLiteral("Yes"), Qt::CaseInsensitive) == 0;
  }
  return true;
}

DataAccessError QueryError(const QString& description) {
  return DataAccessError(kErrQuery, description);
}

DataAccessError OutOfMemory(const QString& sheetName) {
  return DataAccessError(
      kErrOutOfMemory, QStringLiteral("Not enough memory to read the sheet '%1'.").arg(sheetName));
}

}  // namespace

WorkbookProvider::WorkbookProvider(const QString& path, const QString& extendedProperties)
    : firstRowHasNames_(FirstRowHasNames(extendedProperties)) {
  try {
    reader_ = workbook::OpenWorkbook(path);
  } catch (const workbook::WorkbookError& e) {
    throw DataAccessError(shell::kE_FAIL, e.description());
  }
  for (const auto& sheet : reader_->sheets()) listedNames_.push_back(ListedSheetName(sheet.name));
}

std::unique_ptr<RowSource> WorkbookProvider::OpenSchema(int schema) {
  if (schema != 20)
    throw DataAccessError(
        kErrBadArgument,
        QStringLiteral("Schema %1 is not supported by the workbook provider.").arg(schema));
  std::vector<std::vector<Variant>> rows;
  for (const QString& name : listedNames_)
    rows.push_back({Variant::String(QStringLiteral("TABLE")), Variant::String(name)});
  return std::make_unique<MemoryRowSource>(
      std::vector<SourceField>{{QStringLiteral("TABLE_TYPE"), adVarWChar},
                               {QStringLiteral("TABLE_NAME"), adVarWChar}},
      std::move(rows));
}

std::unique_ptr<RowSource> WorkbookProvider::Query(const QString& text) {
  static const QString kSelect = QStringLiteral("select * from [");
  const QString trimmed = text.trimmed();
  const qsizetype close = trimmed.lastIndexOf(u']');
  if (!trimmed.startsWith(kSelect, Qt::CaseInsensitive) || close != trimmed.size() - 1)
    throw QueryError(QStringLiteral("The workbook provider runs only \"select * from [SHEET]\", "
                                    "not: %1")
                         .arg(text));
  const QString name = trimmed.mid(kSelect.size(), close - kSelect.size());
  std::size_t index = 0;
  while (index < listedNames_.size() && listedNames_[index] != name) ++index;
  if (index == listedNames_.size())
    throw QueryError(
        QStringLiteral("The sheet '%1' is not in the workbook. Make sure the name is spelled "
                       "correctly.")
            .arg(name));
  if (!cached_ || cachedIndex_ != index) {
    cached_.reset();  // let the last sheet go before the next one is read
    const QString sheetName = reader_->sheets()[index].name;
    auto read = [reader = reader_, index, sheetName, yield = yield_](workbook::RowWindow window) {
      window.progress = yield;
      try {
        return reader->readSheet(index, window);
      } catch (const workbook::WorkbookError& e) {
        throw DataAccessError(shell::kE_FAIL, e.description());
      } catch (const std::bad_alloc&) {
        throw OutOfMemory(sheetName);
      }
    };
    try {
      cached_ = std::make_shared<const SheetTable>(std::move(read), firstRowHasNames_,
                                                   workbook::kKeptCellBudget, yield_);
    } catch (const std::bad_alloc&) {
      throw OutOfMemory(sheetName);
    }
    cachedIndex_ = index;
  }
  return SheetTable::Rows(cached_);
}

void WorkbookProvider::Execute(const QString& statement) {
  throw QueryError(QStringLiteral("A workbook is opened read-only; cannot run: %1").arg(statement));
}

}  // namespace brelloquin::data_access
