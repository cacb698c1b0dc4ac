#include "shell/platform_files.h"

#include <QDir>
#include <QFileInfo>
#include <stdexcept>

namespace brelloquin::shell {

int FileAttributes(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists() && !info.isSymLink())
    throw std::runtime_error(QStringLiteral("File not found: %1").arg(path).toStdString());
  int attributes = 0;
  if (info.isDir()) attributes |= kAttributeDirectory;
  if (info.isHidden()) attributes |= kAttributeHidden;
  if (!info.isWritable()) attributes |= kAttributeReadOnly;
  return attributes;
}

QString RepairRootSeparator(QString path) {
#ifdef Q_OS_WIN
  return path.replace(QStringLiteral(":\\\\"), QStringLiteral(":\\"));
#else
  return path.replace(QStringLiteral("//"), QStringLiteral("/"));
#endif
}

QString ResourceFolder(const QString& programFolder) {
  if (QFileInfo::exists(programFolder + QStringLiteral("/HAND-M.CUR"))) return programFolder;
  const QString installed = QDir::cleanPath(programFolder + QStringLiteral("/../share/brelloquin"));
  return QFileInfo(installed).isDir() ? installed : programFolder;
}

}  // namespace brelloquin::shell
