#include "output_names.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace brelloquin {

namespace {

QString Removed(QString text, const QString& characters) {
  for (const QChar c : characters) text.remove(c);
  return text;
}

// Besides the characters no file name may hold, "[" and "]": the table's name stands between
// brackets in every statement, and a bracket in it would end the name early, losing every row.
const QString kRemovedFromTableNames = QStringLiteral("$/\\*:?<>|#[]");

QString Cut8(QString text) {
  if (text.size() > 8) text.truncate(8);
  return text;
}

}  // namespace

QChar PathSeparator() { return QDir::separator(); }

QString FolderOf(const QString& path) {
  const qsizetype last = path.lastIndexOf(PathSeparator());
  return last < 0 ? QString() : path.left(last);
}

QString FileNameOf(const QString& path) { return path.mid(path.lastIndexOf(PathSeparator()) + 1); }

QString DbfNameFromPath(const QString& dbfPath) {
  QStringList pieces = FileNameOf(dbfPath).split(u'.');
  // A name without any "." is taken whole rather than lost.
  if (pieces.size() > 1) pieces.removeLast();
  QString name = Removed(pieces.join(QString()), kRemovedFromTableNames);
  name.replace(u' ', u'_');
  return Cut8(name);
}

QString DbfNameFromSheet(const QString& sheetName) {
  QString name = Removed(sheetName, kRemovedFromTableNames + u'\'');
  name.replace(u' ', u'_');
  return Cut8(name);
}

QString ProposedOutputPath(const QString& workbookPath, const QString& sheetName) {
  QStringList pieces = workbookPath.split(PathSeparator());
  pieces.removeLast();
  QString folder;
  for (const QString& piece : pieces) folder += piece + PathSeparator();
  QString name = Removed(sheetName, QStringLiteral("$'\"\\/*:?<>|#"));
  name.replace(u' ', u'_');
  return folder + Cut8(name) + QStringLiteral(".dbf");
}

QString WorkbookOutputFolderName(const QString& workbookFileName) {
  const QString name = workbookFileName.trimmed();
  const qsizetype xls = name.indexOf(QStringLiteral(".xls"), 0, Qt::CaseInsensitive);
  // Any other extension is taken off as well.
  const qsizetype dot = name.lastIndexOf(u'.');
  const QString folder = xls > 0 ? name.left(xls) : dot > 0 ? name.left(dot) : QString();
  // Dots and blanks alone would name the workbook's own folder or its parent ("." and "..",
  // which Windows also makes of "..." or ". "); such a name, and one that would be nothing or
  // the workbook's own name, gets a suffix instead.
  const bool dotsAndBlanks =
      std::all_of(folder.begin(), folder.end(), [](QChar c) { return c == u'.' || c.isSpace(); });
  return dotsAndBlanks ? name + QStringLiteral("_dbf") : folder;
}

QString CanonicalFolderInWorkbookFolder(const QString& folder, const QString& workbookPath) {
  const QString canonical = QDir(folder).canonicalPath();
  const bool inside =
      !canonical.isEmpty() &&
      QFileInfo(canonical).path() == QFileInfo(workbookPath).absoluteDir().canonicalPath();
  return inside ? canonical : QString();
}

}  // namespace brelloquin
