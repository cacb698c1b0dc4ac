// brelloquin-cli as a person at a terminal and a script see it: help, version, quiet runs, the
// progress line (only on a terminal) and the code page files for GIS programs.

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "support/cli_run.h"
#include "support/xlsx_writer.h"

namespace {

using brelloquin::testing::WriteXlsx;
using brelloquin::testing::XlsxRow;

using Outcome = brelloquin::testing::CliRun;
// Output read from pipes, as a script reads it.
const auto Piped = brelloquin::testing::Cli;

// Runs the program with a pseudo-terminal as its standard streams; returns all it wrote there.
QString OnTerminal(const QStringList& arguments, int& status) {
  int terminal = -1, program = -1;
  winsize size{};
  size.ws_col = 200;
  size.ws_row = 40;
  if (openpty(&terminal, &program, nullptr, nullptr, &size) != 0) return QString();
  std::vector<QByteArray> bytes{QByteArray(BRELLOQUIN_CLI)};
  for (const QString& argument : arguments) bytes.push_back(argument.toUtf8());
  std::vector<char*> argv;
  for (QByteArray& item : bytes) argv.push_back(item.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();
    dup2(program, STDIN_FILENO);
    dup2(program, STDOUT_FILENO);
    dup2(program, STDERR_FILENO);
    close(terminal);
    close(program);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(program);
  QByteArray written;
  char buffer[4096];
  ssize_t n;
  while ((n = read(terminal, buffer, sizeof buffer)) > 0) written.append(buffer, n);
  int wait = 0;
  waitpid(pid, &wait, 0);
  close(terminal);
  status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
  return QString::fromUtf8(written);
}

// Two small workbooks in a folder of their own.
QString TwoBooks(const QTemporaryDir& dir) {
  const QString folder = dir.filePath(QStringLiteral("books"));
  QDir().mkpath(folder);
  const std::vector<XlsxRow> rows{{QStringLiteral("Name"), QStringLiteral("Town")},
                                  {QStringLiteral("Ann"), QStringLiteral("Kyiv")}};
  EXPECT_TRUE(WriteXlsx(folder + QStringLiteral("/Alpha.xlsx"), {{QStringLiteral("One"), rows}}));
  EXPECT_TRUE(WriteXlsx(folder + QStringLiteral("/Beta.xlsx"),
                        {{QStringLiteral("Two"), rows}, {QStringLiteral("Three"), rows}}));
  return folder;
}

const QRegularExpression kTerminalControl(QStringLiteral("[\\r\\x1b]"));

TEST(CliTerminal, HelpPerCommandVersionAndManualPageFromTheSameText) {
  for (const QString& command : {QStringLiteral("sheets"), QStringLiteral("dump"),
                                 QStringLiteral("convert"), QStringLiteral("batch")}) {
    const Outcome help = Piped({command, QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0) << command.toStdString();
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("usage: brelloquin-cli ") + command + u' '))
        << help.out.toStdString();
    EXPECT_TRUE(help.err.isEmpty());
  }
  const Outcome convert = Piped({QStringLiteral("convert"), QStringLiteral("--help")});
  EXPECT_TRUE(convert.out.contains(QStringLiteral("\n  --cpg ")));
  EXPECT_TRUE(convert.out.contains(QStringLiteral("\n  --quiet ")));
  EXPECT_EQ(Piped({QStringLiteral("nonsense"), QStringLiteral("--help")}).status, 2);

  const Outcome version = Piped({QStringLiteral("--version")});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^brelloquin-cli \\d+\\.\\d+(\\.\\d+)*\\n$"))
                  .match(version.out)
                  .hasMatch())
      << version.out.toStdString();

  // Every option and exit status the help names is in the manual page, and only there under
  // the program's own sections.
  const Outcome man = Piped({QStringLiteral("--man")});
  EXPECT_EQ(man.status, 0);
  EXPECT_TRUE(man.out.startsWith(QStringLiteral(".TH BRELLOQUIN-CLI 1 ")));
  QString roff = man.out;
  roff.replace(QStringLiteral("\\-"), QStringLiteral("-"));
  const QRegularExpression option(QStringLiteral("^  (--[a-z-]+|\\d) "),
                                  QRegularExpression::MultilineOption);
  int options = 0;
  for (const QString& text : {Piped({QStringLiteral("--help")}).out, convert.out}) {
    for (auto match = option.globalMatch(text); match.hasNext(); ++options) {
      const QString name = match.next().captured(1);
      EXPECT_TRUE(roff.contains(QStringLiteral(".B ") + name)) << name.toStdString();
    }
  }
  EXPECT_GE(options, 15);
}

