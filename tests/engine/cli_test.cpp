// brelloquin-cli as a user runs it: output, refusals and exit status.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "engine/qt_printers.h"
#include "support/cli_run.h"
#include "support/xlsx_writer.h"

namespace {

const QString kFixtures = QStringLiteral(BRELLOQUIN_SOURCE_DIR "/tests/fixtures/");

using brelloquin::testing::Cli;
using brelloquin::testing::CliRun;

TEST(Cli, WrongUsageExitsTwo) {
  EXPECT_EQ(Cli({}).status, 2);
  EXPECT_EQ(Cli({QStringLiteral("dump"), QStringLiteral("only-one")}).status, 2);
  EXPECT_EQ(
      Cli({QStringLiteral("convert"), QStringLiteral("x.xlsx"), QStringLiteral("--sheet")}).status,
      2);
  const CliRun unknown = Cli({QStringLiteral("batch"), QStringLiteral("x"),
                              QStringLiteral("--code-page"), QStringLiteral("1200")});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_TRUE(unknown.err.startsWith(QStringLiteral("brelloquin-cli: unknown code page 1200")));
}

TEST(Cli, HelpGoesToStandardOutputAndAnEmptySheetIsNoSuccess) {
  const CliRun help = Cli({QStringLiteral("--help")});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.startsWith(QStringLiteral("usage: brelloquin-cli sheets WORKBOOK\n")));
  EXPECT_TRUE(help.err.isEmpty());

  QTemporaryDir dir;
  const QString book = dir.filePath(QStringLiteral("conversion.xlsx"));
  ASSERT_TRUE(QFile::copy(kFixtures + QStringLiteral("conversion.xlsx"), book));
  const CliRun empty =
      Cli({QStringLiteral("convert"), book, QStringLiteral("--sheet"), QStringLiteral("Empty$")});
  EXPECT_EQ(empty.status, 4);
  EXPECT_EQ(empty.out, QStringLiteral("Empty sheet!\n"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
            QStringList{QStringLiteral("conversion.xlsx")});
}

TEST(Cli, SheetsAndDumpWithEscapes) {
  const CliRun sheets =
      Cli({QStringLiteral("sheets"), kFixtures + QStringLiteral("sheet_names.xlsx")});
  EXPECT_EQ(sheets.status, 0);
  EXPECT_TRUE(sheets.out.startsWith(QStringLiteral("Sheet1$\n'Q1 Data$'\n'2014$'\n#Data$\n")));
  const CliRun dump = Cli({QStringLiteral("dump"), kFixtures + QStringLiteral("formulas.xlsx"),
                           QStringLiteral("Formulas$"), QStringLiteral("--no-header")});
  EXPECT_EQ(dump.status, 0) << dump.err.toStdString();
  const QStringList lines = dump.out.split(u'\n');
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("F1:5\tF2:202\tF3:11\t")));
  // A CR inside a value is written as \r, a Null as \N.
  EXPECT_TRUE(lines[1].endsWith(QStringLiteral("\tx\\r"))) << lines[1].toStdString();
  EXPECT_TRUE(lines[1].contains(QStringLiteral("\t\\N\t")));
}

TEST(Cli, DumpShowsDatesAndDurationsAsTheSpreadsheetDoes) {
  using brelloquin::testing::Formatted;
  QTemporaryDir dir;
  const QString book = dir.filePath(QStringLiteral("dates.xlsx"));
  ASSERT_TRUE(brelloquin::testing::WriteXlsx(
      book, {{QStringLiteral("Dates"),
              {{Formatted{1, QStringLiteral("yyyy-mm-dd")},
                Formatted{60.5, QStringLiteral("yyyy-mm-dd hh:mm")},
                Formatted{10.6320601851852, QStringLiteral("[h]:mm:ss")},
                Formatted{2958465.999999, QStringLiteral("yyyy-mm-dd hh:mm:ss")}}}}}));
  const CliRun dump =
      Cli({QStringLiteral("dump"), book, QStringLiteral("Dates$"), QStringLiteral("--no-header")});
  EXPECT_EQ(dump.status, 0) << dump.err.toStdString();
  EXPECT_EQ(dump.out, QStringLiteral("F1:7\tF2:202\tF3:202\tF4:7\n1900-01-01\t1900-02-29 "
                                     "12:00:00\t255:10:10\t9999-12-31 23:59:59\n"));
}

