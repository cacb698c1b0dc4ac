#pragma once
// Where converted tables go and what they are called.

#include <QString>

namespace brelloquin {

// The separator that output paths are joined and split at: the platform's own, "\" on Windows
// and "/" elsewhere.
QChar PathSeparator();

// Everything before the path's last separator ("" when there is none).
QString FolderOf(const QString& path);
// The path's last separator-separated piece.
QString FileNameOf(const QString& path);

// The single-sheet DBF name from the output path's file name: the extension dropped and the
// other dots with it, "$ / \ * : ? < > | # [ ]" removed, blanks made "_", at most 8 characters.
QString DbfNameFromPath(const QString& dbfPath);

// The whole-workbook DBF name of a listed sheet name, before it is made unique.
QString DbfNameFromSheet(const QString& sheetName);

// The output path the main window proposes for a sheet: the workbook's folder, the sheet name
// cleaned and cut to 8 characters, ".dbf".
QString ProposedOutputPath(const QString& workbookPath, const QString& sheetName);

// The folder a whole-workbook conversion writes into: beside the workbook, named after it
// without its extension; always a plain child folder name, never "", "." or "..".
QString WorkbookOutputFolderName(const QString& workbookFileName);

// The existing folder with links resolved when it is a child of the workbook's own folder;
// empty otherwise.
QString CanonicalFolderInWorkbookFolder(const QString& folder, const QString& workbookPath);

}  // namespace brelloquin
