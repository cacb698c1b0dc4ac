// Every value of every sheet arrives in the DBF, or the user is told: workbooks written for each
// case, converted by both procedures and read back by python3-dbf.

#include <gtest/gtest.h>

#include "engine/qt_printers.h"

#include <QDir>
#include <QTemporaryDir>

#include "data_access/dbase_catalog.h"
#include "dbf/dbf_format.h"
#include "engine/conversion_fixture.h"
#include "engine/dbf_reader.h"
#include "modDBF.h"
#include "support/xlsx_writer.h"

namespace brelloquin {
namespace {

using testing::ReadDbf;
using testing::XlsxRow;
using testing::XlsxSheet;

class ValuesArrive : public testing::ConversionFixture {
 protected:
  QString Book(const QString& name, const std::vector<XlsxSheet>& sheets) {
    const QString path = Path(name);
    EXPECT_TRUE(testing::WriteXlsx(path, sheets));
    return path;
  }

  // Single sheet, dBase III; the first line as names unless header is false.
  ConversionOutcome Convert(const QString& book, const QString& sheet, const QString& out,
                            bool allCharacters, bool header = true) {
    firstLine_ = header && allCharacters;
    return engine_
        .CreateDBFFromXLSBySheet(book, Path(out), sheet,
                                 header ? QStringLiteral("Yes") : QStringLiteral("No"),
                                 QStringLiteral("dBase III"), allCharacters)
        .outcome;
  }

  void Batch(const QStringList& books) {
    engine_.UsedOutputNames.clear();
    for (const QString& book : books)
      engine_.CreateDBFFromXLS(book, QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
  }
};

QStringList Column(const testing::DbfContents& dbf, int index) {
  QStringList values;
  for (const auto& record : dbf.records) {
    const QJsonValue value = record.toArray()[index];
    values << (value.isDouble() ? QString::number(value.toDouble(), 'g', 17) : value.toString());
  }
  return values;
}

QString FieldType(const testing::DbfContents& dbf, int index) {
  const QJsonArray field = dbf.fields[index].toArray();
  return field[1].toString() + QString::number(field[2].toInt()) + u'.' +
         QString::number(field[3].toInt());
}

XlsxRow Texts(const QStringList& texts) {
  XlsxRow row;
  for (const QString& text : texts) row.emplace_back(text);
  return row;
}

TEST_F(ValuesArrive, WorkbooksSharingANameNeverOverwriteEachOthersTables) {
  QStringList books;
  for (const char* name : {"Book.xls", "Book.xlsm", "Book.xlsx"}) {
    const auto id = static_cast<double>(books.size() + 1);
    books << Book(QString::fromLatin1(name),
                  {{QStringLiteral("Sheet1"), {Texts({QStringLiteral("id")}), {id}}}});
  }
  Batch(books);
  ASSERT_EQ(Reports(), QStringList{});
  EXPECT_EQ(engine_.UsedOutputNames, QStringLiteral(" Sheet1 Sheet2 Sheet3"));
  QStringList ids;
  for (const char* table : {"Book/Sheet1.dbf", "Book/Sheet2.dbf", "Book/Sheet3.dbf"})
    ids << Column(ReadDbf(Path(QString::fromLatin1(table))), 0);
  EXPECT_EQ(ids, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));

