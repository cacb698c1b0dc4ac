#pragma once
// dBase III and dBase IV tables (.dbf) with their memo files (.dbt): creating a table and
// appending records to it.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "described_error.h"
#include "text/code_page.h"

namespace brelloquin::dbf {

class DbfError : public DescribedError {
 public:
  using DescribedError::DescribedError;
};

// A failure of the operating system to write a table's files: nothing more can be written to
// that table.
class DbfWriteError : public DbfError {
 public:
  DbfWriteError(const QString& path, const QString& reason)
      : DbfError(QStringLiteral("Could not write to %1: %2").arg(path, reason)), reason_(reason) {}
  const QString& reason() const { return reason_; }

 private:
  QString reason_;
};

enum class Flavour { DBase3, DBase4 };

// dBase IV's 255 fields in both flavours: dBase III PLUS documents 128, but every reader tried
// opens a dBase III table of 210 fields, and refusing them would lose whole sheets. The 4000-byte
// records are not enforced either; 255 fields of 254 bytes stay within the header's 16-bit
// record size.
inline constexpr int kMaxFields = 255;
inline constexpr int kMaxCharacterLength = 254;
// A numeric field: at most 20 characters (sign and point included), at most 15 decimals.
inline constexpr int kMaxNumericLength = 20;
inline constexpr int kMaxDecimals = 15;

// A field as the DBF file's header describes it.
struct FieldDescriptor {
  QString name;      // 1 to 10 ASCII letters, digits and "_"; unique ignoring case
  char type = 'C';   // 'C', 'N', 'D', 'L' or 'M'
  int length = 1;    // C: 1-254, N: 1-20; D, L and M have the fixed widths 8, 1 and 10
  int decimals = 0;  // N only: 0-15, leaving room for the point and one digit
};

// The memo file beside a table: same stem, extension ".dbt" (".DBT" beside a ".DBF").
QString MemoPath(const QString& dbfPath);

// Where a table is written: under its own name, or staged beside it under names that no reader
// takes for a table, until CommitStaged renames the complete files over the final names. Old
// files are then never lost to a table that fails or a run that is killed halfway.
enum class Placement { Final, Staged };

// The staged name of a table's or memo file's final path.
QString StagedPath(const QString& path);
// Renames the staged table (and memo file) over the final names; the staged files are removed
// when that fails. Throws DbfError.
void CommitStaged(const QString& dbfPath);
// Removes the staged files of a table, if any.
void DiscardStaged(const QString& dbfPath);
bool HasStaged(const QString& dbfPath);
// Removes every staged file in the folder: the leftovers of a run that was killed.
void DiscardStagedLeftovers(const QString& folder);

// Writes the header of an empty table (and an empty memo file when a field is 'M'), replacing
// what is there at that placement. Throws DbfError.
void CreateTable(const QString& dbfPath, Flavour flavour,
                 const std::vector<FieldDescriptor>& fields, const text::CodePage& codePage,
                 Placement placement = Placement::Final);

// An existing table opened for appending. Records reach the disk in batches, at the latest on
// flush() or when the appender goes; the record count in the header always matches the records
// on disk.
class TableAppender {
 public:
  // Throws DbfError.
  explicit TableAppender(const QString& dbfPath, Placement placement = Placement::Final);
  ~TableAppender();
  TableAppender(const TableAppender&) = delete;
  TableAppender& operator=(const TableAppender&) = delete;

  const std::vector<FieldDescriptor>& fields() const;
  // One text per field (nullopt or "" gives a blank field), converted to the field's type.
  // Throws DbfError, naming the field, for anything that cannot be stored as it is, and
  // DbfWriteError when the files cannot be written.
  void appendRecord(const std::vector<std::optional<QString>>& values);
  // Writes the records appended so far. Throws DbfWriteError.
  void flush();
  // Values appended so far that held a character the code page lacks (written as "?").
  int valuesWithReplacedCharacters() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace brelloquin::dbf
