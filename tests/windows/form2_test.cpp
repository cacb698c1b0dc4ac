// The batch window driven through its controls, and the folder operations it stands on, over
// temporary folder trees.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include "batch_window/AddFolder.h"
#include "batch_window/Form2.h"
#include "engine/dbf_reader.h"
#include "engine/qt_printers.h"
#include "main_window/Form1.h"
#include "support/xlsx_writer.h"
#include "windows/fake_platform.h"

namespace brelloquin {
namespace {

using testing::FakePlatform;

const QString kSep = QDir::separator();

class Form2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    main_.show();
  }

  // A batch window as the main window opens it.
  Form2& Open() {
    form_ = std::make_unique<Form2>(platform_, main_);
    form_->Form_Load();
    form_->show();
    main_.hide();
    return *form_;
  }

  QString Path(const QString& name) const { return QDir::toNativeSeparators(dir_.filePath(name)); }

  QString Touch(const QString& name) {
    QDir(dir_.path()).mkpath(QFileInfo(dir_.filePath(name)).path());
    QFile file(dir_.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    return Path(name);
  }

  QString Book(const QString& name, const QString& sheet) {
    const QString path = Path(name);
    EXPECT_TRUE(testing::WriteXlsx(
        path, {{sheet, {{QStringLiteral("Name"), QStringLiteral("Qty")}, {name, 2.0}}}}));
    return path;
  }

  static QMimeData* Files(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
  }

  // A drag over the list and, when it is accepted, the drop: true when it was accepted.
  bool Drop(QMimeData* data) {
    QWidget* viewport = form_->ListView1->viewport();
    const QPoint at = viewport->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &enter);
    if (enter.isAccepted()) {
      QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, {});
      QCoreApplication::sendEvent(viewport, &drop);
    }
    delete data;
    return enter.isAccepted();
  }

  static void Hover(QWidget* widget) {
    const QPointF at = widget->rect().center();
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
  }

  void Select(int row) { form_->ListView1->setCurrentItem(form_->ListView1->topLevelItem(row)); }

  QTemporaryDir dir_;
  FakePlatform platform_;
  QWidget main_;
  std::unique_ptr<Form2> form_;
};

TEST_F(Form2Test, SubfoldersComeBreadthFirstAndHiddenOnesAreNotEntered) {
  for (const char* name : {"R/A/A1/deep", "R/B/B1", "R/.hidden/below", "R/A/.also"})
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QString::fromLatin1(name)));
  Touch(QStringLiteral("R/file.xls"));
  QStringList folders{Path(QStringLiteral("R")) + kSep};
  int yields = 0;
  AddFolder::AddSubFolders(folders, true, [&] { ++yields; });
  QStringList expected;
  for (const char* name : {"R", "R/A", "R/B", "R/A/A1", "R/B/B1", "R/A/A1/deep"})
    expected << Path(QString::fromLatin1(name)) + kSep;
  EXPECT_EQ(folders, expected);
  EXPECT_GT(yields, 5);

  QStringList leaf{Path(QStringLiteral("R/B/B1")) + kSep};
  AddFolder::AddSubFolders(leaf, true);
  EXPECT_EQ(leaf, QStringList{Path(QStringLiteral("R/B/B1")) + kSep});
}

TEST_F(Form2Test, FolderFilesIncludeHiddenOnesNeverFoldersWithOrWithoutTheSeparator) {
  Touch(QStringLiteral("F/a.xls"));
  Touch(QStringLiteral("F/.hidden.xls"));
  Touch(QStringLiteral("F/README"));
  ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("F/folder.xls")));
  const QString folder = Path(QStringLiteral("F"));
  const QStringList xls = AddFolder::GetFolderFiles(folder, QStringLiteral("*.xl*"));
  EXPECT_EQ(xls, (QStringList{".hidden.xls", "a.xls"}));
  EXPECT_EQ(AddFolder::GetFolderFiles(folder + kSep, QStringLiteral("*.xl*")), xls);
  // Every file, whether it has an extension or not.
  EXPECT_EQ(AddFolder::GetFolderFiles(folder, QStringLiteral("*.*")),
            (QStringList{".hidden.xls", "README", "a.xls"}));
  EXPECT_EQ(AddFolder::GetFolderFiles(Path(QStringLiteral("missing")), QStringLiteral("*.*")),
            QStringList{});
}

