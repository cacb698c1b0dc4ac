#pragma once
// The platform as the desktop program uses it: message boxes, the toolkit's file dialogs,
// QSettings, the screen and the event loop.

#include <QSettings>
#include <memory>

#include "shell/platform.h"

namespace brelloquin::shell {

// A modal box with the icon of its style; CR LF and CR alone are line breaks.
class MessageBoxPresenter : public MessagePresenter {
 public:
  void Show(const QString& text, int style, const QString& title) override;
};

class QtPlatform : public Platform {
 public:
  // The store in the user's settings; or, for a look at the program with a separate store,
  // an INI file of that name.
  explicit QtPlatform(const QString& settingsFile = QString());

  MessagePresenter& Messages() override { return messages_; }
  void ShowOpen(CommonDialog& dialog) override;
  void ShowSave(CommonDialog& dialog) override;
  QString BrowseForFolder(const QString& title) override;
  QString InputBox(const QString& prompt, const QString& defaultAnswer) override;
  bool AskYesNo(const QString& question) override;
  void OpenFolder(const QString& folder) override;
  std::optional<QString> GetSetting(const QString& key) override;
  void SaveSetting(const QString& key, const QString& value) override;
  bool ExcelInstalled() override;
  QString ProgramFolder() override;
  QRect ScreenGeometry() override;
  void Yield() override;
  void EndProgram() override;

 private:
  MessageBoxPresenter messages_;
  std::unique_ptr<QSettings> settings_;
};

}  // namespace brelloquin::shell