  // A later run replaces the tables of the earlier one, as a batch always does.
  Batch({books[0]});
  EXPECT_EQ(engine_.UsedOutputNames, QStringLiteral(" Sheet1"));
  EXPECT_EQ(QDir(Path(QStringLiteral("Book"))).entryList(QDir::Files).size(), 3);
}

TEST_F(ValuesArrive, WidthsCountBytesOfDoubleByteAndComposingCodePages) {
  const QString note = QString(130, QChar(0x65E5));  // 130 × 日: 260 bytes in 932
  const QString book =
      Book(QStringLiteral("notes.xlsx"),
           {{QStringLiteral("Notes"),
             {Texts({QStringLiteral("id"), QStringLiteral("note"), QStringLiteral("place")}),
              {1.0, note, QStringLiteral(u"Việt Nam")},
              {2.0, QStringLiteral(u"短い"), QStringLiteral(u"Hà Nội")},
              {3.0, QString(200, QChar(0x8A9E)), QStringLiteral("Hue")}}}});

  UseCodePage(932);
  Batch({book});
  ASSERT_EQ(Reports(), QStringList{});
  const auto whole = ReadDbf(Path(QStringLiteral("notes/Notes.dbf")));
  ASSERT_TRUE(whole.error.isEmpty()) << whole.error.toStdString();
  EXPECT_EQ(FieldType(whole, 1), QStringLiteral("M10.0"));  // 400 bytes: a memo, nothing cut
  EXPECT_EQ(Column(whole, 1),
            (QStringList{note, QStringLiteral(u"短い"), QString(200, QChar(0x8A9E))}));

  // The single sheet cuts a character field at 254 bytes, between two characters.
  EXPECT_EQ(Convert(book, QStringLiteral("Notes$"), QStringLiteral("jp.dbf"), true),
            ConversionOutcome::Written);
  ASSERT_EQ(Reports(), QStringList{});
  const auto single = ReadDbf(Path(QStringLiteral("jp.dbf")));
  EXPECT_EQ(FieldType(single, 1), QStringLiteral("C254.0"));
  EXPECT_EQ(Column(single, 1), (QStringList{QString(127, QChar(0x65E5)), QStringLiteral(u"短い"),
                                            QString(127, QChar(0x8A9E))}));

  // 1258 writes "ệ" as a letter and a combining mark: "Việt Nam" takes 9 bytes.
  UseCodePage(1258);
  EXPECT_EQ(Convert(book, QStringLiteral("Notes$"), QStringLiteral("vi.dbf"), false),
            ConversionOutcome::Written);
  ASSERT_EQ(Reports(), QStringList{});
  // python3-dbf knows no 1258: the field's bytes are read here.
  QFile file(Path(QStringLiteral("vi.dbf")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const dbf::format::Table table = dbf::format::ReadHeader(file);
  EXPECT_EQ(table.recordCount, 3u);
  ASSERT_EQ(table.fields.size(), 3u);
  EXPECT_EQ(table.fields[2].length, 9);
  QStringList places;
  for (std::uint32_t r = 0; r < table.recordCount; ++r) {
    const QByteArray record = dbf::format::ReadAt(file, table.recordOffset(r), table.recordSize());
    const qsizetype at = 1 + table.fields[0].length + table.fields[1].length;
    places << table.codePage.decode(record.mid(at, table.fields[2].length).trimmed());
  }
  EXPECT_EQ(table.codePage.windowsCodePage(), 1258);
  EXPECT_EQ(places.join(u'|').normalized(QString::NormalizationForm_C),
            QStringLiteral(u"Việt Nam|Hà Nội|Hue"));
}

TEST_F(ValuesArrive, TypedNumbersAreNeverRoundedOrRefused) {
  // Coordinates with 7 decimals; large whole numbers; numbers no single field can hold.
  const std::vector<std::vector<XlsxRow::value_type>> columns{
      {0.1234567, 1E-07, 52.5200066, -3.0, 2.0, -0.5},
      {123456789012345.0, 1E+13, -1234567890123.0},
      {1E+300, 1E-20, 1.0}};
  std::vector<XlsxRow> rows(6, XlsxRow(3));
  for (std::size_t c = 0; c < columns.size(); ++c)
    for (std::size_t r = 0; r < columns[c].size(); ++r) rows[r][c] = columns[c][r];
  const QString book = Book(QStringLiteral("numbers.xlsx"), {{QStringLiteral("N"), rows}});
  UseCodePage(1252);
  EXPECT_EQ(Convert(book, QStringLiteral("N$"), QStringLiteral("n.dbf"), false, false),
            ConversionOutcome::Written);
  ASSERT_EQ(Reports(), QStringList{});
  const auto dbf = ReadDbf(Path(QStringLiteral("n.dbf")));
  ASSERT_TRUE(dbf.error.isEmpty()) << dbf.error.toStdString();
  ASSERT_EQ(dbf.records.size(), 6);
  EXPECT_EQ(FieldType(dbf, 0), QStringLiteral("N10.7"));
  EXPECT_EQ(Column(dbf, 0),
            (QStringList{QStringLiteral("0.1234567"), QStringLiteral("9.9999999999999995e-08"),
                         QStringLiteral("52.520006600000002"), QStringLiteral("-3"),
                         QStringLiteral("2"), QStringLiteral("-0.5")}));
  EXPECT_EQ(FieldType(dbf, 1), QStringLiteral("N15.0"));
  EXPECT_EQ(Column(dbf, 1).mid(0, 3),
            (QStringList{QStringLiteral("123456789012345"), QStringLiteral("10000000000000"),
                         QStringLiteral("-1234567890123")}));
  // 1E+300 and 1E-20 fit no one numeric field: the column holds their text forms.
  EXPECT_EQ(FieldType(dbf, 2), QStringLiteral("C6.0"));
  EXPECT_EQ(Column(dbf, 2).mid(0, 3),
            (QStringList{QStringLiteral("1E+300"), QStringLiteral("1E-20"), QStringLiteral("1")}));
}

TEST_F(ValuesArrive, WideSheetsConvertUpTo255Columns) {
  XlsxRow names, values, tooMany;
  for (int i = 0; i < 255; ++i) {
    names.emplace_back(QStringLiteral("c%1").arg(i));
    values.emplace_back(double(i));
  }
  for (int i = 0; i < 256; ++i) tooMany.emplace_back(double(i));
  const QString book = Book(
      QStringLiteral("wide.xlsx"),
      {{QStringLiteral("Wide"), {names, values}},
       {QStringLiteral("Huge"), {tooMany, tooMany}},
       {QStringLiteral("After"), {Texts({QStringLiteral("a")}), Texts({QStringLiteral("b")})}}});
  UseCodePage(1252);
  Batch({book});
  const auto wide = ReadDbf(Path(QStringLiteral("wide/Wide.dbf")));
  ASSERT_TRUE(wide.error.isEmpty()) << wide.error.toStdString();
  EXPECT_EQ(wide.fields.size(), 255);
  EXPECT_EQ(wide.records[0].toArray()[254].toString(), QStringLiteral("254"));
  // The sheet past the limit is refused before a row is read, saying why; the next converts.
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains(
      QStringLiteral("The sheet Huge$ has 256 columns; a dBase table holds at most 255 fields.")))
      << Reports()[0].toStdString();
  EXPECT_FALSE(QFile::exists(Path(QStringLiteral("wide/Huge.dbf"))));
  EXPECT_EQ(Column(ReadDbf(Path(QStringLiteral("wide/After.dbf"))), 0),
            QStringList{QStringLiteral("b")});
}

// A 1.8 KB workbook whose cells span A1:XFD1048576 is refused at once, not after walking the
// empty area (the suite's time limit stands for "at once": the old way took hours).
TEST_F(ValuesArrive, ASparseSheetTooWideForATableIsRefusedBeforeItsRowsAreRead) {
  const auto cell = [](const char* reference) {
    return testing::RawCell{QStringLiteral("<c r=\"%1\"><v>1</v></c>").arg(reference)};
  };
  const QString book = Book(
      QStringLiteral("sparse.xlsx"),
      {{QStringLiteral("Wide"), {{cell("A1"), cell("XFD1"), cell("XFD1048576")}}},
       {QStringLiteral("Next"), {Texts({QStringLiteral("a")}), Texts({QStringLiteral("b")})}}});
  Batch({book});
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains(QStringLiteral("has 16384 columns")));
  EXPECT_EQ(Column(ReadDbf(Path(QStringLiteral("sparse/Next.dbf"))), 0),
            QStringList{QStringLiteral("b")});
  EXPECT_EQ(Convert(book, QStringLiteral("Wide$"), QStringLiteral("w.dbf"), false),
            ConversionOutcome::Failed);
}

TEST_F(ValuesArrive, TypedTextLongerThanACharacterFieldGoesIntoAMemo) {
  const QString exactly255 = QString(254, u'x') + u'!';
  const QString book = Book(
      QStringLiteral("long.xlsx"),
      {{QStringLiteral("T"),
        {Texts({QStringLiteral("note")}), Texts({exactly255}), Texts({QStringLiteral("short")})}}});
  UseCodePage(1252);
  EXPECT_EQ(Convert(book, QStringLiteral("T$"), QStringLiteral("t.dbf"), false),
            ConversionOutcome::Written);
  const auto dbf = ReadDbf(Path(QStringLiteral("t.dbf")));
  EXPECT_EQ(FieldType(dbf, 0), QStringLiteral("M10.0"));
  EXPECT_EQ(Column(dbf, 0), (QStringList{exactly255, QStringLiteral("short")}));
}

TEST_F(ValuesArrive, CharactersTheCodePageLacksAreCountedInOneWarningPerTable) {
  const QString book = Book(QStringLiteral("ru.xlsx"),
                            {{QStringLiteral("Cities"),
                              {Texts({QStringLiteral("city"), QStringLiteral("note")}),
                               Texts({QStringLiteral(u"Москва"), QStringLiteral(u"Жёлтый")}),
                               Texts({QStringLiteral("Paris"), QStringLiteral(u"Café")})}}});
  UseCodePage(1252);
  firstLine_ = true;
  const ConversionResult result = engine_.CreateDBFFromXLSBySheet(
      book, Path(QStringLiteral("c.dbf")), QStringLiteral("Cities$"), QStringLiteral("Yes"),
      QStringLiteral("dBase III"), true);
  EXPECT_EQ(result.outcome, ConversionOutcome::Written);
  EXPECT_EQ(result.warnings, 1);
  EXPECT_EQ(result.tables, QStringList{Path(QStringLiteral("c.dbf"))});
  EXPECT_EQ(Reports(), QStringList{});
  ASSERT_EQ(presenter_.warnings.size(), 1);
  EXPECT_EQ(presenter_.warnings[0],
            QStringLiteral("The table ") + Path(QStringLiteral("c.dbf")) +
                QStringLiteral(" was written, but 2 of its values held characters that code page "
                               "1252 lacks; each such character was written as \"?\"."));
  // The table is kept, and "Done!" still follows.
  ASSERT_EQ(presenter_.messages.size(), 1);
  EXPECT_TRUE(presenter_.messages[0].text.startsWith(QStringLiteral("Done!")));
  EXPECT_EQ(Column(ReadDbf(Path(QStringLiteral("c.dbf"))), 0),
            (QStringList{QStringLiteral("??????"), QStringLiteral("Paris")}));

  UseCodePage(1251);
  presenter_.warnings.clear();
  Batch({book});
  EXPECT_EQ(presenter_.warnings.size(), 1);  // "Café": é is not in 1251
  EXPECT_TRUE(presenter_.warnings.value(0).contains(QStringLiteral("1 of its values")));
}

TEST_F(ValuesArrive, ABracketInATableNameLosesNoRow) {
  const QString book = Book(QStringLiteral("brackets.xlsx"),
                            {{QStringLiteral("x]y"),
                              {Texts({QStringLiteral("a")}), Texts({QStringLiteral("1")}),
                               Texts({QStringLiteral("2")})}}});
  EXPECT_EQ(Convert(book, QStringLiteral("'x]y$'"), QStringLiteral("a]b.dbf"), true),
            ConversionOutcome::Written);
  Batch({book});
  EXPECT_EQ(Reports(), QStringList{});
  for (const char* table : {"ab.dbf", "brackets/xy.dbf"})
    EXPECT_EQ(Column(ReadDbf(Path(QString::fromLatin1(table))), 0),
              (QStringList{QStringLiteral("1"), QStringLiteral("2")}))
        << table;
}

}  // namespace
}  // namespace brelloquin