TEST_F(Form2Test, TheFolderSearchAsksTheExtensionAndListsMatchingFilesInFolderOrder) {
  Form2& form = Open();
  const QString book1 = Touch(QStringLiteral("R/book1.xlsx"));
  Touch(QStringLiteral("R/~$book1.xlsx"));
  Touch(QStringLiteral("R/notes.txt"));
  const QString book2 = Touch(QStringLiteral("R/sub/book2.xls"));
  Touch(QStringLiteral("R/.secret/book3.xls"));
  platform_.promptAnswers = {QStringLiteral("xl*")};
  platform_.folderAnswers = {Path(QStringLiteral("R"))};
  QTest::mouseClick(form.PushButton5, Qt::LeftButton);
  EXPECT_EQ(form.entries(), (QStringList{book1, book2}));
  EXPECT_EQ(platform_.prompts,
            QStringList{"Enter file extension to load:\r\r(* for all files, txt for all txt "
                        "files, doc for all doc files, etc.)"});
  EXPECT_EQ(platform_.promptDefaults, QStringList{"xl*"});
  EXPECT_EQ(platform_.folderTitles, QStringList{"Please select folder to add:"});
  EXPECT_EQ(platform_.writes, QStringList{"Extension=xl*"});
  EXPECT_GT(platform_.yields, 0);
  EXPECT_NE(form.cursor().shape(), Qt::WaitCursor);

  // A typed answer is kept although the browser is cancelled; an empty answer keeps nothing.
  platform_.promptAnswers = {QStringLiteral("txt")};
  QTest::mouseClick(form.PushButton5, Qt::LeftButton);
  QTest::mouseClick(form.PushButton5, Qt::LeftButton);
  EXPECT_EQ(platform_.writes, (QStringList{"Extension=xl*", "Extension=txt"}));
  EXPECT_EQ(platform_.folderTitles.size(), 2);
  // The same folder again adds its files again.
  platform_.promptAnswers = {QStringLiteral("txt")};
  platform_.folderAnswers = {Path(QStringLiteral("R"))};
  QTest::mouseClick(form.PushButton5, Qt::LeftButton);
  EXPECT_EQ(form.entries(), (QStringList{book1, book2, Path(QStringLiteral("R/notes.txt"))}));
  EXPECT_TRUE(platform_.messages.messages.empty()) << platform_.Texts().join(u'\n').toStdString();
}

TEST_F(Form2Test, DroppedFilesAreListedAndDroppedFoldersSearchedForEveryFile) {
  Form2& form = Open();
  const QString text = Touch(QStringLiteral("notes.txt"));
  const QString a1 = Touch(QStringLiteral("A/one.csv"));
  const QString a2 = Touch(QStringLiteral("A/deeper/two"));
  Touch(QStringLiteral("A/~lock.xls"));
  const QString b1 = Touch(QStringLiteral("B/three.xlsx"));
  const QString hidden = Path(QStringLiteral(".hidden"));
  Touch(QStringLiteral(".hidden/inside.xls"));
  EXPECT_TRUE(
      Drop(Files({text, Path(QStringLiteral("A")), Path(QStringLiteral("B")) + kSep, hidden})));
  // Each folder once: B's search does not carry A's folders.
  EXPECT_EQ(form.entries(), (QStringList{text, a1, a2, b1, hidden}));

  auto* plain = new QMimeData;
  plain->setText(text);
  EXPECT_FALSE(Drop(plain));
  EXPECT_EQ(form.entries().size(), 5);
  EXPECT_TRUE(platform_.messages.messages.empty()) << platform_.Texts().join(u'\n').toStdString();
}

TEST_F(Form2Test, ADroppedPathThatCannotBeExaminedIsReportedAndTheNextTaken) {
  Form2& form = Open();
  const QString kept = Touch(QStringLiteral("kept.xls"));
  EXPECT_TRUE(Drop(Files({Path(QStringLiteral("gone.xls")), kept})));
  EXPECT_EQ(form.entries(), QStringList{kept});
  ASSERT_EQ(platform_.messages.messages.size(), 1u);
  EXPECT_TRUE(platform_.messages.messages[0].text.contains(
      QStringLiteral("\r\nin Velmorandt2/19/2015.Form2.ListView1_OLEDragDrop at line 100\r")))
      << platform_.messages.messages[0].text.toStdString();
}

