#pragma once
// What the windows need from the system besides widgets: message boxes, prompts, file and
// folder dialogs, the
// per-user settings store, the spreadsheet-program probe, the program's folder, the screen, and
// letting pending window messages run. The windows take it as one object, so tests drive every
// handler without a real dialog or a modal box.

#include <QRect>
#include <QString>
#include <optional>

#include "shell/message_presenter.h"

namespace brelloquin::shell {

// The file dialog component: a handler sets its properties, shows it and reads FileName back.
struct CommonDialog {
  QString FileName;
  QString DialogTitle;
  QString Filter;  // "Description|pattern|..." pairs
  int Flags = 0;   // kAllowMultiSelect and the dialog's other option bits
};

// With this flag the open dialog takes several files: one chosen file comes back as its full
// path, several as their folder and their names, each piece ended by a NUL character but the
// last.
inline constexpr int kAllowMultiSelect = 0x200;

class Platform {
 public:
  virtual ~Platform() = default;

  virtual MessagePresenter& Messages() = 0;

  // A chosen file replaces dialog.FileName; cancelling leaves it as it was set.
  virtual void ShowOpen(CommonDialog& dialog) = 0;
  virtual void ShowSave(CommonDialog& dialog) = 0;

  // The per-user settings store (application "Tessaldry", section "Brelloquin"): every value
  // a text; nothing when the key is absent.
  virtual std::optional<QString> GetSetting(const QString& key) = 0;
  virtual void SaveSetting(const QString& key, const QString& value) = 0;

  // The folder browser: the chosen folder, or nothing when cancelled.
  virtual QString BrowseForFolder(const QString& title) = 0;
  // The text prompt under the application's title: the answer, or nothing when cancelled.
  virtual QString InputBox(const QString& prompt, const QString& defaultAnswer) = 0;
  // A question with Yes and No, no icon, under the application's title: true for Yes.
  virtual bool AskYesNo(const QString& question) = 0;
  // Shows the folder in the desktop's file manager; whether that worked is not asked.
  virtual void OpenFolder(const QString& folder) = 0;

  // Whether a spreadsheet program that opens workbooks is installed.
  virtual bool ExcelInstalled() = 0;

  // The folder of the program's own files (ResourceFolder), without a trailing separator.
  virtual QString ProgramFolder() = 0;
  virtual QRect ScreenGeometry() = 0;

  // Runs pending window messages (repaints, clicks) and returns.
  virtual void Yield() = 0;
  // Ends the whole program: every window closes.
  virtual void EndProgram() = 0;
};

}  // namespace brelloquin::shell
