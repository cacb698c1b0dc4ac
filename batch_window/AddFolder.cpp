#include "batch_window/AddFolder.h"

#include <QDir>

#include "shell/platform_files.h"

namespace brelloquin::AddFolder {

namespace {
const QChar kSeparator = QDir::separator();
}

void AddSubFolders(QStringList& folders, bool recursive) {
  QStringList found;
  for (const QString& folder : std::as_const(folders)) {
    // Linked folders are not followed, so a link back up the tree cannot loop.
    const QStringList entries = QDir(folder).entryList(
        QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QString& entry : entries) {
      if (entry.contains(u'?')) continue;
      if (shell::FileAttributes(folder + entry) & shell::kAttributeDirectory)
        found << folder + entry + kSeparator;
    }
  }
  if (!found.isEmpty() && recursive) AddSubFolders(found, true);
  folders << found;
}

QStringList GetFolderFiles(QString folder, const QString& pattern) {
  if (!folder.endsWith(kSeparator)) folder += kSeparator;
  return QDir(folder).entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QStringList SearchFolderTree(const QString& folder, const QString& pattern) {
  QStringList folders{folder.endsWith(kSeparator) ? folder : folder + kSeparator};
  AddSubFolders(folders, true);
  QStringList paths;
  for (QString each : std::as_const(folders)) {
    each.chop(1);
    for (const QString& name : GetFolderFiles(each, pattern)) {
      if (name.startsWith(u'~')) continue;
      const QString path = each + kSeparator + name;
      if (shell::FileAttributes(path) == (shell::kAttributeHidden | shell::kAttributeArchive))
        continue;
      paths << path;
    }
  }
  return paths;
}

}  // namespace brelloquin::AddFolder
