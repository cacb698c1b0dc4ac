#pragma once
// How a number format shows a number: both readers decide with these, so they agree.

#include <QString>
#include <cstdint>

namespace brelloquin::workbook {

enum class FormatKind : std::uint8_t {
  Number,   // a plain number
  Date,     // a date, with or without a time of day
  Time,     // a time of day alone (h, m and s placeholders only)
  Elapsed,  // a duration: [h]:mm:ss, [mm]:ss, [s], ...
};

// The pieces of an elapsed-time format: the total in its bracketed unit, then the smaller
// units it goes on to, each within its range.
struct ElapsedPieces {
  char unit = 'h';                        // 'h', 'm' or 's'
  std::uint8_t width = 1;                 // [hh] writes at least two digits
  bool minutes = false, seconds = false;  // the :mm and :ss that follow
  std::uint8_t decimals = 0;              // of the seconds, up to 3
};

struct NumberFormat {
  FormatKind kind = FormatKind::Number;
  ElapsedPieces elapsed;  // when kind is Elapsed
};

// A built-in format id (shared by BIFF and SpreadsheetML).
NumberFormat BuiltinNumberFormat(int id);

// A custom format code, by its first section outside quoted text, escapes and colour, condition
// or locale brackets: [h], [mm], [ss] make it elapsed time; else a day, month or year
// placeholder a date; else an hour, minute or second placeholder a time.
NumberFormat ClassifyFormatCode(const QString& code);

// A duration of `days` as an elapsed format shows it ("255:10:10"), rounded to its last piece's
// precision the way a spreadsheet rounds, negative with a leading "-". The caller keeps `days`
// within ±kElapsedLimit.
QString ElapsedText(double days, const ElapsedPieces& pieces);

// A spreadsheet shows no duration past the last date it can show (9999-12-31, serial 2958465):
// beyond it the number stands as it is.
inline constexpr double kElapsedLimit = 2958466;

}  // namespace brelloquin::workbook
