#include "main_window/Form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <map>

#include "batch_window/Form2.h"
#include "main_window/Form1Actions.h"
#include "modDBF.h"
#include "output_names.h"
#include "shell/IsInstalled.h"
#include "shell/Main.h"
#include "shell/error_report.h"

namespace brelloquin {

namespace {

using shell::ButtonFont;
using shell::Place;
using shell::Twips;
using shell::WindowFont;

// A stored text read as a 16-bit integer, as the runtime converts it.
int StoredInteger(const QString& text) {
  bool number = false;
  const double value = text.trimmed().toDouble(&number);
  if (!number || std::isnan(value)) throw shell::NumberedError(13, QStringLiteral("Type mismatch"));
  const double rounded = std::nearbyint(value);  // halves to even
  if (rounded < -32768 || rounded > 32767)
    throw shell::NumberedError(6, QStringLiteral("Overflow"));
  return static_cast<int>(rounded);
}

// A stored text read as a Boolean: "True" / "False" or a number, non-zero being true.
bool StoredBoolean(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
  if (trimmed.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
  bool number = false;
  const double value = trimmed.toDouble(&number);
  if (!number || std::isnan(value)) throw shell::NumberedError(13, QStringLiteral("Type mismatch"));
  return value != 0;
}

// A check box's value: 0 clear, 1 ticked, 2 greyed.
int CheckValue(const QCheckBox& box) {
  switch (box.checkState()) {
    case Qt::Unchecked:
      return 0;
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      break;
  }
  return 2;
}

// Gives the box a new value; a change raises its click handler as a user's click does.
template <class Handler>
void SetCheckValue(QCheckBox& box, int value, Handler&& click) {
  static constexpr Qt::CheckState kStates[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
  if (value < 0 || value > 2)
    throw shell::NumberedError(380, QStringLiteral("Invalid property value"));
  if (CheckValue(box) == value) return;
  box.setCheckState(kStates[value]);
  click();
}

// Selecting an option button raises its click handler; clearing one raises nothing.
template <class Handler>
void SetOptionValue(QRadioButton& button, bool selected, Handler&& click) {
  if (selected) {
    button.setChecked(true);
    click();
  } else if (button.isChecked()) {
    // Cleared by code, the pair may be left with neither selected.
    button.setAutoExclusive(false);
    button.setChecked(false);
    button.setAutoExclusive(true);
  }
}

QString BooleanText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

// A user's click on a greyed box leaves the grey behind for good.
void ConnectCheckClick(QCheckBox* box, std::function<void()> handler) {
  QObject::connect(box, &QCheckBox::clicked, box, [box, handler] {
    if (box->checkState() != Qt::PartiallyChecked) box->setTristate(false);
    handler();
  });
}

bool IsUserInput(const QEvent& event) {
  switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

}  // namespace

Form1::Form1(shell::Platform& platform) : platform_(platform) {
  setFont(WindowFont());
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(Twips(0, 0, 8040, 6285).size());

  PushButton8 = Place<QPushButton>(this, QStringLiteral("Convert Multiple Excel Files To DBF >"),
                                   Twips(120, 120, 7800, 405));
  Frame1 = Place<QGroupBox>(this, QStringLiteral("Single File To Converter"),
                            Twips(120, 600, 7800, 1290));
  Label2[2] = Place<QLabel>(Frame1, QStringLiteral("Excel File:"), Twips(240, 345, 840, 225));
  Text1 = Place<QLineEdit>(Frame1, QString(), Twips(1200, 300, 5520, 345));
  PushButton3 = Place<QPushButton>(Frame1, QStringLiteral("..."), Twips(6825, 300, 705, 345));
  Label2[1] = Place<QLabel>(Frame1, QStringLiteral("Sheet:"), Twips(240, 795, 540, 225));
  Combo1 = new QComboBox(Frame1);
  Combo1->setGeometry(Twips(1200, 750, 6340, 345));
  Frame3 = Place<QGroupBox>(this, QStringLiteral("Output"), Twips(120, 1950, 7800, 1095));
  Label2[0] = Place<QLabel>(Frame3, QStringLiteral("DBF File:"), Twips(240, 345, 705, 225));
  Text2 = Place<QLineEdit>(Frame3, QString(), Twips(1110, 300, 5595, 345));
  PushButton6 = Place<QPushButton>(Frame3, QStringLiteral("..."), Twips(6825, 300, 705, 345));
  Check4 =
      Place<QCheckBox>(Frame3, QStringLiteral("Overwrite Existing"), Twips(1110, 720, 1995, 240));
  Frame4 = Place<QGroupBox>(this, QStringLiteral("Options"), Twips(120, 3090, 7800, 1440));
  PushButton11 = Place<QCheckBox>(Frame4, QStringLiteral("Remove CRLF In Memo fields"),
                                  Twips(240, 300, 3135, 285));
  Check9 = Place<QCheckBox>(Frame4, QStringLiteral("All Fields Are Characters"),
                            Twips(240, 650, 3135, 285));
  Check8 = Place<QCheckBox>(Frame4, QStringLiteral("Use The First Line As The Field Names"),
                            Twips(240, 1000, 3615, 285));
  Frame5 = Place<QGroupBox>(this, QStringLiteral("Type Of File"), Twips(120, 4590, 7800, 1035));
  Option3 = Place<QRadioButton>(Frame5, QStringLiteral("dBase III"), Twips(240, 300, 1050, 240));
  Option4 = Place<QRadioButton>(Frame5, QStringLiteral("dBase IV"), Twips(240, 650, 1050, 240));
  PushButton2 =
      Place<QPushButton>(this, QStringLiteral("Start Converting"), Twips(120, 5760, 7800, 405));

  for (QPushButton* button : {PushButton8, PushButton3, PushButton6, PushButton2}) {
    button->setFont(ButtonFont());
    button->setAutoDefault(false);
  }
  // The captions "Excel File:" and "DBF File:" are wider than their designed labels in the
  // substituted font; the label grows to the right rather than lose the colon.
  for (QLabel* label : Label2)
    label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
  shell::SetBackgrounds(*this, Qt::white);

  // Design states, before the stored settings are applied.
  Check8->setChecked(true);
  PushButton11->setChecked(true);
  Option4->setChecked(true);

  QWidget* order[] = {Text1,       PushButton3,  Text2,   PushButton6, Check4,
                      PushButton2, PushButton8,  Option4, Option3,     Check8,
                      Check9,      PushButton11, Combo1};
  for (std::size_t at = 1; at < std::size(order); ++at) setTabOrder(order[at - 1], order[at]);

  setMouseTracking(true);
  for (QWidget* watched : std::initializer_list<QWidget*>{
           PushButton2, PushButton3, PushButton6, PushButton8, Frame1, Frame3, Frame4, Frame5}) {
    watched->setMouseTracking(true);
    watched->installEventFilter(this);
  }

  connect(PushButton3, &QPushButton::clicked, this, [this] { PushButton3_Click(); });
  connect(PushButton6, &QPushButton::clicked, this, [this] { PushButton6_Click(); });
  connect(PushButton2, &QPushButton::clicked, this, [this] { PushButton2_Click(); });
  connect(PushButton8, &QPushButton::clicked, this, [this] { PushButton8_Click(); });
  connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
  connect(Combo1, &QComboBox::currentTextChanged, this, [this] { Combo1_Change(); });
  ConnectCheckClick(Check4, [this] { Check4_Click(); });
  ConnectCheckClick(Check8, [this] { Check8_Click(); });
  ConnectCheckClick(Check9, [this] { Check9_Click(); });
  connect(Option3, &QRadioButton::clicked, this, [this] { Option3_Click(); });
  connect(Option4, &QRadioButton::clicked, this, [this] { Option4_Click(); });
}

Form1::~Form1() = default;

void Form1::Form_Load() {
  shell::Steps steps(platform_.Messages(),
                     shell::Location(QStringLiteral("Form1"), QStringLiteral("Form_Load")));
  steps(100, [&] { shell::CenterOnScreen(*this, platform_.ScreenGeometry()); });
  steps(102, [&] { shell::ApplySkin(*this, platform_.ProgramFolder()); });
  steps(104, [&] {
    setWindowTitle(shell::kApplicationTitle);
    setWindowIcon(shell::ApplicationIcon());
  });
  const QString handPath = platform_.ProgramFolder() + QStringLiteral("/HAND-M.CUR");
  if (steps.If(106, [&] { return shell::FileExists(handPath); }))
    steps(108, [&] { pointer_.SetPicture(shell::LoadCursorFile(handPath)); });
  // Each option takes the value stored when loading began: the type buttons' clicks below
  // write both of their keys, and the second button still takes its own stored value.
  std::map<QString, std::optional<QString>> storedAtStart;
  for (const char* key : {"First Line", "All Fields", "Overwrite", "Option3", "Option4"})
    storedAtStart[QString::fromLatin1(key)] = platform_.GetSetting(QString::fromLatin1(key));
  const auto stored = [&](const QString& key, const QString& fallback) {
    return storedAtStart[key].value_or(fallback);
  };
  steps(128, [&] {
    SetCheckValue(*Check8, StoredInteger(stored(QStringLiteral("First Line"), QStringLiteral("1"))),
                  [this] { Check8_Click(); });
  });
  steps(130, [&] {
    SetCheckValue(*Check9, StoredInteger(stored(QStringLiteral("All Fields"), QStringLiteral("0"))),
                  [this] { Check9_Click(); });
  });
  steps(132, [&] {
    SetCheckValue(*Check4, StoredInteger(stored(QStringLiteral("Overwrite"), QStringLiteral("0"))),
                  [this] { Check4_Click(); });
  });
  steps(134, [&] {
    SetOptionValue(*Option3, StoredBoolean(stored(QStringLiteral("Option3"), QStringLiteral("1"))),
                   [this] { Option3_Click(); });
  });
  steps(136, [&] {
    SetOptionValue(*Option4, StoredBoolean(stored(QStringLiteral("Option4"), QStringLiteral("0"))),
                   [this] { Option4_Click(); });
  });
  steps(138, [&] { shell::CheckExcelInstalled(platform_); });
}

void Form1::PushButton3_Click() {
  if (converting_) return;
  shell::Steps steps(platform_.Messages(),
                     shell::Location(QStringLiteral("Form1"), QStringLiteral("PushButton3_Click")),
                     true);
  steps(100, [&] { CommonDialog1.FileName.clear(); });
  steps(102, [&] { CommonDialog1.DialogTitle = QStringLiteral("Select Excel File"); });
  steps(104, [&] { CommonDialog1.Filter = QStringLiteral("Excel Files (*.xls*)|*.xls*|"); });
  steps(106, [&] { platform_.ShowOpen(CommonDialog1); });
  if (steps.If(108, [&] { return CommonDialog1.FileName.isEmpty(); })) return;
  steps(110, [&] { Text1->setText(CommonDialog1.FileName); });
  steps(114, [&] { listSheets(); });
}

void Form1::ChooseWorkbook(const QString& path) {
  if (converting_) return;
  Text1->setText(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
  listSheets();
}

void Form1::listSheets() {
  if (converting_) return;
  {
    // The emptied list proposes nothing: the output box is emptied with it.
    const QSignalBlocker blocker(Combo1);
    Combo1->clear();
  }
  Text2->clear();
  const QStringList names = Form1Actions::listSheets(platform_.Messages(), Text1->text());
  if (names.isEmpty()) return;
  {
    const QSignalBlocker blocker(Combo1);
    Combo1->addItems(names);
    Combo1->setCurrentIndex(0);
  }
  Combo1_Click();
}

void Form1::Combo1_Click() {
  if (converting_) return;
  Text2->setText(ProposedOutputPath(Text1->text(), Combo1->currentText()));
}

void Form1::Combo1_Change() { Combo1_Click(); }

void Form1::PushButton6_Click() {
  if (converting_) return;
  shell::Steps steps(platform_.Messages(),
                     shell::Location(QStringLiteral("Form1"), QStringLiteral("PushButton6_Click")));
  steps(100, [&] { CommonDialog1.FileName = Text2->text(); });
  steps(102, [&] { CommonDialog1.DialogTitle = QStringLiteral("Output DBF File"); });
  steps(104, [&] { CommonDialog1.Filter = QStringLiteral("DBF Files (*.dbf)|*.dbf|"); });
  steps(106, [&] { platform_.ShowSave(CommonDialog1); });
  if (steps.If(108, [&] { return CommonDialog1.FileName.isEmpty(); })) return;
  steps(110, [&] { Text2->setText(CommonDialog1.FileName); });
}

void Form1::PushButton2_Click() {
  if (converting_) return;
  converting_ = true;
  const auto before = pointer_.state();
  pointer_.Set(shell::WindowPointer::Busy);
  // While the conversion lets window messages run, no click or key reaches this window: its
  // boxes stay as the conversion read them and no second conversion starts.
  qApp->installEventFilter(this);

  shell::Steps steps(platform_.Messages(),
                     shell::Location(QStringLiteral("Form1"), QStringLiteral("PushButton2_Click")));
  steps(114, [&] {
    modDBF engine(EngineHost{platform_.Messages(),
                             [this] { return Check8->checkState() == Qt::Checked; },
                             [this] { platform_.Yield(); }, shell::kWindowCodePageAdvice});
    Form1Actions::StartConverting(
        engine, platform_.Messages(),
        {Text1->text(), Text2->text(), Combo1->currentText(), Check4->checkState() == Qt::Checked,
         Check8->checkState() == Qt::Checked, Option4->isChecked(),
         Check9->checkState() == Qt::Checked});
  });

  qApp->removeEventFilter(this);
  pointer_.Set(before);
  converting_ = false;
  if (closeRequested_) close();
}

void Form1::PushButton8_Click() {
  if (converting_) return;
  shell::Steps steps(platform_.Messages(),
                     shell::Location(QStringLiteral("Form1"), QStringLiteral("PushButton8_Click")));
  steps(100, [&] {
    // A closed batch window has lost its list: each opening makes a new one.
    if (!form2_ || !form2_->isVisible()) {
      form2_ = std::make_unique<Form2>(platform_, *this);
      form2_->Form_Load();
    }
    form2_->show();
  });
  steps(102, [&] { hide(); });
}

void Form1::Check4_Click() {
  platform_.SaveSetting(QStringLiteral("Overwrite"), QString::number(CheckValue(*Check4)));
}

void Form1::Check8_Click() {
  platform_.SaveSetting(QStringLiteral("First Line"), QString::number(CheckValue(*Check8)));
}

void Form1::Check9_Click() {
  platform_.SaveSetting(QStringLiteral("All Fields"), QString::number(CheckValue(*Check9)));
}

void Form1::Option3_Click() {
  platform_.SaveSetting(QStringLiteral("Option3"), BooleanText(Option3->isChecked()));
  platform_.SaveSetting(QStringLiteral("Option4"), BooleanText(Option4->isChecked()));
}

void Form1::Option4_Click() { Option3_Click(); }

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (converting_ && IsUserInput(*event)) {
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && (widget == this || isAncestorOf(widget))) return true;
  }
  if (event->type() == QEvent::MouseMove && pointer_.state() != shell::WindowPointer::Busy) {
    if (watched == PushButton2 || watched == PushButton3 || watched == PushButton6 ||
        watched == PushButton8) {
      pointer_.Set(shell::WindowPointer::Custom);
    } else if (auto* frame = qobject_cast<QGroupBox*>(watched)) {
      // Over a frame's own surface, not over a control it holds.
      const auto* move = static_cast<QMouseEvent*>(event);
      if (!frame->childAt(move->position().toPoint())) pointer_.Set(shell::WindowPointer::Default);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
  if (pointer_.state() != shell::WindowPointer::Busy && !childAt(event->position().toPoint()))
    pointer_.Set(shell::WindowPointer::Default);
  QWidget::mouseMoveEvent(event);
}

void Form1::closeEvent(QCloseEvent* event) {
  if (converting_) {
    // The conversion finishes first; the window closes when it has.
    closeRequested_ = true;
    event->ignore();
    return;
  }
  event->accept();
  platform_.EndProgram();
}

}  // namespace brelloquin
