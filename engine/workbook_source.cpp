#include "workbook_source.h"

#include "data_access/connection_string.h"

namespace brelloquin {

using data_access::adLockReadOnly;
using data_access::adOpenStatic;
using data_access::adSchemaTables;
using data_access::adStateClosed;

bool IsXlsPath(const QString& workbookPath) {
  return workbookPath.split(u'.').last().toUpper() == QStringLiteral("XLS");
}

QString WorkbookConnectionString(const QString& workbookPath, const QString& headerValue) {
  const bool jet = IsXlsPath(workbookPath);
  return (jet ? QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source= ")
              : QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source= ")) +
         data_access::ConnectionStringValue(workbookPath) +
         (jet ? QStringLiteral(";Extended Properties=\"Excel 8.0;HDR=")
              : QStringLiteral(";Extended Properties=\"Excel 12.0;HDR=")) +
         headerValue + QStringLiteral(";IMEX=1\"");
}

QStringList ListSheetNames(data_access::Connection& connection) {
  QStringList names;
  data_access::Recordset schema = connection.OpenSchema(adSchemaTables);
  while (!schema.Eof()) {
    const auto fields = schema.GetFields();
    if (fields[QStringLiteral("TABLE_TYPE")].Value().Text() == QStringLiteral("TABLE"))
      names << fields[QStringLiteral("TABLE_NAME")].Value().Text();
    schema.MoveNext();
  }
  if (schema.State() != adStateClosed) schema.Close();
  return names;
}

void OpenSheetRows(data_access::Recordset& recordset, data_access::Connection& connection,
                   const QString& sheetName) {
  recordset.Open(QStringLiteral("select * from [") + sheetName + u']', connection, adOpenStatic,
                 adLockReadOnly);
}

}  // namespace brelloquin
