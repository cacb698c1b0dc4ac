// brelloquin-cli: the converter's engine from a terminal.

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "cli/console_presenter.h"
#include "cli/inspect.h"

namespace {

constexpr char kUsage[] =
    "usage: brelloquin-cli sheets WORKBOOK\n"
    "       brelloquin-cli dump WORKBOOK SHEET [--no-header]\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments();
  args.removeFirst();
  brelloquin::cli::ConsolePresenter presenter;
  if (args.isEmpty()) return Usage();
  const QString command = args.takeFirst();
  if (command == u"sheets" && args.size() == 1) return brelloquin::cli::Sheets(presenter, args[0]);
  if (command == u"dump") {
    const bool noHeader = args.removeAll(QStringLiteral("--no-header")) > 0;
    if (args.size() == 2) return brelloquin::cli::Dump(presenter, args[0], args[1], !noHeader);
  }
  return Usage();
}
