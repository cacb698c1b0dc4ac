#include "cli/usage.h"

#include <QStringList>
#include <vector>

namespace brelloquin::cli {

namespace {

struct Option {
  const char* flag;
  const char* text;
};

struct Command {
  const char* name;
  const char* arguments;  // after the command's name; '\n' where the help wraps it
  const char* summary;
  std::vector<Option> options;
};

const Option kCodePage{"--code-page N",
                       "write text in Windows code page N (default: the locale's)"};
const Option kCpg{"--cpg", "write NAME.cpg holding the code page beside each table"};
const Option kQuiet{"--quiet", "print no results (reports and warnings still on standard error)"};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands{
      {"sheets", "WORKBOOK", "Prints each sheet of the workbook as the converter lists it.", {}},
      {"dump",
       "WORKBOOK SHEET [--no-header]",
       "Prints the sheet's fields (NAME:TYPE) and rows, TAB-separated.",
       {{"--no-header", "read the first line as data, not as field names"}}},
      {"convert",
       "WORKBOOK [--sheet SHEET] [--out FILE.dbf] [--no-header]\n[--all-chars] [--dbase4] "
       "[--overwrite] [--code-page N] [--cpg] [--quiet]",
       "Converts one sheet into one DBF table, as the main window does.",
       {{"--sheet SHEET", "the sheet to convert (default: the first)"},
        {"--out FILE.dbf",
         "the table to write (default: named after the sheet, beside the workbook)"},
        {"--no-header", "read the first line as data; type the fields by their values"},
        {"--all-chars", "make every field a character field"},
        {"--dbase4", "write dBase IV (default: dBase III)"},
        {"--overwrite", "replace an existing table and its memo file"},
        kCodePage,
        kCpg,
        kQuiet}},
      {"batch",
       "PATH... [--code-page N] [--cpg] [--quiet]",
       "Converts every sheet of every workbook (folders are searched for *.xl*)\n"
       "into <workbook folder>/<workbook name>/<sheet>.dbf.",
       {kCodePage, kCpg, kQuiet}},
  };
  return commands;
}

const std::vector<Option> kCommonOptions{
    {"--help", "print the usage (after a command: that command's usage) and exit"},
    {"--version", "print the version and exit"}};

const std::vector<Option> kExitStatuses{
    {"0", "everything was converted, nothing reported"},
    {"1", "something was reported or refused (see standard error)"},
    {"2", "wrong usage"},
    {"3", "written, but some values were changed on the way"},
    {"4", "convert: the sheet is empty, nothing was written"}};

constexpr int kIndent = 22;  // where the wrapped part of a command's arguments begins

QString Arguments(const Command& command, const QString& wrap) {
  return QString::fromUtf8(command.arguments).replace(u'\n', wrap);
}

QString Synopsis(const Command& command) {
  return QStringLiteral("brelloquin-cli ") + QString::fromUtf8(command.name) + u' ' +
         Arguments(command, u'\n' + QString(kIndent, u' '));
}

QString OptionLines(const std::vector<Option>& options) {
  QString text;
  for (const Option& option : options)
    text += QStringLiteral("  %1  %2\n")
                .arg(QString::fromUtf8(option.flag), -16)
                .arg(QString::fromUtf8(option.text));
  return text;
}

// Roff treats a leading '.' or '\'' as a request and '\' and '-' specially.
QString Roff(const QString& text) {
  QString out = text;
  out.replace(u'\\', QStringLiteral("\\e")).replace(u'-', QStringLiteral("\\-"));
  if (out.startsWith(u'.') || out.startsWith(u'\'')) out.prepend(QStringLiteral("\\&"));
  return out;
}

QString RoffOptions(const std::vector<Option>& options) {
  QString text;
  for (const Option& option : options)
    text += QStringLiteral(".TP\n.B %1\n%2\n")
                .arg(Roff(QString::fromUtf8(option.flag)), Roff(QString::fromUtf8(option.text)));
  return text;
}

}  // namespace

QString Usage() {
  QString text;
  for (const Command& command : Commands())
    text += (text.isEmpty() ? QStringLiteral("usage: ") : QStringLiteral("       ")) +
            Synopsis(command) + u'\n';
  text += QStringLiteral(
              "       brelloquin-cli --help | --version\n"
              "       brelloquin-cli COMMAND --help\n\noptions:\n") +
          OptionLines(kCommonOptions) + QStringLiteral("\nexit status:\n") +
          OptionLines(kExitStatuses);
  return text;
}

QString CommandUsage(const QString& name) {
  for (const Command& command : Commands()) {
    if (name != QString::fromUtf8(command.name)) continue;
    QString text = QStringLiteral("usage: ") + Synopsis(command) + QStringLiteral("\n\n") +
                   QString::fromUtf8(command.summary) + u'\n';
    if (!command.options.empty())
      text += QStringLiteral("\noptions:\n") + OptionLines(command.options);
    return text;
  }
  return QString();
}

QString ManualPage(const QString& version) {
  QString page = QStringLiteral(
                     ".TH BRELLOQUIN-CLI 1 \"\" \"Brelloquin %1\" \"User Commands\"\n"
                     ".SH NAME\nbrelloquin-cli \\- convert spreadsheet workbooks "
                     "into dBase tables\n.SH SYNOPSIS\n")
                     .arg(version);
  for (const Command& command : Commands())
    page +=
        QStringLiteral(".B brelloquin-cli %1\n%2\n.br\n")
            .arg(QString::fromUtf8(command.name), Roff(Arguments(command, QStringLiteral(" "))));
  page += QStringLiteral(".B brelloquin-cli\n\\-\\-help | \\-\\-version\n.SH COMMANDS\n");
  for (const Command& command : Commands()) {
    page += QStringLiteral(".SS %1\n%2\n")
                .arg(QString::fromUtf8(command.name), Roff(QString::fromUtf8(command.summary)));
    page += RoffOptions(command.options);
  }
  page += QStringLiteral(".SH OPTIONS\n") + RoffOptions(kCommonOptions) +
          QStringLiteral(
              ".PP\nResults go to standard output; reports, refusals and warnings to "
              "standard error. On a terminal a progress line is shown on standard "
              "error while a conversion runs.\n.SH \"EXIT STATUS\"\n") +
          RoffOptions(kExitStatuses);
  return page;
}

}  // namespace brelloquin::cli
