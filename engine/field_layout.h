#pragma once
// From a sheet's columns to the table's columns: raw names, cleaned names, unique names,
// types and widths.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <span>
#include <unordered_map>
#include <vector>

#include "data_access/dbase_catalog.h"

namespace brelloquin {

// What the measuring pass records for one field of the sheet.
struct ColumnLayout {
  std::int16_t width = 0;  // longest text form of a non-Null value, in bytes of the code page
  std::int16_t typeCode = 0;
  QString rawName;  // the field's name, cut to 10 characters
  // A date value of the column is no day a date field holds: it carries a time of day, is a
  // time alone, or lies outside the years 100-9999 (written as its number then).
  bool datesAsText = false;
  // The most digits before the point (a minus sign counted) and after it of the column's
  // numbers, written out in full from their 15-significant-digit form.
  int integerDigits = 0;
  int decimals = 0;
};

// Raises the column's width to the text's length; a text longer than 32767 characters does not
// fit the 16-bit width and throws, leaving the width as it was.
void MeasureWidth(ColumnLayout& column, qsizetype length);

// Widens the column's digits to hold a number given by its text form ("-12.5", "1E-07").
void MeasureNumber(ColumnLayout& column, const QString& numberText);

// A raw name made into a name dBase accepts: trimmed, blanks and the fifteen special characters
// made "_", every other character outside A-Z, a-z, 0-9 and "_" made "_" too, and "Fld" put in
// front of a leading "_" (cut to 8 then).
QString CleanFieldName(const QString& rawName);

// A list of bracketed or blank-separated names. One that grows through a long run notes where
// its short pieces stand as names are appended, so that looking a name up costs the same
// however long the list has grown; any other is searched.
class NameList {
 public:
  explicit NameList(const QString& text = QString(), bool notePieces = false);
  const QString& text() const { return text_; }
  void Append(const QString& names);
  // The ascending positions where probe occurs (an empty probe occurs at every position), in
  // the noted places or else in `found`. Pieces across a blank are not noted (a table's name
  // holds none): a probe holding one is searched.
  std::span<const qsizetype> Occurrences(const QString& probe, std::vector<qsizetype>& found) const;

 private:
  // Pieces up to this length are noted: a table's name has at most 8 characters.
  static constexpr qsizetype kNoted = 8;
  struct PieceHash {
    using is_transparent = void;
    std::size_t operator()(QStringView piece) const { return qHash(piece); }
  };
  QString text_;
  bool notePieces_;
  // By piece; looked up by a view into the text, so that only a new piece is copied.
  std::unordered_map<QString, std::vector<qsizetype>, PieceHash, std::equal_to<>> places_;
};

// The name unique against a list of bracketed or blank-separated names by the counter rule:
// the counter's digits replace the name's last characters while its shortened form is still
// found in the list. Where that lands on a name that isTaken says is given already, the counter
// goes on until the name is free.
QString MakeUniqueName(const QString& name, const NameList& list,
                       const std::function<bool(const QString&)>& isTaken);
inline QString MakeUniqueName(const QString& name, const QString& list,
                              const std::function<bool(const QString&)>& isTaken) {
  return MakeUniqueName(name, NameList(list), isTaken);
}

enum class Conversion { SingleSheet, WholeWorkbook };

// One field's type code, defined size and, for numbers, decimals; the name is the caller's.
data_access::TableColumn DefineColumn(const ColumnLayout& column, bool allFieldsCharacters,
                                      Conversion conversion);

}  // namespace brelloquin
