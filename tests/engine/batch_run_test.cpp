// The batch run over a list, as the batch window and the command line both run it.

#include <gtest/gtest.h>

#include "engine/qt_printers.h"

#include <QFile>

#include "batch_window/Form2Actions.h"
#include "engine/conversion_fixture.h"
#include "support/xlsx_writer.h"

namespace brelloquin {
namespace {

class BatchRun : public testing::ConversionFixture {
 protected:
  QString Book(const QString& name, const QString& sheet) {
    const QString path = Path(name);
    EXPECT_TRUE(
        testing::WriteXlsx(path, {{sheet, {{QStringLiteral("id")}, {QStringLiteral("1")}}}}));
    return path;
  }

  // Runs over `list`, recording the progress values, the workbooks started and the busy states.
  ConversionResult Run() {
    Form2Actions::BatchRunHost host{[this] { return list_; }};
    host.setBusy = [this](bool busy) { busy_ << busy; };
    host.yield = [this] { yield_(); };
    host.setProgress = [this](int value) { progress_ << value; };
    host.starting = [this](const QString& workbook) { started_ << workbook; };
    return Form2Actions::RunBatch(engine_, presenter_, host);
  }

  QStringList list_;
  std::function<void()> yield_ = [] {};
  QList<int> progress_;
  QList<bool> busy_;
  QStringList started_;
};

TEST_F(BatchRun, AnEmptyListSaysDoneAndConvertsNothing) {
  engine_.UsedOutputNames = QStringLiteral(" Left over");
  Run();
  EXPECT_EQ(progress_, QList<int>{0});
  EXPECT_EQ(busy_, (QList<bool>{true, false}));
  ASSERT_EQ(presenter_.messages.size(), 1u);
  EXPECT_EQ(presenter_.messages[0].text, QStringLiteral("Done."));
  EXPECT_EQ(presenter_.messages[0].style, shell::kStylePlain);
  EXPECT_EQ(engine_.UsedOutputNames, QString());
}

TEST_F(BatchRun, ProgressRisesBeforeEachWorkbookAndNamesSpanTheRun) {
  list_ = {Book(QStringLiteral("a.xlsx"), QStringLiteral("Data")),
           Book(QStringLiteral("b.xlsx"), QStringLiteral("Data")),
           Path(QStringLiteral("notes.txt"))};
  QFile(list_[2]).open(QIODevice::WriteOnly);
  const ConversionResult result = Run();
  EXPECT_EQ(progress_, (QList<int>{33, 66, 100, 0}));
  EXPECT_EQ(started_, list_);
  // The text file is reported and the run goes on to "Done.".
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_EQ(presenter_.messages.back().text, QStringLiteral("Done."));
  // The name rule sees the first workbook's names: the second Data becomes Dat1.
  EXPECT_EQ(engine_.UsedOutputNames, QStringLiteral(" Data Dat1"));
  // What the run did, told without reading the messages.
  EXPECT_EQ(result.tables,
            (QStringList{Path(QStringLiteral("a/Data.dbf")), Path(QStringLiteral("b/Dat1.dbf"))}));
  EXPECT_EQ(result.reports, 1);
  EXPECT_EQ(result.outcome, ConversionOutcome::Failed);
  for (const QString& table : result.tables) EXPECT_TRUE(QFile::exists(table));
}

TEST_F(BatchRun, NamesFollowTheUsedListWhereverACallerChangedIt) {
  const QString a = Book(QStringLiteral("a.xlsx"), QStringLiteral("Data"));
  const QString b = Book(QStringLiteral("b.xlsx"), QStringLiteral("Data"));
  const QString c = Book(QStringLiteral("c.xlsx"), QStringLiteral("Data"));
  const auto convert = [this](const QString& book) {
    return engine_.CreateDBFFromXLS(book, QStringLiteral("Yes"), QStringLiteral("dBase III"), true)
        .tables;
  };
  EXPECT_EQ(convert(a), QStringList{Path(QStringLiteral("a/Data.dbf"))});
  // Names added by the caller count, and so do names it took away.
  engine_.UsedOutputNames += QStringLiteral(" Dat1");
  EXPECT_EQ(convert(b), QStringList{Path(QStringLiteral("b/Dat2.dbf"))});
  engine_.UsedOutputNames = QStringLiteral(" Data");
  EXPECT_EQ(convert(c), QStringList{Path(QStringLiteral("c/Dat1.dbf"))});
  EXPECT_EQ(engine_.UsedOutputNames, QStringLiteral(" Data Dat1"));
}

TEST_F(BatchRun, AnEntryRemovedWhileTheRunYieldsIsSkipped) {
  list_ = {Book(QStringLiteral("a.xlsx"), QStringLiteral("A")),
           Book(QStringLiteral("b.xlsx"), QStringLiteral("B")),
           Book(QStringLiteral("c.xlsx"), QStringLiteral("C"))};
  const QString removed = list_[1];
  // The user deletes the second entry while the first is about to be converted.
  yield_ = [this, removed] { list_.removeAll(removed); };
  Run();
  EXPECT_EQ(started_, (QStringList{list_[0], list_[1]}));
  EXPECT_FALSE(QFile::exists(Path(QStringLiteral("b/B.dbf"))));
  EXPECT_TRUE(QFile::exists(Path(QStringLiteral("c/C.dbf"))));
  EXPECT_EQ(progress_.back(), 0);
  EXPECT_EQ(Reports(), QStringList{});
}

}  // namespace
}  // namespace brelloquin