TEST(Cli, FailuresPrintTheReportAndExitOne) {
  const CliRun missing =
      Cli({QStringLiteral("sheets"), kFixtures + QStringLiteral("nothing.xlsx")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(missing.err.contains(
      QStringLiteral("\nin Velmorandt2/19/2015.Form1.listSheets at line 110\nIf Your Excel file "
                     "is password-protected, just open it in MS Excel, don't close and try again\n"
                     "Please email screenshot of this message to support@brelloquin.example\n")))
      << missing.err.toStdString();
  EXPECT_TRUE(missing.out.isEmpty());
}

TEST(Cli, ConvertRefusesAndNeverReplacesWithoutConsent) {
  QTemporaryDir dir;
  const QString book = dir.filePath(QStringLiteral("book.xlsx"));
  ASSERT_TRUE(QFile::copy(kFixtures + QStringLiteral("twin_basic.xlsx"), book));
  EXPECT_EQ(Cli({QStringLiteral("convert"), QStringLiteral("  ")}).err,
            QStringLiteral("You forgot to select Excel input file.\n"));
  EXPECT_EQ(Cli({QStringLiteral("convert"), dir.filePath(QStringLiteral("none.xlsx"))}).err,
            QStringLiteral("Excel input file not found.\n"));
  // A folder or a pipe is there, so neither is "not found"; the pipe is never opened.
  const QString folder = dir.filePath(QStringLiteral("folder.xlsx"));
  QDir().mkpath(folder);
  EXPECT_EQ(Cli({QStringLiteral("convert"), folder}).err,
            QStringLiteral("'%1' is a folder, not a workbook.\n").arg(folder));
  const QString pipe = dir.filePath(QStringLiteral("pipe.xlsx"));
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  const CliRun piped = Cli({QStringLiteral("convert"), pipe});
  EXPECT_EQ(piped.status, 1);
  EXPECT_TRUE(piped.err.contains(QStringLiteral("is not a regular file")))
      << piped.err.toStdString();

  // Without --sheet and --out: the first sheet, into the workbook's folder.
  // "Борис" is not in code page 1252: written with "?", and said so.
  const CliRun first =
      Cli({QStringLiteral("convert"), book, QStringLiteral("--code-page"), QStringLiteral("1252")});
  EXPECT_EQ(first.status, 3) << first.err.toStdString();
  const QString people = dir.filePath(QStringLiteral("People.dbf"));
  EXPECT_EQ(first.err, QStringLiteral("The table ") + people +
                           QStringLiteral(" was written, but 1 of its values held characters that "
                                          "code page 1252 lacks; each such character was written "
                                          "as \"?\". Write it in another code page with "
                                          "--code-page N (for example --code-page 1251 for "
                                          "Cyrillic, 1250 for Central European text, 932 for "
                                          "Japanese).\n"));
  EXPECT_EQ(first.out, QStringLiteral("Done!\nFile ") + people + QStringLiteral(" was created.\n"));
  QFile::resize(people, 10);
  const CliRun again = Cli({QStringLiteral("convert"), book});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err, people + QStringLiteral(" already exists.\n"));
  EXPECT_EQ(QFileInfo(people).size(), 10);
  // The file checked is the one the conversion writes, whatever --out spells.
  const CliRun longName = Cli({QStringLiteral("convert"), book, QStringLiteral("--out"),
                               dir.filePath(QStringLiteral("People list.dbf"))});
  EXPECT_EQ(longName.status, 3) << longName.err.toStdString();
  EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("People_l.dbf"))));
  const CliRun replace = Cli({QStringLiteral("convert"), book, QStringLiteral("--overwrite"),
                              QStringLiteral("--dbase4"), QStringLiteral("--all-chars")});
  EXPECT_EQ(replace.status, 3) << replace.err.toStdString();
  EXPECT_GT(QFileInfo(people).size(), 10);
}

TEST(Cli, BatchSearchesFoldersAndSaysDone) {
  QTemporaryDir dir;
  QDir(dir.path()).mkpath(QStringLiteral("in/sub"));
  QDir(dir.path()).mkpath(QStringLiteral("in/.hidden"));
  ASSERT_TRUE(QFile::copy(kFixtures + QStringLiteral("twin_basic.xlsx"),
                          dir.filePath(QStringLiteral("in/basic.xlsx"))));
  ASSERT_TRUE(QFile::copy(kFixtures + QStringLiteral("twin_formulas.xls"),
                          dir.filePath(QStringLiteral("in/sub/formulas.xls"))));
  ASSERT_TRUE(QFile::copy(kFixtures + QStringLiteral("twin_basic.xlsx"),
                          dir.filePath(QStringLiteral("in/~$basic.xlsx"))));
  ASSERT_TRUE(QFile::copy(kFixtures + QStringLiteral("twin_basic.xlsx"),
                          dir.filePath(QStringLiteral("in/.hidden/skipped.xlsx"))));
  const CliRun batch = Cli({QStringLiteral("batch"), dir.filePath(QStringLiteral("in"))});
  EXPECT_EQ(batch.status, 3) << batch.err.toStdString();  // "Борис" again
  EXPECT_TRUE(batch.out.endsWith(QStringLiteral("Done.\n")));
  EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("in/basic/People.dbf"))));
  EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("in/basic/Totals_2.dbf"))));
  EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("in/sub/formulas/Formulas.dbf"))));
  EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("in/~$basic"))));
  EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("in/.hidden/skipped"))));

  const CliRun bad = Cli({QStringLiteral("batch"), dir.filePath(QStringLiteral("nothing.xlsx")),
                          dir.filePath(QStringLiteral("in/basic.xlsx"))});
  EXPECT_EQ(bad.status, 1);
  EXPECT_TRUE(bad.err.contains(QStringLiteral("CreateDBFFromXLS at line 116")));
  EXPECT_TRUE(bad.out.endsWith(QStringLiteral("Done.\n")));  // the run goes on to the end
}

}  // namespace
