// Odd and hostile paths and names through both conversions: every row arrives, nothing outside
// the place the conversion writes to changes, and a path that cannot be read says why.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "data_access/connection.h"
#include "data_access/dbase_catalog.h"
#include "engine/dbf_reader.h"
#include "engine/qt_printers.h"
#include "engine/recording_presenter.h"
#include "modDBF.h"
#include "output_names.h"
#include "support/xlsx_writer.h"
#include "workbook_source.h"

namespace brelloquin {
namespace {

using testing::ReadDbf;
using testing::XlsxSheet;

// Every entry under root by its relative path, with a file's contents.
using Tree = std::map<QString, QByteArray>;

Tree Snapshot(const QString& root) {
  Tree tree;
  QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile file(path);
    tree[QDir(root).relativeFilePath(path)] =
        it.fileInfo().isFile() && file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                 : QByteArray("(not a file)");
  }
  return tree;
}

// Entries added, removed or changed anywhere but under `inside` (relative to the root).
QStringList ChangedOutside(const Tree& before, const Tree& after, const QString& inside) {
  QStringList changed;
  const auto outside = [&](const QString& path) {
    return path != inside && !path.startsWith(inside + u'/');
  };
  for (const auto& [path, contents] : after) {
    const auto old = before.find(path);
    if (outside(path) && (old == before.end() || old->second != contents)) changed << path;
  }
  for (const auto& [path, contents] : before)
    if (outside(path) && !after.count(path)) changed << path;
  return changed;
}

QStringList Column(const testing::DbfContents& dbf, int index) {
  QStringList values;
  for (const auto& record : dbf.records) values << record.toArray()[index].toString();
  return values;
}

const std::vector<XlsxSheet> kBook{{QStringLiteral("Q1;Q2"),
                                    {{QStringLiteral("Id"), QStringLiteral("Text")},
                                     {1.0, QStringLiteral("a;b")},
                                     {2.0, QStringLiteral("say \"hi\"")}}},
                                   {QStringLiteral("S"), {{QStringLiteral("X")}, {3.0}}}};

class HostilePaths : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(root_.isValid()); }

  // Writes the workbook at a path relative to the root, making its folders.
  QString Book(const QString& relative) {
    const QString path = root_.filePath(relative);
    EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    EXPECT_TRUE(testing::WriteXlsx(path, kBook)) << relative.toStdString();
    return path;
  }

  QStringList Reports() const {
    QStringList texts;
    for (const auto& m : presenter_.messages)
      if (m.style == shell::kStyleExclamation) texts << m.text;
    return texts;
  }

  // Converts the whole workbook and checks that both tables arrive whole in `output` (relative
  // to the root) and that nothing else changed.
  void ExpectBatchWritesOnlyInto(const QString& book, const QString& output) {
    const Tree before = Snapshot(root_.path());
    presenter_.messages.clear();
    engine_.UsedOutputNames.clear();
    engine_.CreateDBFFromXLS(book, QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
    EXPECT_EQ(Reports(), QStringList{}) << book.toStdString();
    EXPECT_EQ(ChangedOutside(before, Snapshot(root_.path()), output), QStringList{})
        << book.toStdString();
    const auto sheet = ReadDbf(root_.filePath(output + QStringLiteral("/Q1;Q2.dbf")));
    ASSERT_TRUE(sheet.error.isEmpty()) << book.toStdString() << sheet.error.toStdString();
    EXPECT_EQ(Column(sheet, 0), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_EQ(Column(sheet, 1), (QStringList{QStringLiteral("a;b"), QStringLiteral("say \"hi\"")}));
    EXPECT_EQ(Column(ReadDbf(root_.filePath(output + QStringLiteral("/S.dbf"))), 0),
              QStringList{QStringLiteral("3")});
  }

  QTemporaryDir root_;
  testing::RecordingPresenter presenter_;
  modDBF engine_{
      EngineHost{presenter_, [] { return true; }, [] {}, {}, *text::CodePage::FromWindows(1252)}};
};

TEST_F(HostilePaths, SemicolonsQuotesAndEdgeBlanksInPathsAndSheetNames) {
  ExpectBatchWritesOnlyInto(Book(QStringLiteral("Q1;Q2 reports/book.xlsx")),
                            QStringLiteral("Q1;Q2 reports/book"));
  ExpectBatchWritesOnlyInto(Book(QStringLiteral("q/say \"hi\".xlsx")),
                            QStringLiteral("q/say \"hi\""));
  ExpectBatchWritesOnlyInto(Book(QStringLiteral(" lead and trail /book.xlsx ")),
                            QStringLiteral(" lead and trail /book"));
  // A path that once named another workbook, and a table beside it, through "Data Source=".
  Book(QStringLiteral("evil/book.xlsx"));
  QDir().mkpath(root_.filePath(QStringLiteral("evil/book")));
  QFile sentinel(root_.filePath(QStringLiteral("evil/book/Q1;Q2.dbf")));
  ASSERT_TRUE(sentinel.open(QIODevice::WriteOnly));
  sentinel.close();
  const QString injected =
      QStringLiteral("a/x;Data Source=") + root_.filePath(QStringLiteral("evil/book.xlsx"));
  ExpectBatchWritesOnlyInto(Book(injected), injected.chopped(5));
}

TEST_F(HostilePaths, SingleSheetOutputNamesWithSemicolonsAndQuotes) {
  const QString book = Book(QStringLiteral("book.xlsx"));
  for (const QString& out : {QStringLiteral("x;y dir/a;b.dbf"), QStringLiteral("q\"t.dbf"),
                             QStringLiteral(" edge /a.dbf")}) {
    QDir().mkpath(QFileInfo(root_.filePath(out)).path());
    presenter_.messages.clear();
    engine_.CreateDBFFromXLSBySheet(book, root_.filePath(out), QStringLiteral("'Q1;Q2$'"),
                                    QStringLiteral("Yes"), QStringLiteral("dBase IV"), true);
    EXPECT_EQ(Reports(), QStringList{}) << out.toStdString();
    const auto dbf = ReadDbf(root_.filePath(out));
    ASSERT_TRUE(dbf.error.isEmpty()) << out.toStdString() << dbf.error.toStdString();
    EXPECT_EQ(Column(dbf, 1), (QStringList{QStringLiteral("a;b"), QStringLiteral("say \"hi\"")}));
  }
}

TEST_F(HostilePaths, WorkbookNamesOfDotsAndBlanksNeverWriteOutsideTheirFolder) {
  int n = 0;
  for (const char* name : {".xlsx", "..xlsx", "...xlsx", ". .xlsx", " .xls", "a.xls.xls", ".xls",
                           "book.xlsx  ", "...", "....", ". .", "..xls.xlsx", " . .xls "}) {
    // Tables of the sheet's name already beside the workbook and in the folder above it.
    const QString folder = QStringLiteral("case%1/w/").arg(++n);
    QDir().mkpath(root_.filePath(folder));
    for (const QString& sentinel :
         {folder + QStringLiteral("S.dbf"), folder + QStringLiteral("../S.dbf")}) {
      QFile file(root_.filePath(sentinel));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write("keep");
    }
    const QString file = QString::fromUtf8(name);
    ExpectBatchWritesOnlyInto(Book(folder + file), folder + WorkbookOutputFolderName(file));
  }
}

TEST_F(HostilePaths, AnOutputFolderLinkedElsewhereIsRefused) {
  const QString book = Book(QStringLiteral("w/book.xlsx"));
  QDir().mkpath(root_.filePath(QStringLiteral("elsewhere")));
  ASSERT_TRUE(
      QFile::link(QStringLiteral("../elsewhere"), root_.filePath(QStringLiteral("w/book"))));
  const Tree before = Snapshot(root_.path());
  engine_.CreateDBFFromXLS(book, QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains(QStringLiteral("lies outside the workbook's folder")));
  EXPECT_TRUE(Reports()[0].contains(QStringLiteral("CreateDBFFromXLS at line 120")));
  EXPECT_EQ(Snapshot(root_.path()), before);
}

// Whoever opens the pipe to read gets a few bytes and its end, so a reader that should never
// have opened it fails the test instead of hanging it.
class PipeWriter {
 public:
  explicit PipeWriter(const QString& pipe) : path_(QFile::encodeName(pipe)) {}
  ~PipeWriter() {
    stop_ = true;
    thread_.join();
  }
  bool opened() const { return opened_; }

 private:
  void Run() {
    while (!stop_) {
      // Succeeds only while a reader has the pipe open.
      const int fd = open(path_.constData(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) {
        opened_ = true;
        if (write(fd, "notabook", 8) != 8) ADD_FAILURE() << "could not feed the pipe";
        close(fd);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  const QByteArray path_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> opened_{false};
  std::thread thread_{[this] { Run(); }};
};

TEST_F(HostilePaths, PipesAndFoldersAreNotWorkbooksAndNeverBlock) {
  const QString pipe = root_.filePath(QStringLiteral("x.xlsx"));
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  const PipeWriter writer(pipe);
  const QString folder = root_.filePath(QStringLiteral("d.xlsx"));
  QDir().mkpath(folder);
  for (const auto& [path, says] :
       {std::pair{pipe, QStringLiteral("is not a regular file")},
        std::pair{folder, QStringLiteral("is a folder, not a workbook")}}) {
    data_access::Connection connection;
    try {
      connection.Open(WorkbookConnectionString(path, QStringLiteral("Yes")));
      ADD_FAILURE() << "opened " << path.toStdString();
    } catch (const data_access::DataAccessError& e) {
      EXPECT_EQ(e.number(), -2147467259);
      EXPECT_TRUE(e.description().contains(says)) << e.description().toStdString();
    }
    presenter_.messages.clear();
    engine_.CreateDBFFromXLS(path, QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
    ASSERT_EQ(Reports().size(), 1);
    EXPECT_TRUE(Reports()[0].contains(says)) << Reports()[0].toStdString();
    EXPECT_TRUE(Reports()[0].contains(QStringLiteral("CreateDBFFromXLS at line 116")));
  }
  EXPECT_FALSE(writer.opened()) << "the pipe was opened for reading";
}

// A zip directory entry may mark its sizes and offset as kept in a Zip64 field; one that does
// so without the field is damage, not a missing file.
TEST_F(HostilePaths, AZip64MarkWithoutItsFieldIsReportedAsDamageOfThatPart) {
  const QString book = Book(QStringLiteral("book.xlsx"));
  QFile file(book);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray original = file.readAll();
  file.close();
  const QByteArray part = QByteArrayLiteral("xl/worksheets/sheet2.xml");
  for (const int field : {20, 24, 42}) {
    QByteArray bytes = original;
    // The central directory entry whose name is the part.
    qsizetype at = bytes.indexOf(QByteArrayLiteral("PK\x01\x02"));
    while (at >= 0 && bytes.mid(at + 46, part.size()) != part)
      at = bytes.indexOf(QByteArrayLiteral("PK\x01\x02"), at + 4);
    ASSERT_GE(at, 0);
    qToLittleEndian<quint32>(0xFFFFFFFF, bytes.data() + at + field);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    data_access::Connection connection;
    try {
      connection.Open(WorkbookConnectionString(book, QStringLiteral("Yes")));
      ADD_FAILURE() << "opened with field " << field;
    } catch (const data_access::DataAccessError& e) {
      EXPECT_EQ(e.number(), -2147467259);
      EXPECT_TRUE(e.description().contains(QStringLiteral("is damaged"))) << field;
      EXPECT_TRUE(e.description().contains(QString::fromLatin1(part)))
          << e.description().toStdString();
    }
  }
}

}  // namespace
}  // namespace brelloquin
