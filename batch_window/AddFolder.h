#pragma once
// The folder operations of the batch window: gathering a folder tree and listing one folder's
// files.

#include <QString>
#include <QStringList>
#include <functional>

#include "shell/error_report.h"

namespace brelloquin::AddFolder {

// Lets the window process its messages while a large tree is gathered.
using Yield = std::function<void()>;

// Appends all subfolders of the listed folders (each ending in the separator), breadth first;
// hidden and system folders are never entered. Yields once each folder's listing has started,
// before each entry is examined and before each found folder is appended.
void AddSubFolders(QStringList& folders, bool recursive, const Yield& yield = {});

// Names of the files (hidden and system ones too, never folders) in one folder that match the
// pattern; empty when nothing matches or the folder does not exist. "*.*" is every file, with
// or without an extension, as on Windows.
QStringList GetFolderFiles(QString folder, const QString& pattern);

// The files the folder search finds below a folder: every file matching the pattern in the
// folder and all its visible subfolders, without "~" files and those that are exactly hidden +
// archive, in folder order. Runs steps 116 to 136 of the search under the caller's report: a
// file whose attributes cannot be read is reported and kept.
QStringList SearchFolderTree(shell::Steps& steps, const QString& folder, const QString& pattern,
                             const Yield& yield = {});

}  // namespace brelloquin::AddFolder
