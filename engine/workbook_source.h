#pragma once
// Opening a workbook, listing its sheets and reading one sheet's rows.

#include <QString>
#include <QStringList>

#include "data_access/connection.h"

namespace brelloquin {

// True when the path's last "."-piece is "XLS" in any letter case (the Jet string).
bool IsXlsPath(const QString& workbookPath);

// The connection string for a workbook; headerValue goes verbatim after "HDR=".
QString WorkbookConnectionString(const QString& workbookPath, const QString& headerValue);

// TABLE_NAMEs of type "TABLE", in schema order.
QStringList ListSheetNames(data_access::Connection& connection);

// "select * from [" + sheet name + "]" on the given, closed recordset.
void OpenSheetRows(data_access::Recordset& recordset, data_access::Connection& connection,
                   const QString& sheetName);

}  // namespace brelloquin
