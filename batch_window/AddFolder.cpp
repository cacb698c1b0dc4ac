#include "batch_window/AddFolder.h"

#include <QDir>

#include "shell/platform_files.h"

namespace brelloquin::AddFolder {

namespace {
const QChar kSeparator = QDir::separator();
}

void AddSubFolders(QStringList& folders, bool recursive, const Yield& yield) {
  const auto yieldNow = [&] {
    if (yield) yield();
  };
  QStringList found;
  for (const QString& folder : std::as_const(folders)) {
    // Linked folders are not followed, so a link back up the tree cannot loop.
    const QStringList entries = QDir(folder).entryList(
        QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    yieldNow();
    for (const QString& entry : entries) {
      yieldNow();
      if (entry.contains(u'?')) continue;
      if (shell::FileAttributes(folder + entry) & shell::kAttributeDirectory)
        found << folder + entry + kSeparator;
    }
  }
  if (!found.isEmpty() && recursive) AddSubFolders(found, true, yield);
  for (const QString& each : std::as_const(found)) {
    yieldNow();
    folders << each;
  }
}

QStringList GetFolderFiles(QString folder, const QString& pattern) {
  if (!folder.endsWith(kSeparator)) folder += kSeparator;
  const QString filter = pattern == QStringLiteral("*.*") ? QStringLiteral("*") : pattern;
  return QDir(folder).entryList({filter}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QStringList SearchFolderTree(shell::Steps& steps, const QString& folder, const QString& pattern,
                             const Yield& yield) {
  QStringList folders;
  steps(116, [&] { folders << (folder.endsWith(kSeparator) ? folder : folder + kSeparator); });
  steps(118, [&] { AddSubFolders(folders, true, yield); });
  QStringList paths;
  for (QString each : std::as_const(folders)) {
    each.chop(1);
    QStringList names;
    steps(124, [&] { names = GetFolderFiles(each, pattern); });
    for (const QString& name : std::as_const(names)) {
      if (name.startsWith(u'~')) continue;
      const QString path = each + kSeparator + name;
      int attributes = 0;
      steps(134, [&] { attributes = shell::FileAttributes(path); });
      if (attributes == (shell::kAttributeHidden | shell::kAttributeArchive)) continue;
      paths << shell::RepairRootSeparator(path);
    }
  }
  return paths;
}

}  // namespace brelloquin::AddFolder
