// The main window driven through its controls, with the platform replaced by a recorder.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "batch_window/Form2.h"
#include "data_access/dbase_catalog.h"
#include "engine/dbf_reader.h"
#include "engine/qt_printers.h"
#include "main_window/Form1.h"
#include "shell/error_report.h"
#include "support/xlsx_writer.h"
#include "windows/fake_platform.h"

namespace brelloquin {
namespace {

using testing::FakePlatform;

const QString kNative = QDir::separator();

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  // A window as the program makes it: built, loaded, shown.
  Form1& Load() {
    form_ = std::make_unique<Form1>(platform_);
    form_->Form_Load();
    form_->show();
    return *form_;
  }

  QString Path(const QString& name) const { return QDir::toNativeSeparators(dir_.filePath(name)); }

  QString Workbook() {
    const QString path = Path(QStringLiteral("sales.xlsx"));
    EXPECT_TRUE(
        testing::WriteXlsx(path, {{QStringLiteral("Sheet1"),
                                   {{QStringLiteral("Name"), QStringLiteral("Amount")},
                                    {QStringLiteral("Ann"), 12.5},
                                    {QStringLiteral("Bo"), 3.0}}},
                                  {QStringLiteral("Q1 Data"), {{QStringLiteral("X")}, {1.0}}}}));
    return path;
  }

  // Chooses the workbook through "..." as a user does.
  void Choose(const QString& path) {
    platform_.dialogAnswers.push_back(path);
    Click(form_->PushButton3);
  }

  // A click where the control really reacts: check boxes only on their box and caption.
  static void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
  }

  QStringList Items() const {
    QStringList items;
    for (int at = 0; at < form_->Combo1->count(); ++at) items << form_->Combo1->itemText(at);
    return items;
  }

  QTemporaryDir dir_;
  FakePlatform platform_;
  std::unique_ptr<Form1> form_;
};

TEST_F(Form1Test, FirstRunShowsTheDefaultsAndStoresOnlyTheTypeButtons) {
  Form1& form = Load();
  EXPECT_TRUE(form.Check8->isChecked());
  EXPECT_FALSE(form.Check9->isChecked());
  EXPECT_FALSE(form.Check4->isChecked());
  EXPECT_TRUE(form.PushButton11->isChecked());
  EXPECT_TRUE(form.Option3->isChecked());
  EXPECT_FALSE(form.Option4->isChecked());
  EXPECT_EQ(platform_.settings, (std::map<QString, QString>{{QStringLiteral("Option3"), "True"},
                                                            {QStringLiteral("Option4"), "False"}}));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Brelloquin"));
  EXPECT_FALSE(form.windowIcon().isNull());
  EXPECT_TRUE(platform_.messages.messages.empty()) << platform_.Texts().join(u'\n').toStdString();
}

TEST_F(Form1Test, EachClickWritesItsKeyAtOnceAndTheNextStartReadsIt) {
  Form1& form = Load();
  platform_.writes.clear();
  Click(form.Check9);
  EXPECT_EQ(platform_.writes, QStringList{"All Fields=1"});
  Click(form.Check9);
  Click(form.Check8);
  Click(form.Check4);
  Click(form.PushButton11);  // shown, never stored
  EXPECT_EQ(platform_.writes,
            (QStringList{"All Fields=1", "All Fields=0", "First Line=0", "Overwrite=1"}));
  platform_.writes.clear();
  Click(form.Option4);
  EXPECT_EQ(platform_.writes, (QStringList{"Option3=False", "Option4=True"}));

  Form1& next = Load();
  EXPECT_TRUE(next.Option4->isChecked());
  EXPECT_FALSE(next.Option3->isChecked());
  EXPECT_FALSE(next.Check8->isChecked());
  EXPECT_TRUE(next.Check4->isChecked());
  EXPECT_FALSE(next.Check9->isChecked());
  EXPECT_TRUE(next.PushButton11->isChecked());
}

