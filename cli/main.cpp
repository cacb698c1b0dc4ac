// brelloquin-cli: the converter's engine from a terminal.

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

#include "cli/console_presenter.h"
#include "cli/convert.h"
#include "cli/dump.h"
#include "cli/usage.h"
#include "text/code_page.h"

namespace {

using namespace brelloquin;

int Usage() {
  std::fputs(qPrintable(cli::Usage()), stderr);
  return 2;
}

int Print(const QString& text) {
  std::fputs(text.toUtf8().constData(), stdout);
  return 0;
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
#ifndef _WIN32
  // The system's zone, read once: with no TZ the C library looks at /etc/localtime again for
  // every date it is asked, and opening a workbook asks for one per file in it.
  setenv("TZ", ":/etc/localtime", 0);
#endif
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments();
  args.removeFirst();
  cli::ConsolePresenter presenter;
  if (args.isEmpty()) return Usage();
  if (args.first() == u"--help" || args.first() == u"-h") return Print(cli::Usage());
  if (args.first() == u"--version")
    return Print(QStringLiteral("brelloquin-cli " BRELLOQUIN_VERSION "\n"));
  // Not in the usage: the manual page is made from it at build time.
  if (args.first() == u"--man") return Print(cli::ManualPage(QStringLiteral(BRELLOQUIN_VERSION)));
  const QString command = args.takeFirst();
  const QString commandUsage = cli::CommandUsage(command);
  if (commandUsage.isEmpty()) return Usage();
  if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h")))
    return Print(commandUsage);
  if (command == u"sheets" && args.size() == 1) return cli::Sheets(presenter, args[0]);
  if (command == u"dump") {
    const bool noHeader = TakeFlag(args, QStringLiteral("--no-header"));
    if (args.size() == 2) return cli::Dump(presenter, args[0], args[1], !noHeader);
    return Usage();
  }
  if (command != u"convert" && command != u"batch") return Usage();
  presenter.SetQuiet(TakeFlag(args, QStringLiteral("--quiet")));
  const bool cpg = TakeFlag(args, QStringLiteral("--cpg"));

  QString codePageNumber;
  if (!TakeValue(args, QStringLiteral("--code-page"), codePageNumber)) return Usage();
  text::CodePage codePage = text::CodePage::ForSystemLocale();
  if (!codePageNumber.isEmpty()) {
    bool number = false;
    const auto chosen = text::CodePage::FromWindows(codePageNumber.toInt(&number));
    if (!number || !chosen) {
      std::fprintf(stderr, "brelloquin-cli: unknown code page %s\n", qPrintable(codePageNumber));
      return Usage();
    }
    codePage = *chosen;
  }
  if (command == u"batch") {
    if (args.isEmpty() || args.first().startsWith(QStringLiteral("--"))) return Usage();
    return cli::Batch(presenter, args, codePage, cpg);
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
  request.cpg = cpg;
  return cli::Convert(presenter, request);
}
