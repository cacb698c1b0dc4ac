#pragma once
// Cell values as SpreadsheetML writes them: references, numbers, escaped texts, ISO dates.

#include <QString>
#include <cstdint>
#include <optional>
#include <string_view>

namespace brelloquin::workbook::xlsx {

struct CellPosition {
  std::uint32_t row;  // zero-based
  std::uint32_t col;  // zero-based
};

// "B3" → row 2, column 1; nullopt when malformed or beyond kMaxRows/kMaxColumns.
std::optional<CellPosition> ParseCellReference(std::string_view reference);

// A decimal integer without sign, as indexes and row numbers are written.
std::optional<std::uint64_t> ParseIndex(std::string_view text);

// A finite number in the C locale; surrounding blanks are allowed.
std::optional<double> ParseNumber(std::string_view text);

// The text of a string element: UTF-8 with _xHHHH_ escapes of UTF-16 code units decoded
// (_x005F_ escapes the underscore that would otherwise start an escape).
QString DecodeText(std::string_view utf8);
// Whether DecodeText would give the bytes back as they are: ASCII without _xHHHH_ escapes.
bool IsPlainText(std::string_view utf8);

// An ISO 8601 date, date-time or time ("2024-02-29", "2024-02-29T13:45:00Z", "13:45:00") as a
// day serial from 1899-12-30; time zones are ignored. nullopt when malformed.
std::optional<double> ParseIsoDate(std::string_view text);

}  // namespace brelloquin::workbook::xlsx
