#pragma once
// The batch window: a list of workbooks gathered by dialog, folder search, drag and drop and
// the bundled samples, converted whole by "Start Converting". It takes the main window's place
// and gives it back when closed.

#include <QCursor>
#include <QStringList>
#include <QWidget>
#include <optional>

#include "shell/Main.h"
#include "shell/platform.h"

class QMimeData;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace brelloquin {

class Form2 : public QWidget {
 public:
  Form2(shell::Platform& platform, QWidget& mainWindow);

  void Form_Load();

  void PushButton1_Click();
  void PushButton5_Click();
  void PushButton4_Click();
  void PushButton7_Click();
  void ListView1_DblClick();
  void ListView1_KeyDown(int key);
  // True when the dragged data may be dropped on the list: it holds a list of files.
  bool ListView1_OLEDragOver(const QMimeData& mime) const;
  void ListView1_OLEDragDrop(const QMimeData& mime);
  void PushButton3_Click();
  void PushButton8_Click();
  void PushButton2_Click();

  // The list's paths, in order.
  QStringList entries() const;
  // True while "Start Converting" runs.
  bool running() const { return running_; }

  // The controls, in design order.
  QPushButton* PushButton3;
  QPushButton* PushButton8;
  QTreeWidget* ListView1;
  QPushButton* PushButton1;
  QPushButton* PushButton5;
  QPushButton* PushButton7;
  QPushButton* PushButton4;
  QPushButton* PushButton2;
  QProgressBar* ProgressBar1;
  shell::CommonDialog CommonDialog1;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Append(const QString& path);
  void RemoveSelected();

  shell::Platform& platform_;
  QWidget& mainWindow_;
  shell::WindowPointer pointer_{*this};
  bool running_ = false;
  bool closeRequested_ = false;
};

}  // namespace brelloquin