TEST_F(Form1Test, TypeButtonsAreAppliedInTheirOrder) {
  platform_.settings = {{QStringLiteral("Option3"), "True"}, {QStringLiteral("Option4"), "True"}};
  Form1& both = Load();
  EXPECT_TRUE(both.Option4->isChecked());
  EXPECT_FALSE(both.Option3->isChecked());

  platform_.settings = {{QStringLiteral("Option3"), "False"}, {QStringLiteral("Option4"), "False"}};
  platform_.writes.clear();
  Form1& neither = Load();
  EXPECT_FALSE(neither.Option3->isChecked());
  EXPECT_FALSE(neither.Option4->isChecked());
  EXPECT_TRUE(platform_.writes.isEmpty()) << platform_.writes.join(u' ').toStdString();
}

TEST_F(Form1Test, AStoredValueThatCannotBeTakenIsReportedAtItsStep) {
  platform_.settings = {{QStringLiteral("First Line"), "yes"},
                        {QStringLiteral("Overwrite"), "7"},
                        {QStringLiteral("All Fields"), "2"},
                        {QStringLiteral("Option3"), "maybe"}};
  Form1& form = Load();
  const auto& shown = platform_.messages.messages;
  ASSERT_EQ(shown.size(), 3u) << platform_.Texts().join(u'\n').toStdString();
  const QString location = QStringLiteral("\r\nin Velmorandt2/19/2015.Form1.Form_Load at line ");
  EXPECT_TRUE(shown[0].text.startsWith(QStringLiteral("Type mismatch") + location + "128\r\r"));
  EXPECT_TRUE(
      shown[1].text.startsWith(QStringLiteral("Invalid property value") + location + "132\r\r"));
  EXPECT_TRUE(shown[2].text.contains(location + "134\r\r"));
  EXPECT_EQ(shown[0].title, QStringLiteral("Application Error"));
  EXPECT_EQ(shown[0].style, shell::kStyleExclamation);
  // The boxes whose value failed keep their design state; a greyed value is taken as it is.
  EXPECT_TRUE(form.Check8->isChecked());
  EXPECT_FALSE(form.Check4->isChecked());
  EXPECT_EQ(form.Check9->checkState(), Qt::PartiallyChecked);
  EXPECT_FALSE(form.Option3->isChecked());
}

TEST_F(Form1Test, TheSheetDecidesTheProposedOutputName) {
  Form1& form = Load();
  const QString folder = kNative + QStringLiteral("in") + kNative;
  form.Text1->setText(folder + QStringLiteral("sales.xls"));
  form.Text2->setText(QStringLiteral("typed by hand"));
  const std::pair<QString, QString> cases[] = {
      {QStringLiteral("Sheet1$"), folder + QStringLiteral("Sheet1.dbf")},
      {QStringLiteral("'Q1 Data$'"), folder + QStringLiteral("Q1_Data.dbf")},
      {QStringLiteral("'Sales Q1 2014$'"), folder + QStringLiteral("Sales_Q1.dbf")},
      {QStringLiteral("#Data$"), folder + QStringLiteral("Data.dbf")},
      {QStringLiteral("'$'"), folder + QStringLiteral(".dbf")},
  };
  for (const auto& [sheet, proposed] : cases) form.Combo1->addItem(sheet);
  for (int at = 0; at < form.Combo1->count(); ++at) {
    form.Combo1->setCurrentIndex(at);
    EXPECT_EQ(form.Text2->text(), cases[at].second);
  }
  form.Text1->setText(QStringLiteral("typed.xls"));
  form.Combo1->setCurrentIndex(0);
  EXPECT_EQ(form.Text2->text(), QStringLiteral("Sheet1.dbf"));
}

