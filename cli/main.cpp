// brelloquin-cli: the converter's engine from a terminal.

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "cli/console_presenter.h"
#include "cli/convert.h"
#include "cli/dump.h"
#include "dbf/code_page.h"

namespace {

constexpr char kUsage[] =
    "usage: brelloquin-cli sheets WORKBOOK\n"
    "       brelloquin-cli dump WORKBOOK SHEET [--no-header]\n"
    "       brelloquin-cli convert WORKBOOK [--sheet SHEET] [--out FILE.dbf] [--no-header]\n"
    "                      [--all-chars] [--dbase4] [--overwrite] [--code-page N]\n"
    "       brelloquin-cli batch PATH... [--code-page N]\n"
    "       brelloquin-cli --help\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

// Takes "--name VALUE" out of args; false when the name stands without a value.
bool TakeValue(QStringList& args, const QString& name, QString& value) {
  const qsizetype at = args.indexOf(name);
  if (at < 0) return true;
  if (at + 1 >= args.size()) return false;
  value = args[at + 1];
  args.remove(at, 2);
  return true;
}

bool TakeFlag(QStringList& args, const QString& name) { return args.removeAll(name) > 0; }

}  // namespace

int main(int argc, char** argv) {
  using namespace brelloquin;
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments();
  args.removeFirst();
  cli::ConsolePresenter presenter;
  if (args.isEmpty()) return Usage();
  if (args.first() == u"--help" || args.first() == u"-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const QString command = args.takeFirst();
  if (command == u"sheets" && args.size() == 1) return cli::Sheets(presenter, args[0]);
  if (command == u"dump") {
    const bool noHeader = TakeFlag(args, QStringLiteral("--no-header"));
    if (args.size() == 2) return cli::Dump(presenter, args[0], args[1], !noHeader);
    return Usage();
  }
  if (command != u"convert" && command != u"batch") return Usage();

  QString codePageNumber;
  if (!TakeValue(args, QStringLiteral("--code-page"), codePageNumber)) return Usage();
  dbf::CodePage codePage = dbf::CodePage::ForSystemLocale();
  if (!codePageNumber.isEmpty()) {
    bool number = false;
    const auto chosen = dbf::CodePage::FromWindows(codePageNumber.toInt(&number));
    if (!number || !chosen) {
      std::fprintf(stderr, "brelloquin-cli: unknown code page %s\n", qPrintable(codePageNumber));
      return Usage();
    }
    codePage = *chosen;
  }
  if (command == u"batch") {
    if (args.isEmpty() || args.first().startsWith(QStringLiteral("--"))) return Usage();
    return cli::Batch(presenter, args, codePage);
  }
  cli::ConvertRequest request;
  if (!TakeValue(args, QStringLiteral("--sheet"), request.sheet) ||
      !TakeValue(args, QStringLiteral("--out"), request.out))
    return Usage();
  request.header = !TakeFlag(args, QStringLiteral("--no-header"));
  request.allCharacters = TakeFlag(args, QStringLiteral("--all-chars"));
  request.dbase4 = TakeFlag(args, QStringLiteral("--dbase4"));
  request.overwrite = TakeFlag(args, QStringLiteral("--overwrite"));
  if (args.size() != 1 || args[0].startsWith(QStringLiteral("--"))) return Usage();
  request.workbook = args[0];
  request.codePage = codePage;
  return cli::Convert(presenter, request);
}
