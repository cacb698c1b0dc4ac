#pragma once
// The folder operations of the batch window: gathering a folder tree and listing one folder's
// files.

#include <QString>
#include <QStringList>

namespace brelloquin::AddFolder {

// Appends all subfolders of the listed folders (each ending in the separator), breadth first;
// hidden and system folders are never entered.
void AddSubFolders(QStringList& folders, bool recursive);

// Names of the files (hidden and system ones too, never folders) in one folder that match the
// pattern; empty when nothing matches or the folder does not exist.
QStringList GetFolderFiles(QString folder, const QString& pattern);

// The workbooks the folder search finds below a folder: every file matching the pattern in the
// folder and all its visible subfolders, without "~" files and those that are exactly hidden +
// archive, in folder order.
QStringList SearchFolderTree(const QString& folder, const QString& pattern);

}  // namespace brelloquin::AddFolder
