#include "shell/qt_platform.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>

#include "shell/IsInstalled.h"

namespace brelloquin::shell {

void MessageBoxPresenter::Show(const QString& text, int style, const QString& title) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(u'\r', u'\n');
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (style & 0x70) {
    case 16:
      icon = QMessageBox::Critical;
      break;
    case 32:
      icon = QMessageBox::Question;
      break;
    case kStyleExclamation:
      icon = QMessageBox::Warning;
      break;
    case kStyleInformation:
      icon = QMessageBox::Information;
      break;
  }
  QMessageBox box(icon, title, shown, QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

QtPlatform::QtPlatform(const QString& settingsFile)
    : settings_(settingsFile.isEmpty()
                    ? std::make_unique<QSettings>(QStringLiteral("Tessaldry"),
                                                  QStringLiteral("Brelloquin"))
                    : std::make_unique<QSettings>(settingsFile, QSettings::IniFormat)) {
  settings_->beginGroup(QStringLiteral("Brelloquin"));
}

void QtPlatform::ShowOpen(CommonDialog& dialog) {
  const QString chosen =
      QFileDialog::getOpenFileName(QApplication::activeWindow(), dialog.DialogTitle,
                                   dialog.FileName, QtFileDialogFilter(dialog.Filter));
  if (!chosen.isEmpty()) dialog.FileName = QDir::toNativeSeparators(chosen);
}

void QtPlatform::ShowSave(CommonDialog& dialog) {
  // Whether the file exists is asked later, by Start Converting.
  const QString chosen = QFileDialog::getSaveFileName(
      QApplication::activeWindow(), dialog.DialogTitle, dialog.FileName,
      QtFileDialogFilter(dialog.Filter), nullptr, QFileDialog::DontConfirmOverwrite);
  if (!chosen.isEmpty()) dialog.FileName = QDir::toNativeSeparators(chosen);
}

std::optional<QString> QtPlatform::GetSetting(const QString& key) {
  if (!settings_->contains(key)) return std::nullopt;
  return settings_->value(key).toString();
}

void QtPlatform::SaveSetting(const QString& key, const QString& value) {
  settings_->setValue(key, value);
  settings_->sync();
}

bool QtPlatform::ExcelInstalled() { return SpreadsheetProgramInstalled(); }

QString QtPlatform::ProgramFolder() { return QCoreApplication::applicationDirPath(); }

QRect QtPlatform::ScreenGeometry() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : QRect();
}

void QtPlatform::Yield() { QCoreApplication::processEvents(); }

void QtPlatform::EndProgram() { QCoreApplication::quit(); }

}  // namespace brelloquin::shell
