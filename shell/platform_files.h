#pragma once
// File attributes as the Windows shell reports them; elsewhere a name starting with "." is
// hidden and there are no archive or system bits.

#include <QString>

namespace brelloquin::shell {

enum FileAttribute : int {
  kAttributeReadOnly = 1,
  kAttributeHidden = 2,
  kAttributeSystem = 4,
  kAttributeDirectory = 16,
  kAttributeArchive = 32,
};

// Throws std::runtime_error when the path does not exist.
int FileAttributes(const QString& path);

// A path joined onto a root folder carries a doubled separator ("C:\\book.xls", "//book.xls"):
// the root's own separator is kept and the doubled one dropped.
QString RepairRootSeparator(QString path);

// The folder of the program's own files (the hand pointer, the skin, Samples/): beside the
// program when it runs from the build folder, else ../share/brelloquin where the install puts
// them; the program's folder when neither holds them.
QString ResourceFolder(const QString& programFolder);

}  // namespace brelloquin::shell