TEST(CliTerminal, PipesSeeNoProgressAndQuietKeepsOnlyStandardError) {
  QTemporaryDir dir;
  const QString folder = TwoBooks(dir);
  const Outcome batch = Piped({QStringLiteral("batch"), folder});
  EXPECT_EQ(batch.status, 0) << batch.err.toStdString();
  EXPECT_EQ(batch.out, folder + QStringLiteral("/Alpha.xlsx\n") + folder +
                           QStringLiteral("/Beta.xlsx\nDone.\n"));
  EXPECT_TRUE(batch.err.isEmpty()) << batch.err.toStdString();

  // A refusal still reaches standard error when quiet; the results do not reach standard output.
  const Outcome quiet = Piped({QStringLiteral("batch"), folder, QStringLiteral("--quiet"),
                               dir.filePath(QStringLiteral("missing.xlsx"))});
  EXPECT_EQ(quiet.status, 1);
  EXPECT_TRUE(quiet.out.isEmpty()) << quiet.out.toStdString();
  EXPECT_TRUE(quiet.err.contains(QStringLiteral("missing.xlsx"))) << quiet.err.toStdString();
  EXPECT_FALSE(quiet.err.contains(kTerminalControl));

  const Outcome empty = Piped({QStringLiteral("convert"), folder + QStringLiteral("/Alpha.xlsx"),
                               QStringLiteral("--quiet"), QStringLiteral("--out"),
                               dir.filePath(QStringLiteral("a.dbf"))});
  EXPECT_EQ(empty.status, 0) << empty.err.toStdString();
  EXPECT_TRUE(empty.out.isEmpty() && empty.err.isEmpty()) << empty.out.toStdString();
  EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("A.dbf"))) ||
              QFile::exists(dir.filePath(QStringLiteral("a.dbf"))));
}

TEST(CliTerminal, ATerminalSeesWhichWorkbookAndHowManyRowsThenTheLineErased) {
  QTemporaryDir dir;
  const QString folder = TwoBooks(dir);
  int status = -1;
  const QString batch = OnTerminal({QStringLiteral("batch"), folder}, status);
  EXPECT_EQ(status, 0) << batch.toStdString();
  EXPECT_TRUE(batch.contains(QStringLiteral("\r\x1b[Kworkbook 1 of 2: Alpha.xlsx")))
      << batch.toStdString();
  // The line is erased before the next result is written over it.
  EXPECT_GE(
      batch.indexOf(QStringLiteral("\r\x1b[K"), batch.lastIndexOf(QStringLiteral("workbook "))), 0);
  EXPECT_TRUE(batch.endsWith(QStringLiteral("Done.\r\n"))) << batch.toStdString();

  // Long enough to write for more than the engine's 50 ms between progress reports.
  std::vector<XlsxRow> rows{{QStringLiteral("Number"), QStringLiteral("Text")}};
  for (int i = 0; i < 40000; ++i)
    rows.push_back({static_cast<double>(i), QStringLiteral("row %1 of a long sheet").arg(i)});
  const QString book = dir.filePath(QStringLiteral("long.xlsx"));
  ASSERT_TRUE(WriteXlsx(book, {{QStringLiteral("Long"), rows}}));
  const QString convert = OnTerminal({QStringLiteral("convert"), book, QStringLiteral("--out"),
                                      dir.filePath(QStringLiteral("long.dbf"))},
                                     status);
  EXPECT_EQ(status, 0) << convert.toStdString();
  const QRegularExpressionMatch written =
      QRegularExpression(QStringLiteral("\\r\\x1b\\[K(\\d+) rows written")).match(convert);
  ASSERT_TRUE(written.hasMatch()) << convert.toStdString();
  EXPECT_LE(written.captured(1).toInt(), 40000);
  // Nothing of the line is left behind: the last thing before the output is its erasure.
  const qsizetype last = convert.lastIndexOf(QStringLiteral("rows written"));
  EXPECT_GE(convert.indexOf(QStringLiteral("\r\x1b[K"), last), 0);
}

TEST(CliTerminal, CpgBesideEachTableOnlyWhenAsked) {
  QTemporaryDir dir;
  const QString folder = TwoBooks(dir);
  const Outcome plain = Piped({QStringLiteral("batch"), folder});
  ASSERT_EQ(plain.status, 0) << plain.err.toStdString();
  EXPECT_TRUE(
      QDir(folder + QStringLiteral("/Beta")).entryList({QStringLiteral("*.cpg")}).isEmpty());

  const Outcome batch = Piped({QStringLiteral("batch"), folder, QStringLiteral("--cpg"),
                               QStringLiteral("--code-page"), QStringLiteral("1251")});
  ASSERT_EQ(batch.status, 0) << batch.err.toStdString();
  for (const QString& table :
       {QStringLiteral("/Alpha/One"), QStringLiteral("/Beta/Two"), QStringLiteral("/Beta/Three")}) {
    QFile cpg(folder + table + QStringLiteral(".cpg"));
    ASSERT_TRUE(cpg.open(QIODevice::ReadOnly)) << table.toStdString();
    EXPECT_EQ(cpg.readAll(), QByteArray("1251"));
  }

  const Outcome convert =
      Piped({QStringLiteral("convert"), folder + QStringLiteral("/Alpha.xlsx"),
             QStringLiteral("--out"), dir.filePath(QStringLiteral("town.dbf")),
             QStringLiteral("--cpg"), QStringLiteral("--code-page"), QStringLiteral("1257")});
  ASSERT_EQ(convert.status, 0) << convert.err.toStdString();
  QFile cpg(dir.filePath(QStringLiteral("town.cpg")));
  ASSERT_TRUE(cpg.open(QIODevice::ReadOnly));
  EXPECT_EQ(cpg.readAll(), QByteArray("1257"));
}

}  // namespace
