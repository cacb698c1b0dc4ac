// Draws the main window as a user sees it after choosing a sample workbook, for the README:
//   brelloquin-screenshot OUT.png WORKBOOK
// The open dialog answers WORKBOOK; the options come from a fresh store.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>

#include "main_window/Form1.h"
#include "shell/qt_platform.h"

namespace {

class ChosenWorkbook : public brelloquin::shell::QtPlatform {
 public:
  ChosenWorkbook(const QString& settingsFile, QString workbook)
      : QtPlatform(settingsFile), workbook_(std::move(workbook)) {}
  void ShowOpen(brelloquin::shell::CommonDialog& dialog) override { dialog.FileName = workbook_; }
  // The window, not the warning, is what the picture shows.
  bool ExcelInstalled() override { return true; }

 private:
  QString workbook_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 3) {
    QTextStream(stderr) << "usage: brelloquin-screenshot OUT.png WORKBOOK\n";
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
  return form.grab().save(args[1]) ? 0 : 1;
}
