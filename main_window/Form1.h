#pragma once
// The main window: one workbook, one sheet, one output table, and the options it remembers.

#include <QCursor>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

#include "shell/Main.h"
#include "shell/platform.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace brelloquin {

class Form2;

class Form1 : public QWidget {
 public:
  explicit Form1(shell::Platform& platform);
  ~Form1() override;

  void Form_Load();

  void PushButton3_Click();
  void listSheets();
  // A workbook named on the command line ("Open with"), chosen as if picked with "...".
  void ChooseWorkbook(const QString& path);
  void Combo1_Click();
  void Combo1_Change();
  void PushButton6_Click();
  void PushButton2_Click();
  void PushButton8_Click();
  void Check4_Click();
  void Check8_Click();
  void Check9_Click();
  void Option3_Click();
  void Option4_Click();

  // True while "Start Converting" runs.
  bool converting() const { return converting_; }
  Form2* batchWindow() const { return form2_.get(); }

  // The controls, in design order.
  QPushButton* PushButton8;
  QGroupBox* Frame1;
  std::array<QLabel*, 3> Label2;
  QLineEdit* Text1;
  QPushButton* PushButton3;
  QComboBox* Combo1;
  QGroupBox* Frame3;
  QLineEdit* Text2;
  QPushButton* PushButton6;
  QCheckBox* Check4;
  QGroupBox* Frame4;
  QCheckBox* PushButton11;
  QCheckBox* Check9;
  QCheckBox* Check8;
  QGroupBox* Frame5;
  QRadioButton* Option3;
  QRadioButton* Option4;
  QPushButton* PushButton2;
  shell::CommonDialog CommonDialog1;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  shell::Platform& platform_;
  shell::WindowPointer pointer_{*this};
  bool converting_ = false;
  bool closeRequested_ = false;
  std::unique_ptr<Form2> form2_;
};

}  // namespace brelloquin
