// brelloquin: the desktop program. The main window is the first thing it makes; closing that
// window ends the program.

#include <QApplication>

#include "main_window/Form1.h"
#include "shell/Main.h"
#include "shell/qt_platform.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Brelloquin"));
  QApplication::setWindowIcon(brelloquin::shell::ApplicationIcon());
  // The main window ends the program itself when it closes, whatever else is open or hidden.
  QApplication::setQuitOnLastWindowClosed(false);
  brelloquin::shell::QtPlatform platform;
  brelloquin::Form1 form(platform);
  form.Form_Load();
  // "Open with Brelloquin" hands over the workbook's path.
  if (const QStringList args = QApplication::arguments(); args.size() > 1)
    form.ChooseWorkbook(args[1]);
  form.show();
  return QApplication::exec();
}
