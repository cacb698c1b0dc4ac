#include "data_access/sheet_table.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "engine/qt_printers.h"

namespace brelloquin::data_access {
namespace {

using workbook::Cell;
using workbook::CellKind;

Cell Num(std::uint32_t row, std::uint32_t col, double v, CellKind kind = CellKind::Number) {
  return Cell{row, col, kind, v, {}};
}
Cell Text(std::uint32_t row, std::uint32_t col, const QString& text) {
  return Cell{row, col, CellKind::Text, 0, text};
}

struct Table {
  std::vector<SourceField> fields;
  std::vector<std::vector<Variant>> rows;
};

Table Read(std::vector<Cell> cells, bool header) {
  workbook::SheetData data;
  for (auto& c : cells) data.add(std::move(c));
  auto table = std::make_shared<const SheetTable>(std::move(data), header);
  Table out{table->fields(), {}};
  for (auto rows = SheetTable::Rows(table); !rows->atEnd(); rows->next())
    out.rows.push_back(rows->row());
  return out;
}

TEST(SheetTable, HeaderRowGivesNamesAndEmptyHeaderCellsGiveFn) {
  // Used range B2:D4, cells added out of order as a reader may.
  const auto t = Read({Num(3, 1, 7), Text(1, 1, QStringLiteral("Id")), Num(2, 1, 1),
                       Text(1, 3, QStringLiteral("Note")), Text(2, 2, QStringLiteral("x"))},
                      true);
  ASSERT_EQ(t.fields.size(), 3u);
  EXPECT_EQ(t.fields[0].name, QStringLiteral("Id"));
  EXPECT_EQ(t.fields[1].name, QStringLiteral("F2"));
  EXPECT_EQ(t.fields[2].name, QStringLiteral("Note"));
  EXPECT_EQ(t.fields[0].type, adDouble);
  EXPECT_EQ(t.fields[1].type, adVarWChar);
  EXPECT_EQ(t.fields[2].type, adVarWChar);  // no value at all
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.rows[0][1].Text(), QStringLiteral("x"));
  EXPECT_TRUE(t.rows[1][1].IsNull());
  EXPECT_TRUE(t.rows[1][2].IsNull());
}

TEST(SheetTable, RowsHandOutEachCellsOwnTextAndKeepEarlierRowsAsTheyWere) {
  // Each row's texts are written into the room of the last row's: a row kept by the caller,
  // a cell left empty and a shorter or wider text after a longer one must not show through.
  const auto t =
      Read({Text(0, 0, QStringLiteral("a longer first text")), Num(0, 1, 1), Num(1, 1, 2),
            Text(2, 0, QStringLiteral("ab")), Text(3, 0, QStringLiteral("Имя")), Num(4, 0, 5),
            Text(5, 0, QStringLiteral("x"))},
           false);
  ASSERT_EQ(t.rows.size(), 6u);
  EXPECT_EQ(t.rows[0][0].Text(), QStringLiteral("a longer first text"));
  EXPECT_TRUE(t.rows[1][0].IsNull());
  EXPECT_EQ(t.rows[1][0].Text(), QString());
  EXPECT_EQ(t.rows[2][0].Text(), QStringLiteral("ab"));
  EXPECT_EQ(t.rows[3][0].Text(), QStringLiteral("Имя"));
  EXPECT_EQ(t.rows[4][0].Text(), QStringLiteral("5"));
  EXPECT_EQ(t.rows[5][0].Text(), QStringLiteral("x"));
  EXPECT_EQ(*t.rows[5][0].StringValue(), QStringLiteral("x"));
}

TEST(SheetTable, WithoutHeaderEveryRowIsDataAndNamesAreF1ToFn) {
  const auto t = Read({Text(0, 0, QStringLiteral("Id")), Num(0, 1, 2), Num(1, 0, 5)}, false);
  ASSERT_EQ(t.fields.size(), 2u);
  EXPECT_EQ(t.fields[0].name, QStringLiteral("F1"));
  EXPECT_EQ(t.fields[1].name, QStringLiteral("F2"));
  EXPECT_EQ(t.fields[0].type, adVarWChar);  // text and number mixed
  ASSERT_EQ(t.rows.size(), 2u);
  // A number in a text column keeps its kind.
  EXPECT_EQ(t.rows[1][0].kind(), Variant::Kind::Double);
}

TEST(SheetTable, EveryValueDecidesTheType) {
  std::vector<Cell> cells{Text(0, 0, QStringLiteral("N")), Text(0, 1, QStringLiteral("D")),
                          Text(0, 2, QStringLiteral("B")), Text(0, 3, QStringLiteral("L")),
                          Text(0, 4, QStringLiteral("E"))};
  for (std::uint32_t r = 1; r <= 2000; ++r) {
    cells.push_back(Num(r, 0, r));
    cells.push_back(Num(r, 1, 45000 + r, CellKind::Date));
    cells.push_back(Num(r, 2, r % 2, CellKind::Boolean));
    cells.push_back(Num(r, 4, 7, CellKind::Error));
  }
  // Far below any sample a provider might take: a text, a date, a long text.
  cells.push_back(Text(2001, 0, QStringLiteral("n/a")));
  cells.push_back(Num(2001, 2, 3));
  cells.push_back(Text(2001, 3, QString(256, u'x')));
  const auto t = Read(std::move(cells), true);
  EXPECT_EQ(t.fields[0].type, adVarWChar);
  EXPECT_EQ(t.fields[1].type, adDate);
  EXPECT_EQ(t.fields[2].type, adVarWChar);
  EXPECT_EQ(t.fields[3].type, adLongVarWChar);
  EXPECT_EQ(t.fields[4].type, adVarWChar);  // errors only: all Null
  EXPECT_EQ(t.rows[0][0].Text(), QStringLiteral("1"));
  EXPECT_EQ(t.rows[0][1].Text(), QStringLiteral("2023-03-16"));
  EXPECT_EQ(t.rows[0][2].Text(), QStringLiteral("True"));
  EXPECT_TRUE(t.rows[0][4].IsNull());
  EXPECT_EQ(t.rows[2000][0].Text(), QStringLiteral("n/a"));
}

TEST(SheetTable, ExactlyTwoHundredFiftyFiveCharactersStayShortText) {
  const auto t = Read({Text(0, 0, QString(255, u'y'))}, false);
  EXPECT_EQ(t.fields[0].type, adVarWChar);
}

TEST(SheetTable, EmptySheetHasOneFieldAndNoRows) {
  const auto t = Read({}, true);
  ASSERT_EQ(t.fields.size(), 1u);
  EXPECT_EQ(t.fields[0].name, QStringLiteral("F1"));
  EXPECT_TRUE(t.rows.empty());
  // A header row alone gives names but no rows.
  const auto h = Read({Text(4, 2, QStringLiteral("Only"))}, true);
  EXPECT_EQ(h.fields[0].name, QStringLiteral("Only"));
  EXPECT_TRUE(h.rows.empty());
}

TEST(SheetTable, LaterCellAtOnePositionWins) {
  const auto t = Read({Num(0, 0, 1), Num(0, 0, 2)}, false);
  ASSERT_EQ(t.rows.size(), 1u);
  EXPECT_EQ(t.rows[0][0].Text(), QStringLiteral("2"));
}

TEST(SheetTable, ASheetBeyondTheBudgetReadsTheSameWindowByWindow) {
  const auto shared = std::make_shared<workbook::StringTable>();
  shared->add(QStringLiteral("shared"));
  shared->add(QString(300, u'\u0416'));  // a long text beyond Latin-1
  // Rows added backwards, some empty, one position written twice: the later value wins.
  std::vector<Cell> cells{Text(2, 1, QStringLiteral("Name")), Text(2, 3, QStringLiteral("Value"))};
  for (std::uint32_t row = 400; row > 2; --row) {
    if (row % 7 == 0) continue;
    cells.push_back(Num(row, 3, row));
    // Some texts are kept one byte a character, others (beyond Latin-1) two.
    const QString mark = row % 4 == 0 ? QStringLiteral(" \u2713") : QString();
    if (row % 2 == 0)
      cells.push_back(Text(row, 1, QStringLiteral("row ") + QString::number(row) + mark));
  }
  cells.push_back(Num(150, 3, -1));
  int reads = 0;
  const SheetTable::Read read = [&](const workbook::RowWindow& window) {
    ++reads;
    workbook::SheetData data(window, shared);
    for (const Cell& cell : cells) data.add(cell);
    data.addShared(9, 2, 1);
    data.addShared(398, 2, 0);
    data.addUnreadable();
    return data;
  };
  const auto collect = [](const std::shared_ptr<const SheetTable>& table) {
    QStringList rows;
    for (auto source = SheetTable::Rows(table); !source->atEnd(); source->next()) {
      QString row;
      for (const Variant& value : source->row())
        row += (value.IsNull() ? QStringLiteral("-") : value.Text()) + u'|';
      rows << row;
    }
    return rows;
  };
  const auto kept = std::make_shared<const SheetTable>(read, true);
  EXPECT_EQ(reads, 1);
  reads = 0;
  const auto windowed = std::make_shared<const SheetTable>(read, true, 2048);
  EXPECT_GT(reads, 5);

  ASSERT_EQ(windowed->fields().size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(windowed->fields()[i].name, kept->fields()[i].name);
    EXPECT_EQ(windowed->fields()[i].type, kept->fields()[i].type);
  }
  EXPECT_EQ(kept->fields()[1].type, adLongVarWChar);
  EXPECT_EQ(windowed->unreadableCells(), 1u);
  const QStringList rows = collect(kept);
  ASSERT_EQ(rows.size(), 398);
  EXPECT_EQ(rows[150 - 3], QStringLiteral("row 150|-|-1|"));
  EXPECT_EQ(rows[7 - 3], QStringLiteral("-|-|-|"));
  EXPECT_EQ(rows[400 - 3], QStringLiteral("row 400 \u2713|-|400|"));
  EXPECT_EQ(rows[398 - 3], QStringLiteral("row 398|shared|398|"));
  reads = 0;
  EXPECT_EQ(collect(windowed), rows);
  EXPECT_GT(reads, 5);
}

}  // namespace
}  // namespace brelloquin::data_access
