#pragma once
// Window helpers the windows' load handlers share: centring, the face colours, the skin, the
// pointer picture and the program's icon.

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QIcon>
#include <QRect>
#include <QString>
#include <optional>

class QWidget;

namespace brelloquin::shell {

// Said after the warning about characters the code page lacks, in both windows.
inline const QString kWindowCodePageAdvice = QStringLiteral(
    " The code page follows the language setting the program was started with; "
    "brelloquin-cli convert --code-page N writes another one.");

// Design geometry is in twips; at 96 dots an inch a pixel is 15 twips.
QRect Twips(int left, int top, int width, int height);

// A control with its caption at its design place.
template <class Control>
Control* Place(QWidget* container, const QString& caption, QRect geometry) {
  auto* control = new Control(caption, container);
  control->setGeometry(geometry);
  return control;
}

// Both windows are drawn in Arial bold, 9 pt, and their push buttons in 11.25 pt.
QFont WindowFont();
QFont ButtonFont();

// Centres the window on the screen; a window larger than the screen gets a negative edge.
void CenterOnScreen(QWidget& window, const QRect& screen);

// The background of a window, and of its frames, check boxes, option buttons and labels.
void SetBackgrounds(QWidget& window, const QColor& colour);
// The system's button-face colour for those backgrounds.
void UseFaceColors(QWidget& window);

// When "x/o.cjs" beside the program is a normal file: the face colours, then the file as the
// window's style sheet. Throws when the file cannot be read.
void ApplySkin(QWidget& window, const QString& programFolder);

// A cursor file (an icon file whose entries hold the hotspot) as a pointer. Throws
// NumberedError 481 "Invalid picture" when the file holds no picture.
QCursor LoadCursorFile(const QString& path);

// A window's one pointer setting: the default arrow, the busy hourglass, or the custom hand
// (the picture loaded from the pointer file; the arrow while there is none).
class WindowPointer {
 public:
  enum State { Default, Busy, Custom };
  explicit WindowPointer(QWidget& window) : window_(window) {}
  void SetPicture(const QCursor& picture) { hand_ = picture; }
  void Set(State state);
  State state() const { return state_; }

 private:
  QWidget& window_;
  std::optional<QCursor> hand_;
  State state_ = Default;
};

// The icon both windows carry.
QIcon ApplicationIcon();

}  // namespace brelloquin::shell