TEST_F(Form1Test, ChoosingAWorkbookListsItsSheetsAndProposesTheFirst) {
  Form1& form = Load();
  const QString workbook = Workbook();
  Choose(workbook);
  ASSERT_EQ(platform_.dialogsShown.size(), 1u);
  EXPECT_EQ(platform_.dialogKinds, QStringList{"open"});
  EXPECT_EQ(platform_.dialogsShown[0].DialogTitle, QStringLiteral("Select Excel File"));
  EXPECT_EQ(platform_.dialogsShown[0].Filter, QStringLiteral("Excel Files (*.xls*)|*.xls*|"));
  EXPECT_EQ(platform_.dialogsShown[0].FileName, QString());
  EXPECT_EQ(form.Text1->text(), workbook);
  EXPECT_EQ(Items(), (QStringList{"Sheet1$", "'Q1 Data$'"}));
  EXPECT_EQ(form.Combo1->currentText(), QStringLiteral("Sheet1$"));
  EXPECT_EQ(form.Text2->text(), Path(QStringLiteral("Sheet1.dbf")));
  // A user's choice in the list proposes again, replacing what was typed.
  form.Text2->setText(QStringLiteral("mine.dbf"));
  form.Combo1->setCurrentIndex(1);
  EXPECT_EQ(form.Text2->text(), Path(QStringLiteral("Q1_Data.dbf")));
  EXPECT_TRUE(platform_.messages.messages.empty()) << platform_.Texts().join(u'\n').toStdString();
}

TEST_F(Form1Test, AWorkbookGivenAtStartIsChosenAsIfPickedWithoutADialog) {
  Form1& form = Load();
  const QString workbook = Workbook();
  // A path relative to the folder the program was started in, as a file manager may give it.
  const QString started = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(QFileInfo(workbook).path()));
  form.ChooseWorkbook(QFileInfo(workbook).fileName());
  QDir::setCurrent(started);
  EXPECT_TRUE(platform_.dialogsShown.empty());
  EXPECT_EQ(form.Text1->text(), workbook);
  EXPECT_EQ(Items(), (QStringList{"Sheet1$", "'Q1 Data$'"}));
  EXPECT_EQ(form.Text2->text(), Path(QStringLiteral("Sheet1.dbf")));
}

TEST_F(Form1Test, CancelledDialogsChangeNothing) {
  Form1& form = Load();
  Choose(Workbook());
  form.Combo1->setCurrentIndex(1);
  const QString text1 = form.Text1->text();
  const QString text2 = form.Text2->text();
  platform_.dialogAnswers = {QString(), QString()};
  Click(form.PushButton3);
  Click(form.PushButton6);
  EXPECT_EQ(form.Text1->text(), text1);
  EXPECT_EQ(form.Text2->text(), text2);
  EXPECT_EQ(Items(), (QStringList{"Sheet1$", "'Q1 Data$'"}));
  EXPECT_EQ(form.Combo1->currentIndex(), 1);
  ASSERT_EQ(platform_.dialogsShown.size(), 3u);
  EXPECT_EQ(platform_.dialogKinds.last(), QStringLiteral("save"));
  EXPECT_EQ(platform_.dialogsShown[2].DialogTitle, QStringLiteral("Output DBF File"));
  EXPECT_EQ(platform_.dialogsShown[2].Filter, QStringLiteral("DBF Files (*.dbf)|*.dbf|"));
  EXPECT_EQ(platform_.dialogsShown[2].FileName, text2);

  platform_.dialogAnswers = {Path(QStringLiteral("other.dbf"))};
  Click(form.PushButton6);
  EXPECT_EQ(form.Text2->text(), Path(QStringLiteral("other.dbf")));
}

TEST_F(Form1Test, AWorkbookThatCannotBeOpenedLeavesTheListAndOutputEmpty) {
  Form1& form = Load();
  Choose(Workbook());
  const QString broken = Path(QStringLiteral("broken.xlsx"));
  QFile file(broken);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a workbook");
  file.close();
  Choose(broken);
  ASSERT_EQ(platform_.messages.messages.size(), 1u);
  const QString report = platform_.messages.messages[0].text;
  EXPECT_TRUE(
      report.contains(QStringLiteral("\r\nin Velmorandt2/19/2015.Form1.listSheets at line 110\r") +
                      shell::kPasswordHint + u'\r'))
      << report.toStdString();
  EXPECT_EQ(form.Text1->text(), broken);
  EXPECT_EQ(form.Combo1->count(), 0);
  EXPECT_EQ(form.Text2->text(), QString());
}

