// Draws the windows as a user sees them, for the README:
//   brelloquin-screenshot OUT.png WORKBOOK [BATCH.png]
// The main window after choosing WORKBOOK in its open dialog, the options from a fresh store;
// with BATCH.png also the batch window after "Load Sample/Example Files", declining to open
// the samples' folder.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>

#include "batch_window/Form2.h"
#include "main_window/Form1.h"
#include "shell/qt_platform.h"

namespace {

class ChosenWorkbook : public brelloquin::shell::QtPlatform {
 public:
  ChosenWorkbook(const QString& settingsFile, QString workbook)
      : QtPlatform(settingsFile), workbook_(std::move(workbook)) {}
  void ShowOpen(brelloquin::shell::CommonDialog& dialog) override { dialog.FileName = workbook_; }
  // The window, not the warning or the question, is what the picture shows.
  bool ExcelInstalled() override { return true; }
  bool AskYesNo(const QString&) override { return false; }

 private:
  QString workbook_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 3 && args.size() != 4) {
    QTextStream(stderr) << "usage: brelloquin-screenshot OUT.png WORKBOOK [BATCH.png]\n";
    return 2;
  }
  QTemporaryDir store;
  ChosenWorkbook platform(store.filePath(QStringLiteral("settings.ini")),
                          QDir::toNativeSeparators(QFileInfo(args[2]).absoluteFilePath()));
  brelloquin::Form1 form(platform);
  form.Form_Load();
  form.show();
  form.PushButton3->click();
  QApplication::processEvents();
  if (!form.grab().save(args[1])) return 1;
  if (args.size() == 3) return 0;

  form.PushButton8->click();
  brelloquin::Form2& batch = *form.batchWindow();
  batch.PushButton4->click();
  QApplication::processEvents();
  return batch.grab().save(args[3]) ? 0 : 1;
}
