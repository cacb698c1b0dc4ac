#pragma once
// Opening the project's fixture workbooks and finding cells in what they read.

#include <gtest/gtest.h>

#include <QString>
#include <deque>
#include <ostream>

#include "workbook/sheet.h"
#include "workbook/xlsx_reader.h"

inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace brelloquin::workbook::testing {

inline QString FixturePath(const char* name) {
  return QStringLiteral(BRELLOQUIN_SOURCE_DIR "/tests/fixtures/") + QString::fromUtf8(name);
}

inline SheetData ReadFixtureSheet(const char* name, std::size_t sheet) {
  SheetData data = OpenXlsx(FixturePath(name))->readSheet(sheet);
  data.finish();
  return data;
}

// The cell at a position, or nullptr when the reader stored none there. The model builds its
// cells on demand: the ones found stay here for the rest of the test program.
inline const Cell* At(const SheetData& data, std::uint32_t row, std::uint32_t col) {
  static std::deque<Cell> found;
  for (const Cell& cell : data.cells())
    if (cell.row == row && cell.col == col) return &found.emplace_back(cell);
  return nullptr;
}

inline ::testing::AssertionResult HasNumber(const SheetData& data, std::uint32_t row,
                                            std::uint32_t col, CellKind kind, double number) {
  const Cell* cell = At(data, row, col);
  if (!cell) return ::testing::AssertionFailure() << "no cell at " << row << "," << col;
  if (cell->kind != kind || cell->number != number)
    return ::testing::AssertionFailure() << "cell " << row << "," << col << " is kind "
                                         << int(cell->kind) << " number " << cell->number;
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult HasText(const SheetData& data, std::uint32_t row,
                                          std::uint32_t col, const QString& text) {
  const Cell* cell = At(data, row, col);
  if (!cell) return ::testing::AssertionFailure() << "no cell at " << row << "," << col;
  if (cell->kind != CellKind::Text || cell->text != text)
    return ::testing::AssertionFailure() << "cell " << row << "," << col << " is kind "
                                         << int(cell->kind) << " text " << cell->text.toStdString();
  return ::testing::AssertionSuccess();
}

}  // namespace brelloquin::workbook::testing