TEST_F(Form1Test, StartConvertingRefusesWithoutTouchingAnything) {
  Form1& form = Load();
  form.Text1->setText(QStringLiteral("   "));
  Click(form.PushButton2);
  form.Text1->setText(Path(QStringLiteral("missing.xlsx")));
  Click(form.PushButton2);
  Choose(Workbook());
  QFile existing(form.Text2->text());
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.write("keep me");
  existing.close();
  Click(form.PushButton2);
  EXPECT_EQ(platform_.Texts(),
            (QStringList{"You forgot to select Excel input file.", "Excel input file not found.",
                         form.Text2->text() + QStringLiteral(" already exists.")}));
  for (const auto& message : platform_.messages.messages) {
    EXPECT_EQ(message.style, shell::kStyleExclamation);
    EXPECT_EQ(message.title, QStringLiteral("Brelloquin"));
  }
  ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
  EXPECT_EQ(existing.readAll(), QByteArray("keep me"));
}

TEST_F(Form1Test, AConversionThroughTheWindowWritesTheChosenSheet) {
  Form1& form = Load();
  Choose(Workbook());
  Click(form.Check8);  // the first line is a row, not the names
  Click(form.Check9);  // every field a character field
  Click(form.Option4);
  const QString output = form.Text2->text();
  Click(form.PushButton2);
  ASSERT_FALSE(platform_.messages.messages.empty());
  const auto& done = platform_.messages.messages.back();
  EXPECT_EQ(done.style, shell::kStyleInformation);
  EXPECT_TRUE(done.text.startsWith(QStringLiteral("Done!\r\nFile "))) << done.text.toStdString();
  EXPECT_TRUE(done.text.contains(output)) << done.text.toStdString();
  const auto dbf = testing::ReadDbf(output);
  ASSERT_TRUE(dbf.error.isEmpty()) << dbf.error.toStdString();
  ASSERT_EQ(dbf.fields.size(), 2);
  EXPECT_EQ(dbf.fields[0].toArray()[0].toString().toUpper(), QStringLiteral("F1"));
  EXPECT_EQ(dbf.fields[1].toArray()[1].toString(), QStringLiteral("C"));
  ASSERT_EQ(dbf.records.size(), 3);
  EXPECT_EQ(dbf.records[0].toArray()[0].toString().trimmed(), QStringLiteral("Name"));
  EXPECT_EQ(dbf.records[1].toArray()[1].toString().trimmed(), QStringLiteral("12.5"));
  EXPECT_FALSE(form.converting());
  EXPECT_NE(form.cursor().shape(), Qt::WaitCursor);
}

TEST_F(Form1Test, NothingReachesTheWindowWhileItConverts) {
  Form1& form = Load();
  Choose(Workbook());
  const QString output = form.Text2->text();
  platform_.dialogAnswers.clear();
  bool delivered = false;
  Qt::CursorShape busyShape = Qt::ArrowCursor;
  const auto meddle = [&] {
    if (delivered || !form.converting()) return;
    delivered = true;
    busyShape = form.cursor().shape();
    Click(form.PushButton2);
    Click(form.PushButton3);
    Click(form.PushButton6);
    Click(form.PushButton8);
    Click(form.Check9);
    QTest::keyClick(form.Combo1, Qt::Key_Down);
    form.PushButton2_Click();
    form.PushButton3_Click();
    form.listSheets();
    form.close();
    QCoreApplication::processEvents();
  };
  platform_.duringYield = meddle;
  platform_.messages.duringMessage = meddle;
  Click(form.PushButton2);

  ASSERT_TRUE(delivered);
  EXPECT_EQ(busyShape, Qt::WaitCursor);
  EXPECT_EQ(platform_.Texts().filter(QStringLiteral("Done!")).size(), 1)
      << platform_.Texts().join(u'\n').toStdString();
  EXPECT_TRUE(platform_.dialogsShown.size() == 1);  // only the first choice of the workbook
  EXPECT_EQ(form.batchWindow(), nullptr);
  EXPECT_FALSE(form.Check9->isChecked());
  EXPECT_EQ(form.Combo1->currentIndex(), 0);
  EXPECT_EQ(form.Text2->text(), output);
  EXPECT_FALSE(testing::ReadDbf(output).records.isEmpty());
  // The close asked for during the conversion happens once it is over.
  EXPECT_EQ(platform_.programEnds, 1);
}

