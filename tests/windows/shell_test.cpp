// The start-up helpers and the platform pieces the windows stand on.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>

#include "engine/qt_printers.h"
#include "main_window/Form1.h"
#include "shell/IsInstalled.h"
#include "shell/Main.h"
#include "shell/numbered_error.h"
#include "shell/platform_files.h"
#include "shell/qt_platform.h"
#include "windows/fake_platform.h"

namespace brelloquin {
namespace {

using testing::FakePlatform;

TEST(DialogFilter, CommonDialogPairsBecomeToolkitFilters) {
  EXPECT_EQ(shell::QtFileDialogFilter(QStringLiteral("Excel Files (*.xls*)|*.xls*|")),
            QStringLiteral("Excel Files (*.xls*)"));
  EXPECT_EQ(shell::QtFileDialogFilter(QStringLiteral("DBF Files|*.dbf|All|*.*")),
            QStringLiteral("DBF Files (*.dbf);;All (*.*)"));
  EXPECT_EQ(shell::QtFileDialogFilter(QStringLiteral("Books (*.xls)|*.xls;*.xlsx|")),
            QStringLiteral("Books (*.xls) (*.xls *.xlsx)"));
}

TEST(ResourceFolder, BesideTheProgramFirstThenWhereTheInstallPutsThem) {
  QTemporaryDir dir;
  const QString bin = dir.filePath(QStringLiteral("bin"));
  const QString share = dir.filePath(QStringLiteral("share/brelloquin"));
  ASSERT_TRUE(QDir().mkpath(bin));
  EXPECT_EQ(shell::ResourceFolder(bin), bin);
  ASSERT_TRUE(QDir().mkpath(share));
  EXPECT_EQ(shell::ResourceFolder(bin), share);
  QFile pointer(bin + QStringLiteral("/HAND-M.CUR"));
  ASSERT_TRUE(pointer.open(QIODevice::WriteOnly));
  pointer.close();
  EXPECT_EQ(shell::ResourceFolder(bin), bin);
}

TEST(SettingsStore, KeepsTextsInTheBrelloquinSection) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("store.ini"));
  {
    shell::QtPlatform platform(file);
    EXPECT_EQ(platform.GetSetting(QStringLiteral("First Line")), std::nullopt);
    platform.SaveSetting(QStringLiteral("First Line"), QStringLiteral("0"));
  }
  shell::QtPlatform again(file);
  EXPECT_EQ(again.GetSetting(QStringLiteral("First Line")), QStringLiteral("0"));
  QSettings raw(file, QSettings::IniFormat);
  EXPECT_EQ(raw.value(QStringLiteral("Brelloquin/First Line")).toString(), QStringLiteral("0"));
}

class StartUpTest : public ::testing::Test {
 protected:
  Form1& Load() {
    form_ = std::make_unique<Form1>(platform_);
    form_->Form_Load();
    return *form_;
  }
  FakePlatform platform_;
  std::unique_ptr<Form1> form_;
};

TEST_F(StartUpTest, WithoutASpreadsheetProgramTheWarningComesLast) {
  platform_.excelInstalled = false;
  Load();
  ASSERT_EQ(platform_.messages.messages.size(), 1u);
  const auto& warning = platform_.messages.messages[0];
  EXPECT_EQ(warning.text,
            QStringLiteral("Excel is not installed on this computer. You need to have "
                           "it installed to use this software without error."));
  EXPECT_EQ(warning.style, shell::kStylePlain);
  EXPECT_EQ(warning.title, QStringLiteral("Brelloquin"));
  // The settings were applied before it.
  EXPECT_EQ(platform_.writes.size(), 2);
}

TEST_F(StartUpTest, TheWindowIsCentredEvenWhenTheScreenIsSmaller) {
  platform_.screen = QRect(0, 0, 1024, 768);
  EXPECT_EQ(Load().pos(), QPoint(244, 175));
  platform_.screen = QRect(0, 0, 400, 300);
  EXPECT_EQ(Load().pos(), QPoint(-68, -60));
}

TEST_F(StartUpTest, TheSkinFileSwitchesToFaceColoursAFolderOfItsNameDoesNot) {
  QTemporaryDir dir;
  platform_.programFolder = dir.path();
  ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("x/o.cjs")));
  EXPECT_EQ(Load().Frame1->palette().color(QPalette::Window), QColor(Qt::white));

  ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("x/o.cjs")));
  QFile skin(dir.filePath(QStringLiteral("x/o.cjs")));
  ASSERT_TRUE(skin.open(QIODevice::WriteOnly));
  skin.write("QPushButton { color: navy; }");
  skin.close();
  Form1& skinned = Load();
  const QColor face = QApplication::palette().color(QPalette::Button);
  EXPECT_EQ(skinned.palette().color(QPalette::Window), face);
  EXPECT_EQ(skinned.Frame1->palette().color(QPalette::Window), face);
  EXPECT_EQ(skinned.Check8->palette().color(skinned.Check8->backgroundRole()), face);
  EXPECT_EQ(skinned.styleSheet(), QStringLiteral("QPushButton { color: navy; }"));
  EXPECT_TRUE(platform_.messages.messages.empty());
}

void MoveOver(QWidget* widget, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

TEST_F(StartUpTest, TheHandShowsOverButtonsAndTheDefaultOverFrames) {
  platform_.programFolder = QStringLiteral(BRELLOQUIN_SOURCE_DIR "/resources");
  Form1& form = Load();
  form.show();
  MoveOver(form.PushButton3, QPoint(5, 5));
  EXPECT_EQ(form.cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(form.cursor().hotSpot(), QPoint(7, 1));
  MoveOver(form.Check8, QPoint(5, 5));  // other controls change nothing
  EXPECT_EQ(form.cursor().shape(), Qt::BitmapCursor);
  MoveOver(form.Frame4, QPoint(form.Frame4->width() - 5, form.Frame4->height() - 5));
  EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
  MoveOver(form.PushButton2, QPoint(5, 5));
  MoveOver(&form, QPoint(2, 2));
  EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(StartUpTest, WithoutThePointerFileTheCustomPointerIsTheArrow) {
  Form1& form = Load();
  form.show();
  MoveOver(form.PushButton8, QPoint(5, 5));
  EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
  EXPECT_TRUE(platform_.messages.messages.empty());
}

TEST(PointerFile, APictureThatIsNoneIsReported) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("HAND-M.CUR"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray("\0\0\2\0\1\0", 6) + QByteArray(100, '\xff'));
  file.close();
  try {
    shell::LoadCursorFile(path);
    FAIL() << "no error";
  } catch (const shell::NumberedError& error) {
    EXPECT_EQ(error.number(), 481);
  }
}

}  // namespace
}  // namespace brelloquin