TEST_F(Form2Test, ButtonsShowTheHandTheListTheArrowAndARunTheHourglass) {
  platform_.programFolder = QStringLiteral(BRELLOQUIN_SOURCE_DIR "/resources");  // HAND-M.CUR
  Form2& form = Open();
  Hover(form.PushButton5);
  EXPECT_EQ(form.cursor().shape(), Qt::BitmapCursor);
  Hover(form.ListView1->viewport());
  EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
  platform_.dialogAnswers = {Path(QStringLiteral("missing.xls"))};
  QTest::mouseClick(form.PushButton1, Qt::LeftButton);
  Qt::CursorShape overButton = Qt::ArrowCursor;
  platform_.duringYield = [&] {
    Hover(form.PushButton8);
    overButton = form.cursor().shape();
  };
  QTest::mouseClick(form.PushButton2, Qt::LeftButton);
  EXPECT_EQ(overButton, Qt::WaitCursor);
  // The entry that is no workbook is reported by the conversion, and the run still ends.
  EXPECT_EQ(platform_.Texts().size(), 2) << platform_.Texts().join(u'\n').toStdString();
  EXPECT_EQ(platform_.Texts().last(), QStringLiteral("Done."));
}

TEST_F(Form2Test, TheDialogAddsOneFullPathOrEveryNameJoinedToItsFolder) {
  Form2& form = Open();
  const QString root = QDir::toNativeSeparators(QDir::rootPath());
  const QChar nul(0);
  platform_.dialogAnswers = {
      Path(QStringLiteral("one.xls")),
      root + nul + QStringLiteral("a.xls") + nul + QStringLiteral("b.xls"),
      Path(QStringLiteral("in")) + nul + QStringLiteral("c.xlsx") + nul + QStringLiteral("one.xls"),
      QString()};
  for (int click = 0; click < 4; ++click) QTest::mouseClick(form.PushButton1, Qt::LeftButton);
  EXPECT_EQ(form.entries(),
            (QStringList{Path(QStringLiteral("one.xls")), root + QStringLiteral("a.xls"),
                         root + QStringLiteral("b.xls"), Path(QStringLiteral("in/c.xlsx")),
                         Path(QStringLiteral("in/one.xls"))}));
  ASSERT_EQ(platform_.dialogsShown.size(), 4u);
  EXPECT_EQ(platform_.dialogKinds, (QStringList{"open", "open", "open", "open"}));
  const shell::CommonDialog& shown = platform_.dialogsShown[1];
  EXPECT_EQ(shown.DialogTitle, QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
  EXPECT_EQ(shown.Filter, QStringLiteral("Excel Files (*.xls*)|*.xls*|"));
  EXPECT_EQ(shown.Flags, 0x280201);
  EXPECT_EQ(shown.FileName, QString());
}

TEST_F(Form2Test, DoubleClickAndDeleteRemoveTheSelectedEntryOnly) {
  Form2& form = Open();
  QTest::keyClick(form.ListView1, Qt::Key_Delete);  // nothing to remove
  platform_.dialogAnswers = {Path(QStringLiteral("x")) + QChar(0) + QStringLiteral("1.xls") +
                             QChar(0) + QStringLiteral("2.xls") + QChar(0) +
                             QStringLiteral("3.xls") + QChar(0) + QStringLiteral("4.xls")};
  QTest::mouseClick(form.PushButton1, Qt::LeftButton);
  const QStringList all = form.entries();
  ASSERT_EQ(all.size(), 4);
  QTest::keyClick(form.ListView1, Qt::Key_Delete);
  form.ListView1_DblClick();
  EXPECT_EQ(form.entries(), all);

  Select(1);
  QTest::keyClick(form.ListView1, Qt::Key_Delete);
  EXPECT_EQ(form.entries(), (QStringList{all[0], all[2], all[3]}));
  form.ListView1->clearSelection();
  const QRect row = form.ListView1->visualItemRect(form.ListView1->topLevelItem(2));
  QTest::mouseClick(form.ListView1->viewport(), Qt::LeftButton, {}, row.center());
  QTest::mouseDClick(form.ListView1->viewport(), Qt::LeftButton, {}, row.center());
  EXPECT_EQ(form.entries(), (QStringList{all[0], all[2]}));
  QTest::keyClick(form.ListView1, Qt::Key_A);
  EXPECT_EQ(form.entries().size(), 2);
  QTest::mouseClick(form.PushButton7, Qt::LeftButton);
  EXPECT_EQ(form.entries(), QStringList{});
  EXPECT_TRUE(platform_.messages.messages.empty()) << platform_.Texts().join(u'\n').toStdString();
}

TEST_F(Form2Test, SamplesBesideTheProgramAreAddedAndTheirFolderOffered) {
  platform_.programFolder = dir_.path();
  Form2& form = Open();
  QTest::mouseClick(form.PushButton4, Qt::LeftButton);  // no Samples folder
  EXPECT_EQ(form.entries(), QStringList{});
  const QString question = QStringLiteral(
      "Would you like this software to open the folder where these sample files are stored (so "
      "that you can view them before working with them)?");
  EXPECT_EQ(platform_.questions, QStringList{question});
  EXPECT_EQ(platform_.openedFolders, QStringList{});

  const QString a = Touch(QStringLiteral("Samples/a.xls"));
  const QString tilde = Touch(QStringLiteral("Samples/~b.xlsx"));
  platform_.answerYes = true;
  QTest::mouseClick(form.PushButton4, Qt::LeftButton);
  EXPECT_EQ(form.entries(), (QStringList{a, tilde}));
  EXPECT_EQ(platform_.openedFolders, QStringList{Path(QStringLiteral("Samples")) + kSep});
}

TEST_F(Form2Test, StartConvertingWritesATableForEverySheetAndShowsProgress) {
  Form2& form = Open();
  QList<int> progress;
  QObject::connect(form.ProgressBar1, &QProgressBar::valueChanged,
                   [&](int value) { progress << value; });
  QTest::mouseClick(form.PushButton2, Qt::LeftButton);
  EXPECT_EQ(platform_.Texts(), QStringList{"Done."});
  EXPECT_EQ(progress, QList<int>{});

  platform_.messages.messages.clear();
  const QString a = Book(QStringLiteral("a.xlsx"), QStringLiteral("Stock"));
  const QString b = Book(QStringLiteral("b.xlsx"), QStringLiteral("Stock"));
  const QString c = Book(QStringLiteral("c.xlsx"), QStringLiteral("Other"));
  EXPECT_TRUE(Drop(Files({a, b, c})));
  Qt::CursorShape during = Qt::ArrowCursor;
  platform_.duringYield = [&] { during = form.cursor().shape(); };
  QTest::mouseClick(form.PushButton2, Qt::LeftButton);
  EXPECT_EQ(progress, (QList<int>{33, 66, 100, 0}));
  EXPECT_EQ(during, Qt::WaitCursor);
  EXPECT_NE(form.cursor().shape(), Qt::WaitCursor);
  EXPECT_EQ(platform_.Texts(), QStringList{"Done."});
  EXPECT_EQ(platform_.messages.messages[0].style, shell::kStylePlain);
  EXPECT_EQ(platform_.messages.messages[0].title, QStringLiteral("Brelloquin"));
  // Each workbook has its folder; the shared sheet name is given once per run.
  const QString first = Path(QStringLiteral("a/Stock.dbf"));
  const QString second = Path(QStringLiteral("b/Stoc1.dbf"));
  for (const QString& table : {first, second, Path(QStringLiteral("c/Other.dbf"))}) {
    const auto dbf = testing::ReadDbf(table);
    ASSERT_TRUE(dbf.error.isEmpty()) << table.toStdString() << dbf.error.toStdString();
    ASSERT_EQ(dbf.records.size(), 1);
    EXPECT_EQ(dbf.fields[0].toArray()[1].toString(), QStringLiteral("C"));
  }
  EXPECT_EQ(testing::ReadDbf(second).records[0].toArray()[0].toString().trimmed(),
            QStringLiteral("b.xlsx"));
  EXPECT_EQ(form.entries(), (QStringList{a, b, c}));
}

TEST_F(Form2Test, DuringARunTheListMayChangeButASecondRunIsIgnored) {
  Form2& form = Open();
  const QString a = Book(QStringLiteral("a.xlsx"), QStringLiteral("A"));
  const QString b = Book(QStringLiteral("b.xlsx"), QStringLiteral("B"));
  const QString c = Book(QStringLiteral("c.xlsx"), QStringLiteral("C"));
  EXPECT_TRUE(Drop(Files({a, b, c})));
  bool meddled = false;
  platform_.duringYield = [&] {
    if (meddled) return;
    meddled = true;
    QTest::mouseClick(form.PushButton2, Qt::LeftButton);
    Select(1);
    QTest::keyClick(form.ListView1, Qt::Key_Delete);
    QTest::mouseClick(form.PushButton3, Qt::LeftButton);  // waits for the run
  };
  QTest::mouseClick(form.PushButton2, Qt::LeftButton);
  ASSERT_TRUE(meddled);
  EXPECT_EQ(platform_.Texts(), QStringList{"Done."});
  EXPECT_TRUE(QFile::exists(Path(QStringLiteral("a/A.dbf"))));
  EXPECT_FALSE(QFile::exists(Path(QStringLiteral("b/B.dbf"))));
  EXPECT_TRUE(QFile::exists(Path(QStringLiteral("c/C.dbf"))));
  EXPECT_FALSE(form.running());
  // "< Back" pressed during the run takes effect once it is over.
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(main_.isVisible());
}

TEST_F(Form2Test, HelpBackAndTheCloseBoxBringTheSameMainWindowBack) {
  Form2& form = Open();
  QTest::mouseClick(form.PushButton8, Qt::LeftButton);
  ASSERT_EQ(platform_.messages.messages.size(), 1u);
  EXPECT_EQ(platform_.messages.messages[0].text,
            QStringLiteral("The sheet names for every sheet in all the files must be unique. If "
                           "there is a duplicate sheet name in any of the files, an error will "
                           "occur."));
  EXPECT_EQ(platform_.messages.messages[0].style, shell::kStylePlain);
  EXPECT_FALSE(main_.isVisible());
  QTest::mouseClick(form.PushButton3, Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(main_.isVisible());
  Open().close();
  EXPECT_TRUE(main_.isVisible());
}

TEST_F(Form2Test, TheMainWindowOpensAFreshBatchWindowEachTime) {
  Form1 main(platform_);
  main.Form_Load();
  main.show();
  QTest::mouseClick(main.PushButton8, Qt::LeftButton);
  Form2* first = main.batchWindow();
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(main.isVisible());
  platform_.dialogAnswers = {Path(QStringLiteral("a.xls"))};
  QTest::mouseClick(first->PushButton1, Qt::LeftButton);
  EXPECT_EQ(first->entries().size(), 1);
  first->close();
  EXPECT_TRUE(main.isVisible());
  QTest::mouseClick(main.PushButton8, Qt::LeftButton);
  ASSERT_NE(main.batchWindow(), nullptr);
  EXPECT_TRUE(main.batchWindow()->isVisible());
  EXPECT_EQ(main.batchWindow()->entries(), QStringList{});
  EXPECT_EQ(main.batchWindow()->ListView1->headerItem()->text(0), QStringLiteral("Excel File(s)"));
}

TEST_F(Form2Test, ClientSizeControlsAndFontsMatchTheDesign) {
  Form2& form = Open();
  EXPECT_EQ(form.size(), QSize(536, 332));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.PushButton3->geometry(), QRect(8, 8, 256, 27));
  EXPECT_EQ(form.PushButton8->geometry(), QRect(272, 8, 256, 27));
  EXPECT_EQ(form.ListView1->geometry(), QRect(8, 42, 520, 151));
  EXPECT_EQ(form.PushButton5->geometry(), QRect(272, 200, 256, 27));
  EXPECT_EQ(form.PushButton4->geometry(), QRect(272, 234, 256, 27));
  EXPECT_EQ(form.PushButton2->geometry(), QRect(8, 268, 520, 27));
  EXPECT_EQ(form.ProgressBar1->geometry(), QRect(8, 303, 520, 25));
  EXPECT_EQ(form.ProgressBar1->value(), 0);
  EXPECT_EQ(form.ListView1->columnCount(), 1);
  EXPECT_EQ(form.ListView1->columnWidth(0), 467);
  EXPECT_FALSE(form.ListView1->isHeaderHidden());
  EXPECT_EQ(form.ListView1->toolTip(),
            QStringLiteral("Drag and drop files here. Double-click item to remove it. Move bar to "
                           "right and out of window to reveal full names."));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Brelloquin"));
  EXPECT_FALSE(form.windowIcon().isNull());
  EXPECT_EQ(form.font().family(), QStringLiteral("Arial"));
  EXPECT_TRUE(form.font().bold());
  EXPECT_EQ(form.font().pointSizeF(), 9);
  EXPECT_EQ(form.PushButton5->font().pointSizeF(), 11.25);
  for (QPushButton* button : form.findChildren<QPushButton*>())
    EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
  // Tab order, leaving out the list's own parts.
  QStringList order;
  QWidget* each = form.ListView1;
  do {
    if (each->parentWidget() == &form && (each->focusPolicy() & Qt::TabFocus))
      order << each->objectName();
    each = each->nextInFocusChain();
  } while (each != form.ListView1);
  EXPECT_EQ(order, (QStringList{"ListView1", "PushButton1", "PushButton5", "PushButton7",
                                "PushButton4", "PushButton2", "PushButton3", "PushButton8"}));
}

}  // namespace
}  // namespace brelloquin
