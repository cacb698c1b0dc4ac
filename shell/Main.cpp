#include "shell/Main.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QWidget>
#include <QtEndian>
#include <cmath>

#include "shell/numbered_error.h"
#include "shell/platform_files.h"

namespace brelloquin::shell {

QRect Twips(int left, int top, int width, int height) {
  const auto px = [](int twips) { return static_cast<int>(std::lround(twips / 15.0)); };
  return {px(left), px(top), px(width), px(height)};
}

QFont WindowFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(9);
  font.setBold(true);
  return font;
}

QFont ButtonFont() {
  QFont font = WindowFont();
  font.setPointSizeF(11.25);
  return font;
}

void CenterOnScreen(QWidget& window, const QRect& screen) {
  const QSize size = window.frameGeometry().size();
  const double left = (screen.width() - size.width()) / 2.0;
  const double top = (screen.height() - size.height()) / 2.0;
  window.move(screen.left() + static_cast<int>(std::lround(left)),
              screen.top() + static_cast<int>(std::lround(top)));
}

namespace {

void SetBackground(QWidget& widget, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, colour);
  // Buttons, check boxes and option buttons among them, fill with the button colour.
  palette.setColor(widget.backgroundRole(), colour);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

}  // namespace

void SetBackgrounds(QWidget& window, const QColor& colour) {
  SetBackground(window, colour);
  for (QWidget* child : window.findChildren<QWidget*>()) {
    if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) ||
        qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child))
      SetBackground(*child, colour);
  }
}

void UseFaceColors(QWidget& window) {
  SetBackgrounds(window, QApplication::palette().color(QPalette::Button));
}

void ApplySkin(QWidget& window, const QString& programFolder) {
  const QString path = programFolder + QStringLiteral("/x/o.cjs");
  int attributes = 0;
  try {
    attributes = FileAttributes(path);
  } catch (const std::exception&) {
    return;  // no skin file
  }
  if (attributes & (kAttributeDirectory | kAttributeHidden | kAttributeSystem)) return;
  UseFaceColors(window);
  QFile skin(path);
  if (!skin.open(QIODevice::ReadOnly))
    throw NumberedError(75, QStringLiteral("Path/File access error"));
  window.setStyleSheet(QString::fromUtf8(skin.readAll()));
}

QCursor LoadCursorFile(const QString& path) {
  const QImage image(path, "cur");
  if (image.isNull()) throw NumberedError(481, QStringLiteral("Invalid picture"));
  // The first directory entry: width, height, colours, reserved, then the hotspot.
  QFile file(path);
  QByteArray head;
  if (file.open(QIODevice::ReadOnly)) head = file.read(6 + 16);
  int x = 0;
  int y = 0;
  if (head.size() == 22 && qFromLittleEndian<quint16>(head.constData() + 2) == 2) {
    x = qFromLittleEndian<quint16>(head.constData() + 10);
    y = qFromLittleEndian<quint16>(head.constData() + 12);
  }
  // A hotspot outside the picture would point beside it: the corner instead.
  if (x >= image.width() || y >= image.height()) x = y = 0;
  return QCursor(QPixmap::fromImage(image), x, y);
}

QIcon ApplicationIcon() { return QIcon(QStringLiteral(":/brelloquin.ico")); }

void WindowPointer::Set(State state) {
  state_ = state;
  switch (state) {
    case Default:
      window_.unsetCursor();
      break;
    case Busy:
      window_.setCursor(Qt::WaitCursor);
      break;
    case Custom:
      window_.setCursor(hand_.value_or(QCursor(Qt::ArrowCursor)));
      break;
  }
}

}  // namespace brelloquin::shell
