#include "batch_window/Form2.h"

#include <QCloseEvent>

#include "shell/Main.h"
#include "shell/message_presenter.h"

namespace brelloquin {

Form2::Form2(QWidget& mainWindow) : mainWindow_(mainWindow) {
  setWindowTitle(shell::kApplicationTitle);
  setWindowIcon(shell::ApplicationIcon());
}

void Form2::closeEvent(QCloseEvent* event) {
  mainWindow_.show();
  event->accept();
}

}  // namespace brelloquin