TEST_F(Form1Test, TheBatchButtonHidesTheWindowWithItsBoxesIntact) {
  Form1& form = Load();
  Choose(Workbook());
  Click(form.PushButton8);
  ASSERT_NE(form.batchWindow(), nullptr);
  EXPECT_TRUE(form.batchWindow()->isVisible());
  EXPECT_EQ(form.batchWindow()->windowTitle(), QStringLiteral("Brelloquin"));
  EXPECT_FALSE(form.isVisible());
  form.batchWindow()->close();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(Items(), (QStringList{"Sheet1$", "'Q1 Data$'"}));
  EXPECT_EQ(form.Text2->text(), Path(QStringLiteral("Sheet1.dbf")));
}

TEST_F(Form1Test, ClosingTheWindowEndsTheProgramAndWritesNothing) {
  Form1& form = Load();
  platform_.writes.clear();
  form.close();
  EXPECT_EQ(platform_.programEnds, 1);
  EXPECT_TRUE(platform_.writes.isEmpty());
}

TEST_F(Form1Test, ClientSizeAndControlsMatchTheDesignInPixels) {
  Form1& form = Load();
  EXPECT_EQ(form.size(), QSize(536, 419));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.PushButton8->geometry(), QRect(8, 8, 520, 27));
  EXPECT_EQ(form.Frame1->geometry(), QRect(8, 40, 520, 86));
  EXPECT_EQ(form.Text1->geometry(), QRect(80, 20, 368, 23));
  EXPECT_EQ(form.Text1->parentWidget(), form.Frame1);
  EXPECT_EQ(form.Check8->geometry(), QRect(16, 67, 241, 19));
  EXPECT_EQ(form.Option4->geometry(), QRect(16, 43, 70, 16));
  EXPECT_EQ(form.PushButton2->geometry(), QRect(8, 384, 520, 27));
  EXPECT_EQ(form.Label2[0]->text(), QStringLiteral("DBF File:"));
  // Each label shows its whole caption and ends before the box beside it.
  const QWidget* besides[] = {form.Text2, form.Combo1, form.Text1};
  for (std::size_t at = 0; at < 3; ++at) {
    const QLabel* label = form.Label2[at];
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    EXPECT_LT(label->geometry().right(), besides[at]->x()) << label->text().toStdString();
  }
  EXPECT_EQ(form.font().family(), QStringLiteral("Arial"));
  EXPECT_TRUE(form.font().bold());
  EXPECT_EQ(form.font().pointSizeF(), 9);
  EXPECT_EQ(form.PushButton2->font().pointSizeF(), 11.25);
  EXPECT_EQ(form.Frame4->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(form.Check9->grab().toImage().pixelColor(form.Check9->width() - 2, 2),
            QColor(Qt::white));
  // Tab order from the workbook box on.
  QWidget* expected[] = {form.Text1,  form.PushButton3, form.Text2,       form.PushButton6,
                         form.Check4, form.PushButton2, form.PushButton8, form.Option4};
  for (std::size_t at = 1; at < std::size(expected); ++at)
    EXPECT_EQ(expected[at - 1]->nextInFocusChain(), expected[at]) << at;
}

}  // namespace
}  // namespace brelloquin
