// The command line on a bad day: a full disk, a killed run, a table that cannot be made, a memo
// file in the way. Nothing the user had is lost, and nothing half-written looks like a table.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "engine/dbf_reader.h"
#include "engine/qt_printers.h"
#include "support/cli_run.h"
#include "support/xlsx_writer.h"

namespace brelloquin {
namespace {

using testing::XlsxRow;

using testing::CliRun;

// The command line under a file-size limit (in KiB), as a full disk would stop it: SIGXFSZ is
// ignored, so writes fail with EFBIG instead of killing the process.
CliRun CliWithFileLimit(const QStringList& arguments, int kib) {
  QProcess process;
  QStringList quoted;
  for (const QString& argument : arguments) quoted << u'\'' + argument + u'\'';
  process.start(
      QStringLiteral("/bin/bash"),
      {QStringLiteral("-c"), QStringLiteral("trap '' XFSZ; ulimit -f %1; exec '%2' %3")
                                 .arg(kib)
                                 .arg(QStringLiteral(BRELLOQUIN_CLI), quoted.join(u' '))});
  process.waitForFinished(120000);
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

class CliFaults : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString Path(const QString& name) const { return dir_.filePath(name); }

  // A sheet "Big" of `rows` rows × 4 columns after its header row.
  QString BigBook(const QString& name, int rows) {
    std::vector<XlsxRow> cells{{QStringLiteral("id"), QStringLiteral("name"),
                                QStringLiteral("note"), QStringLiteral("amount")}};
    for (int i = 0; i < rows; ++i)
      cells.push_back({double(i), QStringLiteral("name %1").arg(i),
                       QStringLiteral("a note long enough to fill the record %1").arg(i),
                       i * 1.25});
    const QString path = Path(name);
    EXPECT_TRUE(testing::WriteXlsx(path, {{QStringLiteral("Big"), cells}}));
    return path;
  }

  QStringList Files(const QString& folder = QString()) const {
    return QDir(Path(folder)).entryList(QDir::Files, QDir::Name);
  }

  QTemporaryDir dir_;
};

// One report, with the system's reason, for the table that could not be written.
::testing::AssertionResult ReportedOnce(const CliRun& run, const QString& table) {
  const QString expected =
      QStringLiteral("Could not write the table ") + table + QStringLiteral(": File too large");
  if (run.status == 1 && run.err.count(QStringLiteral("Please email screenshot")) == 1 &&
      run.err.contains(expected))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "status " << run.status << ", " << run.err.toStdString();
}

TEST_F(CliFaults, AWriteFailureIsReportedOnceAndLeavesTheOldTable) {
  const QString book = BigBook(QStringLiteral("b5k.xlsx"), 5000);
  Write(Path(QStringLiteral("Big.dbf")), "the user's old table");
  const CliRun run =
      CliWithFileLimit({QStringLiteral("convert"), book, QStringLiteral("--out"),
                        Path(QStringLiteral("Big.dbf")), QStringLiteral("--overwrite")},
                       64);
  EXPECT_TRUE(ReportedOnce(run, Path(QStringLiteral("Big.dbf"))));
  EXPECT_FALSE(run.out.contains(QStringLiteral("Done!")));
  EXPECT_EQ(Contents(Path(QStringLiteral("Big.dbf"))), "the user's old table");
  EXPECT_EQ(Files(), (QStringList{QStringLiteral("Big.dbf"), QStringLiteral("b5k.xlsx")}));

  // The batch: no table claiming rows it lacks, and the run goes on to "Done.".
  const CliRun batch = CliWithFileLimit({QStringLiteral("batch"), book}, 64);
  EXPECT_TRUE(ReportedOnce(batch, Path(QStringLiteral("b5k/Big.dbf"))));
  EXPECT_TRUE(batch.out.endsWith(QStringLiteral("Done.\n")));
  EXPECT_EQ(Files(QStringLiteral("b5k")), QStringList{});
}

TEST_F(CliFaults, AKilledRunLeavesTheOldTableAndNothingThatLooksLikeATable) {
  const QString book = BigBook(QStringLiteral("big.xlsx"), 100000);
  const QString table = Path(QStringLiteral("Big.dbf"));
  Write(table, "the user's old table");
  QProcess process;
  process.start(QStringLiteral(BRELLOQUIN_CLI),
                {QStringLiteral("convert"), book, QStringLiteral("--out"), table,
                 QStringLiteral("--overwrite"), QStringLiteral("--all-chars")});
  // Killed while the new table is being written.
  QElapsedTimer waited;
  waited.start();
  while (!QFile::exists(table + QStringLiteral(".brelloquin-partial")) &&
         process.state() != QProcess::NotRunning && waited.elapsed() < 60000)
    QThread::usleep(200);
  process.kill();
  process.waitForFinished();
  EXPECT_EQ(Contents(table), "the user's old table");
  for (const QString& file : Files())
    EXPECT_TRUE(file == u"big.xlsx" || file == u"Big.dbf" || file.endsWith(u".brelloquin-partial"))
        << file.toStdString();

  // The next run into the folder takes the old table's place and clears what was left.
  QProcess again;
  again.start(QStringLiteral(BRELLOQUIN_CLI),
              {QStringLiteral("convert"), book, QStringLiteral("--out"), table,
               QStringLiteral("--overwrite"), QStringLiteral("--all-chars")});
  ASSERT_TRUE(again.waitForFinished(120000));
  EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();
  EXPECT_EQ(Files(), (QStringList{QStringLiteral("Big.dbf"), QStringLiteral("big.xlsx")}));
  EXPECT_EQ(testing::ReadDbf(table).records.size(), 100000);
}

TEST_F(CliFaults, ARefusedTableLeavesTheOldOneAndTheMemoFileNeedsConsentToo) {
  XlsxRow wide;
  for (int i = 0; i < 300; ++i) wide.emplace_back(double(i));
  const QString book = Path(QStringLiteral("wide.xlsx"));
  ASSERT_TRUE(testing::WriteXlsx(
      book, {{QStringLiteral("Wide"), {wide, wide}},
             {QStringLiteral("Long"), {{QStringLiteral("note")}, {QString(300, u'x')}}}}));
  Write(Path(QStringLiteral("wide.dbf")), "old");
  QProcess process;
  process.start(QStringLiteral(BRELLOQUIN_CLI),
                {QStringLiteral("convert"), book, QStringLiteral("--out"),
                 Path(QStringLiteral("wide.dbf")), QStringLiteral("--overwrite")});
  process.waitForFinished();
  EXPECT_EQ(process.exitCode(), 1);
  EXPECT_TRUE(process.readAllStandardError().contains("has 300 columns"));
  EXPECT_EQ(Contents(Path(QStringLiteral("wide.dbf"))), "old");

  // A memo file of the table's name is the user's as much as the table.
  Write(Path(QStringLiteral("long.dbt")), "memo");
  QProcess refused;
  refused.start(
      QStringLiteral(BRELLOQUIN_CLI),
      {QStringLiteral("convert"), book, QStringLiteral("--sheet"), QStringLiteral("Long$"),
       QStringLiteral("--out"), Path(QStringLiteral("long.dbf")), QStringLiteral("--no-header")});
  refused.waitForFinished();
  EXPECT_EQ(refused.exitCode(), 1);
  EXPECT_EQ(QString::fromUtf8(refused.readAllStandardError()),
            Path(QStringLiteral("long.dbt")) + QStringLiteral(" already exists.\n"));
  EXPECT_EQ(Contents(Path(QStringLiteral("long.dbt"))), "memo");
}

}  // namespace
}  // namespace brelloquin
