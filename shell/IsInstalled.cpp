#include "shell/IsInstalled.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace brelloquin::shell {

bool FileExists(const QString& path) {
  const QFileInfo info(path);
  return !path.isEmpty() && info.exists() && info.lastModified().isValid();
}

namespace {

#ifndef Q_OS_WIN
const QString kXlsxMimeType =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");

// A "type=handler.desktop;..." line for the .xlsx type in one of the desktop's lists.
bool HandlerListed(const QString& listPath) {
  QFile list(listPath);
  if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
  while (!list.atEnd()) {
    const QString line = QString::fromUtf8(list.readLine()).trimmed();
    if (line.startsWith(kXlsxMimeType + u'=') && line.size() > kXlsxMimeType.size() + 1)
      return true;
  }
  return false;
}
#endif

}  // namespace

bool SpreadsheetProgramInstalled() {
#ifdef Q_OS_WIN
  const QSettings registered(QStringLiteral("HKEY_CLASSES_ROOT\\Excel.Application\\CLSID"),
                             QSettings::NativeFormat);
  return !registered.value(QStringLiteral("Default")).toString().isEmpty();
#else
  for (const char* program : {"libreoffice", "soffice", "localc", "gnumeric", "ssconvert"})
    if (!QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) return true;
  QStringList lists;
  for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ConfigLocation))
    lists << folder + QStringLiteral("/mimeapps.list");
  for (const QString& folder :
       QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
    lists << folder + QStringLiteral("/mimeapps.list") << folder + QStringLiteral("/mimeinfo.cache")
          << folder + QStringLiteral("/defaults.list");
  for (const QString& list : lists)
    if (HandlerListed(list)) return true;
  return false;
#endif
}

void CheckExcelInstalled(Platform& platform) {
  if (!platform.ExcelInstalled())
    platform.Messages().Show(kExcelMissingWarning, kStylePlain, kApplicationTitle);
}

QString QtFileDialogFilter(const QString& filter) {
  const QStringList pieces = filter.split(u'|');
  QStringList entries;
  for (qsizetype at = 0; at + 1 < pieces.size(); at += 2) {
    const QString description = pieces[at];
    QStringList patterns = pieces[at + 1].split(u';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) pattern = pattern.trimmed();
    const QString list = u'(' + patterns.join(u' ') + u')';
    // The dialog takes the patterns from the last parentheses; a description that already ends
    // with them is not given them twice.
    entries << (description.endsWith(list) ? description : description + u' ' + list);
  }
  return entries.join(QStringLiteral(";;"));
}

}  // namespace brelloquin::shell
