#include "cli/dump.h"

#include <QStringList>

#include "data_access/connection.h"
#include "main_window/Form1Actions.h"
#include "shell/error_report.h"
#include "workbook_source.h"

namespace brelloquin::cli {

using data_access::adStateClosed;
using shell::Steps;

namespace {

QString Escaped(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    switch (c.unicode()) {
      case u'\\':
        out += QStringLiteral("\\\\");
        break;
      case u'\t':
        out += QStringLiteral("\\t");
        break;
      case u'\n':
        out += QStringLiteral("\\n");
        break;
      case u'\r':
        out += QStringLiteral("\\r");
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

int Sheets(ConsolePresenter& presenter, const QString& workbookPath) {
  for (const QString& name : Form1Actions::listSheets(presenter, workbookPath))
    WriteLine(stdout, name);
  return presenter.problems() == 0 ? 0 : 1;
}

int Dump(ConsolePresenter& presenter, const QString& workbookPath, const QString& sheetName,
         bool header) {
  Steps steps(presenter, shell::Location(QStringLiteral("brelloquin-cli"), QStringLiteral("dump")),
              false, Steps::OnFailure::End);
  data_access::Connection connection;
  data_access::Recordset recordset;
  steps(100, [&] {
    connection.Open(WorkbookConnectionString(
        workbookPath, header ? QStringLiteral("Yes") : QStringLiteral("No")));
  });
  steps(102, [&] { OpenSheetRows(recordset, connection, sheetName); });
  steps(104, [&] {
    const auto fields = recordset.GetFields();
    QStringList items;
    for (int i = 0; i < fields.Count(); ++i)
      items << Escaped(fields[i].Name()) + u':' + QString::number(fields[i].Type());
    WriteLine(stdout, items.join(u'\t'));
  });
  while (steps.While(106, [&] { return !recordset.Eof(); })) {
    steps(108, [&] {
      const auto fields = recordset.GetFields();
      QStringList items;
      for (int i = 0; i < fields.Count(); ++i) {
        const auto& value = fields[i].Value();
        items << (value.IsNull() ? QStringLiteral("\\N") : Escaped(value.Text()));
      }
      WriteLine(stdout, items.join(u'\t'));
      recordset.MoveNext();
    });
  }
  steps(110, [&] {
    if (recordset.State() != adStateClosed) recordset.Close();
    if (connection.State() != adStateClosed) connection.Close();
  });
  return steps.failures() == 0 ? 0 : 1;
}

}  // namespace brelloquin::cli
