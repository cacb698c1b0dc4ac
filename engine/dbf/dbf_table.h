#pragma once
// dBase III and dBase IV tables (.dbf) with their memo files (.dbt): creating a table and
// appending records to it.

#include <QString>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

#include "dbf/code_page.h"

namespace brelloquin::dbf {

class DbfError : public std::runtime_error {
 public:
  explicit DbfError(const QString& description)
      : std::runtime_error(description.toStdString()), description_(description) {}
  const QString& description() const { return description_; }

 private:
  QString description_;
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

struct FieldSpec {
  QString name;      // 1 to 10 ASCII letters, digits and "_"; unique ignoring case
  char type = 'C';   // 'C', 'N', 'D', 'L' or 'M'
  int length = 1;    // C: 1-254, N: 1-20; D, L and M have the fixed widths 8, 1 and 10
  int decimals = 0;  // N only: 0-15, leaving room for the point and one digit
};

// The memo file beside a table: same stem, extension ".dbt" (".DBT" beside a ".DBF").
QString MemoPath(const QString& dbfPath);

// Writes the header of an empty table (and an empty memo file when a field is 'M'), replacing
// what is there. Throws DbfError.
void CreateTable(const QString& dbfPath, Flavour flavour, const std::vector<FieldSpec>& fields,
                 const CodePage& codePage);

// An existing table opened for appending. Records reach the disk in batches, at the latest on
// flush() or when the appender goes; the record count in the header always matches the records
// on disk.
class TableAppender {
 public:
  explicit TableAppender(const QString& dbfPath);  // throws DbfError
  ~TableAppender();
  TableAppender(const TableAppender&) = delete;
  TableAppender& operator=(const TableAppender&) = delete;

  const std::vector<FieldSpec>& fields() const;
  // One text per field (nullopt or "" gives a blank field), converted to the field's type.
  // Throws DbfError, naming the field, for anything that cannot be stored as it is.
  void appendRecord(const std::vector<std::optional<QString>>& values);
  // Writes the records appended so far. Throws DbfError.
  void flush();
  // Values appended so far that held a character the code page lacks (written as "?").
  int valuesWithReplacedCharacters() const;

 private:
  struct State;
  State* state_;
};

}  // namespace brelloquin::dbf
