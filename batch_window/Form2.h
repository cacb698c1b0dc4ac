#pragma once
// The batch window. For now only the window itself: it takes the main window's place and
// gives it back when closed.

#include <QWidget>

namespace brelloquin {

class Form2 : public QWidget {
 public:
  explicit Form2(QWidget& mainWindow);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget& mainWindow_;
};

}  // namespace brelloquin
