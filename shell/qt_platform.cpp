#include "shell/qt_platform.h"
#include "shell/platform_files.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

#include "shell/IsInstalled.h"

namespace brelloquin::shell {

namespace {

// CR LF and CR alone are line breaks.
QString Lines(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text.replace(u'\r', u'\n');
}

}  // namespace

void MessageBoxPresenter::Show(const QString& text, int style, const QString& title) {
  const QString shown = Lines(text);
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
  if (dialog.Flags & kAllowMultiSelect) {
    const QStringList chosen =
        QFileDialog::getOpenFileNames(QApplication::activeWindow(), dialog.DialogTitle,
                                      dialog.FileName, QtFileDialogFilter(dialog.Filter));
    if (chosen.size() == 1) dialog.FileName = QDir::toNativeSeparators(chosen[0]);
    if (chosen.size() < 2) return;
    // The files of one selection share their folder.
    QStringList pieces{QDir::toNativeSeparators(QFileInfo(chosen[0]).absolutePath())};
    for (const QString& file : chosen) pieces << QFileInfo(file).fileName();
    dialog.FileName = pieces.join(QChar(0));
    return;
  }
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

QString QtPlatform::BrowseForFolder(const QString& title) {
  return QDir::toNativeSeparators(QFileDialog::getExistingDirectory(
      QApplication::activeWindow(), title, QString(), QFileDialog::ShowDirsOnly));
}

QString QtPlatform::InputBox(const QString& prompt, const QString& defaultAnswer) {
  bool confirmed = false;
  const QString answer =
      QInputDialog::getText(QApplication::activeWindow(), kApplicationTitle, Lines(prompt),
                            QLineEdit::Normal, defaultAnswer, &confirmed);
  return confirmed ? answer : QString();
}

bool QtPlatform::AskYesNo(const QString& question) {
  QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, Lines(question),
                  QMessageBox::Yes | QMessageBox::No);
  box.setWindowModality(Qt::ApplicationModal);
  return box.exec() == QMessageBox::Yes;
}

void QtPlatform::OpenFolder(const QString& folder) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
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

QString QtPlatform::ProgramFolder() {
  return ResourceFolder(QCoreApplication::applicationDirPath());
}

QRect QtPlatform::ScreenGeometry() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : QRect();
}

void QtPlatform::Yield() { QCoreApplication::processEvents(); }

void QtPlatform::EndProgram() { QCoreApplication::quit(); }

}  // namespace brelloquin::shell
