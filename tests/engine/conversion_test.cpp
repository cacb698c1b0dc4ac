// Both conversions end to end on fixture workbooks; every DBF is read back by python3-dbf.

#include <gtest/gtest.h>

#include "engine/qt_printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data_access/dbase_catalog.h"
#include "engine/conversion_fixture.h"
#include "engine/dbf_reader.h"
#include "modDBF.h"
#include "support/xlsx_writer.h"

namespace brelloquin {
namespace {

using testing::ReadDbf;

const QString kFixtures = QStringLiteral(BRELLOQUIN_SOURCE_DIR "/tests/fixtures/");

class Conversion : public testing::ConversionFixture {
 protected:
  // A copy of a fixture in the temporary folder, so outputs land there.
  QString Copy(const QString& fixture) {
    const QString path = dir_.filePath(fixture);
    QFile::copy(kFixtures + fixture, path);
    return path;
  }

  // Converts one sheet into Path(dbf) as the main window does, expecting no report, and reads
  // the table back.
  testing::DbfContents Converted(const QString& book, const QString& dbf, const QString& sheet,
                                 bool allCharacters) {
    engine_.CreateDBFFromXLSBySheet(book, Path(dbf), sheet, QStringLiteral("Yes"),
                                    QStringLiteral("dBase III"), allCharacters);
    EXPECT_EQ(Reports(), QStringList{});
    testing::DbfContents contents = ReadDbf(Path(dbf));
    EXPECT_TRUE(contents.error.isEmpty()) << contents.error.toStdString();
    return contents;
  }
};

QStringList Column(const testing::DbfContents& dbf, int index) {
  QStringList values;
  for (const auto& record : dbf.records) values << record.toArray()[index].toString();
  return values;
}

QStringList FieldNames(const testing::DbfContents& dbf) {
  QStringList names;
  for (const auto& field : dbf.fields) names << field.toArray()[0].toString();
  return names;
}

TEST_F(Conversion, SingleSheetAllCharactersCutsAt254AndKeepsTheStatementValid) {
  const QString book = Copy(QStringLiteral("conversion.xlsx"));
  QDir(dir_.path()).mkdir(QStringLiteral("out"));
  const QString out = Path(QStringLiteral("out/Long texts 2014.dbf"));
  engine_.CreateDBFFromXLSBySheet(book, out, QStringLiteral("Long$"), QStringLiteral("Yes"),
                                  QStringLiteral("dBase III"), true);
  ASSERT_EQ(Reports(), QStringList{});
  const QString written = Path(QStringLiteral("out/Long_tex.dbf"));
  ASSERT_EQ(presenter_.messages.size(), 1u);
  EXPECT_EQ(presenter_.messages[0].text,
            QStringLiteral("Done!\r\nFile ") + written + QStringLiteral(" was created."));
  EXPECT_EQ(presenter_.messages[0].style, shell::kStyleInformation);
  const auto dbf = ReadDbf(written);
  ASSERT_TRUE(dbf.error.isEmpty()) << dbf.error.toStdString();
  EXPECT_EQ(FieldNames(dbf), (QStringList{QStringLiteral("id"), QStringLiteral("text")}));
  EXPECT_EQ(dbf.fields[1].toArray()[1].toString(), QStringLiteral("C"));
  EXPECT_EQ(dbf.fields[1].toArray()[2].toInt(), 254);
  const QStringList texts = Column(dbf, 1);
  ASSERT_EQ(texts.size(), 8);
  EXPECT_EQ(texts[0], QString(254, u'a'));
  EXPECT_EQ(texts[1], QString(254, u'b'));
  EXPECT_EQ(texts[2], QString(254, u'c'));
  EXPECT_EQ(texts[3], QString(253, u'x') + u'\'');
  EXPECT_EQ(texts[5], QStringLiteral("Line1  Line2"));
  EXPECT_EQ(texts[6], QString());
  EXPECT_EQ(Column(dbf, 0)[7], QStringLiteral("8"));
}

TEST_F(Conversion, WholeWorkbookWritesEveryValueWholeIntoMemoFields) {
  const QString book = Copy(QStringLiteral("conversion.xlsx"));
  engine_.CreateDBFFromXLS(book, QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
  ASSERT_EQ(Reports(), QStringList{});
  EXPECT_TRUE(presenter_.messages.empty());  // no message of its own
  const QDir folder(Path(QStringLiteral("conversion")));
  // The empty first sheet is skipped and every later sheet converted.
  EXPECT_EQ(folder.entryList({QStringLiteral("*.dbf")}, QDir::Files, QDir::Name),
            (QStringList{QStringLiteral("Data_1.dbf"), QStringLiteral("Data_2.dbf"),
                         QStringLiteral("Long.dbf"), QStringLiteral("Names.dbf"),
                         QStringLiteral("Sheet1.dbf"), QStringLiteral("Totals_2.dbf"),
                         QStringLiteral("Отчёт.dbf")}));
  const auto longTexts = ReadDbf(folder.filePath(QStringLiteral("Long.dbf")));
  ASSERT_TRUE(longTexts.error.isEmpty()) << longTexts.error.toStdString();
  EXPECT_EQ(longTexts.fields[1].toArray()[1].toString(), QStringLiteral("M"));
  const QStringList texts = Column(longTexts, 1);
  EXPECT_EQ(texts[1], QString(255, u'b'));
  EXPECT_EQ(texts[2], QString(300, u'c'));
  EXPECT_EQ(texts[3], QString(253, u'x') + QStringLiteral("'yy"));
  EXPECT_EQ(texts[4], QStringLiteral("O'Neil") + QString(250, u'z'));
  EXPECT_EQ(texts[5], QStringLiteral("Line1<br>Line2"));
  EXPECT_EQ(texts[7], QString(252, u'd'));

  const auto names = ReadDbf(folder.filePath(QStringLiteral("Names.dbf")));
  ASSERT_TRUE(names.error.isEmpty()) << names.error.toStdString();
  // python3-dbf reports names in lower case.
  EXPECT_EQ(FieldNames(names),
            (QStringList{QStringLiteral("fld_cust"), QStringLiteral("net__eur_"),
                         QStringLiteral("customer_n"), QStringLiteral("customer_1"),
                         QStringLiteral("summary"), QStringLiteral("su1"), QStringLiteral("a_b"),
                         QStringLiteral("f8"), QStringLiteral("gr__e")}));
  EXPECT_EQ(Column(names, 1), (QStringList{QStringLiteral("2.5"), QStringLiteral("-0.001")}));
  EXPECT_EQ(Column(names, 8), (QStringList{QStringLiteral("z"), QStringLiteral("z2")}));
}

TEST_F(Conversion, NamesOfOneRunStayApartAcrossWorkbooks) {
  const QString first = Copy(QStringLiteral("conversion.xlsx"));
  const QString second = Copy(QStringLiteral("conversion_second.xlsx"));
  engine_.CreateDBFFromXLS(first, QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
  engine_.CreateDBFFromXLS(second, QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
  ASSERT_EQ(Reports(), QStringList{});
  // Names are given before a sheet is read, so the empty sheet holds one too.
  EXPECT_EQ(engine_.UsedOutputNames,
            QStringLiteral(" Empty Names Long Totals_2 Sheet1 Data_1 Data_2 Отчёт Sheet1"));
  const auto again = ReadDbf(Path(QStringLiteral("conversion_second/Sheet1.dbf")));
  ASSERT_TRUE(again.error.isEmpty()) << again.error.toStdString();
  EXPECT_EQ(Column(again, 0), QStringList{QStringLiteral("10")});
  EXPECT_EQ(Column(ReadDbf(Path(QStringLiteral("conversion/Data_2.dbf"))), 0),
            QStringList{QStringLiteral("3")});
}

TEST_F(Conversion, TypedFieldsKeepNumbersDatesBooleansAndTimes) {
  const QString book = Copy(QStringLiteral("conversion.xlsx"));
  firstLine_ = false;  // typed mode takes the provider's types only with the box clear
  const auto dbf =
      Converted(book, QStringLiteral("totals.dbf"), QStringLiteral("'Totals 2014$'"), false);
  QStringList types;
  for (const auto& field : dbf.fields)
    types << field.toArray()[1].toString() + QString::number(field.toArray()[2].toInt());
  // 12.5 and 1E-05 need two digits before the point and five after it.
  EXPECT_EQ(dbf.fields[0].toArray()[3].toInt(), 5);
  EXPECT_EQ(types, (QStringList{QStringLiteral("N8"), QStringLiteral("D8"), QStringLiteral("L1"),
                                QStringLiteral("C19"), QStringLiteral("C1")}));
  ASSERT_EQ(dbf.records.size(), 4);
  const QJsonArray first = dbf.records[0].toArray();
  EXPECT_DOUBLE_EQ(first[0].toDouble(), 12.5);
  EXPECT_EQ(first[1].toString(), QStringLiteral("2014-01-31"));
  EXPECT_EQ(first[2].toBool(), true);
  EXPECT_EQ(first[3].toString(), QStringLiteral("2014-02-01 08:30:00"));
  EXPECT_DOUBLE_EQ(dbf.records[1].toArray()[0].toDouble(), 1e-5);
  EXPECT_EQ(Column(dbf, 3)[1], QStringLiteral("2014-02-02"));
  EXPECT_TRUE(dbf.records[2].toArray()[0].isNull());
  EXPECT_EQ(dbf.records[3].toArray()[1].toString(), QStringLiteral("2000-02-29"));
}

TEST_F(Conversion, TypedFieldsOfEarlyDatesTheLeapDayDurationsAndTheLastDay) {
  using testing::Formatted;
  const QString day = QStringLiteral("yyyy-mm-dd"), spent = QStringLiteral("[h]:mm:ss");
  const QString stamp = QStringLiteral("yyyy-mm-dd hh:mm:ss");
  const QString book = Path(QStringLiteral("early.xlsx"));
  ASSERT_TRUE(testing::WriteXlsx(
      book,
      {{QStringLiteral("Data"),
        {{QStringLiteral("Early"), QStringLiteral("Leap"), QStringLiteral("Spent"),
          QStringLiteral("Last")},
         {Formatted{1, day}, Formatted{60, day}, Formatted{10.6320601851852, spent},
          Formatted{2958465.99999999, stamp}},
         {Formatted{59, day}, Formatted{1, day}, Formatted{1.5, spent}, Formatted{2958465, stamp}},
         {Formatted{61, day}, Formatted{61, day}, Formatted{0.25, spent},
          Formatted{45000, stamp}}}}}));
  firstLine_ = false;
  const auto dbf = Converted(book, QStringLiteral("early.dbf"), QStringLiteral("Data$"), false);
  QStringList types;
  for (const auto& field : dbf.fields) types << field.toArray()[1].toString();
  // The leap day and the durations are texts; the last day has a time of day.
  EXPECT_EQ(types, (QStringList{QStringLiteral("D"), QStringLiteral("C"), QStringLiteral("C"),
                                QStringLiteral("C")}));
  EXPECT_EQ(Column(dbf, 0), (QStringList{QStringLiteral("1900-01-01"), QStringLiteral("1900-02-28"),
                                         QStringLiteral("1900-03-01")}));
  EXPECT_EQ(Column(dbf, 1), (QStringList{QStringLiteral("1900-02-29"), QStringLiteral("1900-01-01"),
                                         QStringLiteral("1900-03-01")}));
  EXPECT_EQ(Column(dbf, 2), (QStringList{QStringLiteral("255:10:10"), QStringLiteral("36:00:00"),
                                         QStringLiteral("6:00:00")}));
  EXPECT_EQ(Column(dbf, 3),
            (QStringList{QStringLiteral("9999-12-31 23:59:59"), QStringLiteral("9999-12-31"),
                         QStringLiteral("2023-03-15")}));
}

TEST_F(Conversion, DamagedCellsAreLeftEmptyAndCountedInOneWarningPerSheet) {
  using testing::RawCell;
  const auto raw = [](const char* xml) { return RawCell{QString::fromLatin1(xml)}; };
  const QString book = Path(QStringLiteral("damaged.xlsx"));
  // No shared-string table: every shared-string cell points past it.
  ASSERT_TRUE(testing::WriteXlsx(
      book, {{QStringLiteral("Sheet1"),
              {{QStringLiteral("Name"), QStringLiteral("Value"), QStringLiteral("Kind")},
               {QStringLiteral("ok"), 1.5, raw("<c r=\"C2\" t=\"s\"><v>5</v></c>")},
               {raw("<c r=\"A3\" t=\"s\"><v>-1</v></c>"), 2.5, raw("<c r=\"C3\"><v>abc</v></c>")},
               {QStringLiteral("last"), raw("<c r=\"B4\"><v>1e999</v></c>"),
                raw("<c r=\"C4\"><v>nan</v></c>")},
               {raw("<c r=\"A5\" t=\"s\"><v>abc</v></c>"), raw("<c r=\"A1048577\"><v>1</v></c>"),
                raw("<c r=\"ZZZZ1\"><v>1</v></c>"), raw("<c r=\"ZZZZ2\" s=\"0\"/>")},
               {QStringLiteral("end"), 3.0, QStringLiteral("z")}}},
             {QStringLiteral("Clean"), {{QStringLiteral("A")}, {QStringLiteral("b")}}}}));
  firstLine_ = false;
  engine_.CreateDBFFromXLSBySheet(book, Path(QStringLiteral("damaged.dbf")),
                                  QStringLiteral("Sheet1$"), QStringLiteral("Yes"),
                                  QStringLiteral("dBase III"), false);
  EXPECT_EQ(Reports(), QStringList{});
  EXPECT_EQ(presenter_.warnings,
            QStringList{QStringLiteral(
                "8 cell(s) of the sheet 'Sheet1$' could not be read and were left empty.")});
  const auto dbf = ReadDbf(Path(QStringLiteral("damaged.dbf")));
  ASSERT_TRUE(dbf.error.isEmpty()) << dbf.error.toStdString();
  EXPECT_EQ(Column(dbf, 0), (QStringList{QStringLiteral("ok"), QString(), QStringLiteral("last"),
                                         QString(), QStringLiteral("end")}));
  ASSERT_EQ(dbf.records.size(), 5);
  EXPECT_DOUBLE_EQ(dbf.records[0].toArray()[1].toDouble(), 1.5);
  EXPECT_DOUBLE_EQ(dbf.records[1].toArray()[1].toDouble(), 2.5);
  EXPECT_TRUE(dbf.records[2].toArray()[1].isNull());
  EXPECT_EQ(Column(dbf, 2),
            (QStringList{QString(), QString(), QString(), QString(), QStringLiteral("z")}));

  presenter_.warnings.clear();
  engine_.CreateDBFFromXLS(book, QStringLiteral("Yes"), QStringLiteral("dBase III"), false);
  EXPECT_EQ(presenter_.warnings.size(), 1);  // the clean sheet brings none
}

// "C254", "N9.4", "D8", "M10": each field's type and width as the file holds it.
QStringList FieldKinds(const testing::DbfContents& dbf) {
  QStringList kinds;
  for (const auto& field : dbf.fields) {
    const QJsonArray f = field.toArray();
    kinds << f[1].toString() + QString::number(f[2].toInt()) +
                 (f[3].toInt() > 0 ? u'.' + QString::number(f[3].toInt()) : QString());
  }
  return kinds;
}

TEST_F(Conversion, FieldTypesAndWidthsFollowTheModeAndTheConversion) {
  using testing::Formatted;
  const QString day = QStringLiteral("yyyy-mm-dd");
  const QString stamp = QStringLiteral("yyyy-mm-dd hh:mm:ss");
  const QString book = Path(QStringLiteral("kinds.xlsx"));
  ASSERT_TRUE(testing::WriteXlsx(
      book, {{QStringLiteral("Data"),
              {{QStringLiteral("Empty"), QStringLiteral("Amount"), QStringLiteral("Short"),
                QStringLiteral("Edge"), QStringLiteral("Over"), QStringLiteral("Day"),
                QStringLiteral("Stamp"), QStringLiteral("Lines")},
               {std::monostate{}, 1234.5678, QStringLiteral("abc"), QString(254, u'e'),
                QString(255, u'o'), Formatted{45000, day}, Formatted{45000.5, stamp},
                QStringLiteral("a_x000D_\nb")},  // CR LF
               {std::monostate{}, 12.0, QStringLiteral("a"), QStringLiteral("e"),
                QStringLiteral("x_x000D_\ny") + QString(260, u'o'), Formatted{45001, day},
                Formatted{45001, stamp}, QStringLiteral("c\nd")}}}}));
  const auto convert = [&](const QString& name, bool allCharacters) {
    const auto dbf = Converted(book, name, QStringLiteral("Data$"), allCharacters);
    EXPECT_EQ(dbf.records.size(), 2) << name.toStdString();
    return FieldKinds(dbf);
  };
  // Every column is text; the single sheet cuts at 254 characters and writes line breaks as
  // blanks.
  EXPECT_EQ(convert(QStringLiteral("chars.dbf"), true),
            (QStringList{QStringLiteral("C1"), QStringLiteral("C9"), QStringLiteral("C3"),
                         QStringLiteral("C254"), QStringLiteral("C254"), QStringLiteral("C10"),
                         QStringLiteral("C19"), QStringLiteral("C4")}));
  const auto chars = ReadDbf(Path(QStringLiteral("chars.dbf")));
  EXPECT_EQ(Column(chars, 4)[1], QStringLiteral("x  y") + QString(250, u'o'));
  EXPECT_EQ(Column(chars, 7), (QStringList{QStringLiteral("a  b"), QStringLiteral("c d")}));
  // Typed: numbers sized to their digits, a text longer than 254 in a memo, days in a date
  // field, a column with a time of day as text.
  firstLine_ = false;
  EXPECT_EQ(convert(QStringLiteral("typed.dbf"), false),
            (QStringList{QStringLiteral("C1"), QStringLiteral("N9.4"), QStringLiteral("C3"),
                         QStringLiteral("C254"), QStringLiteral("M10"), QStringLiteral("D8"),
                         QStringLiteral("C19"), QStringLiteral("C4")}));
  // The whole workbook keeps every text whole, a line feed as "<br>" and no CR.
  engine_.CreateDBFFromXLS(book, QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
  ASSERT_EQ(Reports(), QStringList{});
  const auto whole = ReadDbf(Path(QStringLiteral("kinds/Data.dbf")));
  ASSERT_TRUE(whole.error.isEmpty()) << whole.error.toStdString();
  EXPECT_EQ(FieldKinds(whole),
            (QStringList{QStringLiteral("C1"), QStringLiteral("C9"), QStringLiteral("C3"),
                         QStringLiteral("C254"), QStringLiteral("M10"), QStringLiteral("C10"),
                         QStringLiteral("C19"), QStringLiteral("C6")}));
  EXPECT_EQ(Column(whole, 4),
            (QStringList{QString(255, u'o'), QStringLiteral("x<br>y") + QString(260, u'o')}));
  EXPECT_EQ(Column(whole, 7), (QStringList{QStringLiteral("a<br>b"), QStringLiteral("c<br>d")}));
}

TEST_F(Conversion, TypedDatesADateFieldCannotHoldKeepTheirColumnAsText) {
  using testing::Formatted;
  const QString day = QStringLiteral("yyyy-mm-dd");
  const QString book = Path(QStringLiteral("days.xlsx"));
  // Past 9999-12-31 and before the year 100 a date reads as its number; 0 is a time alone.
  ASSERT_TRUE(testing::WriteXlsx(book, {{QStringLiteral("Data"),
                                         {{QStringLiteral("Odd"), QStringLiteral("Plain")},
                                          {Formatted{45000, day}, Formatted{45000, day}},
                                          {Formatted{3000000, day}, Formatted{45001, day}},
                                          {Formatted{-800000, day}, Formatted{45002, day}},
                                          {Formatted{0, day}, Formatted{45003, day}}}}}));
  firstLine_ = false;
  const auto dbf = Converted(book, QStringLiteral("days.dbf"), QStringLiteral("Data$"), false);
  EXPECT_EQ(FieldKinds(dbf), (QStringList{QStringLiteral("C10"), QStringLiteral("D8")}));
  EXPECT_EQ(Column(dbf, 0), (QStringList{QStringLiteral("2023-03-15"), QStringLiteral("3000000"),
                                         QStringLiteral("-800000"), QStringLiteral("00:00:00")}));
  EXPECT_EQ(Column(dbf, 1)[3], QStringLiteral("2023-03-18"));
}

TEST_F(Conversion, ARowThatFailsItsInsertIsReportedAndNoSuccessFollows) {
  // A dBase III memo ends at the character 0x1A, so a text holding it cannot be written.
  const QString book = Path(QStringLiteral("memo.xlsx"));
  const QString memo = QString(300, u'm');
  ASSERT_TRUE(testing::WriteXlsx(
      book, {{QStringLiteral("Data"),
              {{QStringLiteral("id"), QStringLiteral("note")},
               {1.0, memo},
               {2.0, testing::RawCell{QStringLiteral(
                         "<c r=\"B3\" t=\"inlineStr\"><is><t>m_x001A_m</t></is></c>")}},
               {3.0, memo}}}}));
  firstLine_ = false;
  const ConversionResult result = engine_.CreateDBFFromXLSBySheet(
      book, Path(QStringLiteral("memo.dbf")), QStringLiteral("Data$"), QStringLiteral("Yes"),
      QStringLiteral("dBase III"), false);
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains(QStringLiteral("0x1A"))) << Reports()[0].toStdString();
  for (const auto& message : presenter_.messages)
    EXPECT_FALSE(message.text.startsWith(QStringLiteral("Done!")));
  EXPECT_EQ(result.outcome, ConversionOutcome::Failed);
  // The other rows are written.
  const auto dbf = ReadDbf(Path(QStringLiteral("memo.dbf")));
  ASSERT_TRUE(dbf.error.isEmpty()) << dbf.error.toStdString();
  EXPECT_EQ(Column(dbf, 1), (QStringList{memo, memo}));
}

// dBase names and the file names on Windows ignore case: names differing only in case are
// made unique like equal ones.
TEST_F(Conversion, NamesDifferingOnlyInCaseStayApart) {
  const QString book = Path(QStringLiteral("cases.xlsx"));
  const testing::XlsxRow names{QStringLiteral("Name"), QStringLiteral("NAME")};
  const testing::XlsxRow values{QStringLiteral("a"), QStringLiteral("b")};
  ASSERT_TRUE(testing::WriteXlsx(book, {{QStringLiteral("Data"), {names, values}},
                                        {QStringLiteral("DATA"), {names, values}}}));
  engine_.CreateDBFFromXLS(book, QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
  ASSERT_EQ(Reports(), QStringList{});
  EXPECT_EQ(QDir(Path(QStringLiteral("cases"))).entryList(QDir::Files, QDir::Name),
            (QStringList{QStringLiteral("DAT1.dbf"), QStringLiteral("Data.dbf")}));
  const auto dbf = ReadDbf(Path(QStringLiteral("cases/Data.dbf")));
  ASSERT_TRUE(dbf.error.isEmpty()) << dbf.error.toStdString();
  EXPECT_EQ(FieldNames(dbf), (QStringList{QStringLiteral("name"), QStringLiteral("nam1")}));
  EXPECT_EQ(dbf.records[0].toArray()[1].toString(), QStringLiteral("b"));
}

TEST_F(Conversion, TheFirstLineBoxMakesEveryTypedFieldText) {
  const QString book = Copy(QStringLiteral("conversion.xlsx"));
  engine_.CreateDBFFromXLSBySheet(book, Path(QStringLiteral("t.dbf")),
                                  QStringLiteral("'Totals 2014$'"), QStringLiteral("Yes"),
                                  QStringLiteral("dBase IV"), false);
  ASSERT_EQ(Reports(), QStringList{});
  QFile file(Path(QStringLiteral("t.dbf")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray header = file.read(32 + 5 * 32);
  EXPECT_EQ(static_cast<unsigned char>(header[0]), 0x03);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(header[32 + i * 32 + 11], 'C') << i;
}

TEST_F(Conversion, EmptySheetTouchesNothing) {
  const QString book = Copy(QStringLiteral("conversion.xlsx"));
  engine_.CreateDBFFromXLSBySheet(book, Path(QStringLiteral("Empty.dbf")), QStringLiteral("Empty$"),
                                  QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
  ASSERT_EQ(presenter_.messages.size(), 1u);
  EXPECT_EQ(presenter_.messages[0].text, QStringLiteral("Empty sheet!"));
  EXPECT_EQ(presenter_.messages[0].style, shell::kStyleInformation);
  EXPECT_FALSE(QFile::exists(Path(QStringLiteral("Empty.dbf"))));
}

TEST_F(Conversion, FailuresAreReportedOnceAndNeverFollowedBySuccess) {
  const QString book = Copy(QStringLiteral("conversion.xlsx"));
  const QString existing = Path(QStringLiteral("keep.dbf"));
  QFile keep(existing);
  ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
  keep.write("precious");
  keep.close();
  engine_.CreateDBFFromXLSBySheet(book, existing, QStringLiteral("Missing$"), QStringLiteral("Yes"),
                                  QStringLiteral("dBase III"), true);
  ASSERT_EQ(presenter_.messages.size(), 1u);
  EXPECT_TRUE(presenter_.messages[0].text.contains(
      QStringLiteral("in Velmorandt2/19/2015.modDBF.CreateDBFFromXLSBySheet at line 170\r")));
  QFile check(existing);
  ASSERT_TRUE(check.open(QIODevice::ReadOnly));
  EXPECT_EQ(check.readAll(), QByteArray("precious"));

  presenter_.messages.clear();
  engine_.CreateDBFFromXLS(Path(QStringLiteral("nowhere.xlsx")), QStringLiteral("Yes"),
                           QStringLiteral("dBase III"), true);
  ASSERT_EQ(presenter_.messages.size(), 1u);
  EXPECT_TRUE(presenter_.messages[0].text.contains(QStringLiteral("CreateDBFFromXLS at line 116")));
  EXPECT_FALSE(QDir(Path(QStringLiteral("nowhere"))).exists());

  presenter_.messages.clear();
  QFile junk(Path(QStringLiteral("junk.xlsx")));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a workbook");
  junk.close();
  engine_.CreateDBFFromXLS(junk.fileName(), QStringLiteral("Yes"), QStringLiteral("dBase III"),
                           true);
  ASSERT_EQ(presenter_.messages.size(), 1u);
  EXPECT_TRUE(presenter_.messages[0].text.contains(QStringLiteral("CreateDBFFromXLS at line 130")));
  // No empty output folder is left behind for a workbook that could not be read.
  EXPECT_FALSE(QDir(Path(QStringLiteral("junk"))).exists());
}

TEST_F(Conversion, TextInTheChosenCodePage) {
  UseCodePage(1251);
  const QString book = Copy(QStringLiteral("conversion.xlsx"));
  const auto dbf = Converted(book, QStringLiteral("ru.dbf"), QStringLiteral("Отчёт$"), true);
  EXPECT_EQ(FieldNames(dbf), (QStringList{QStringLiteral("fld_____"), QStringLiteral("fld____1")}));
  EXPECT_EQ(Column(dbf, 0), QStringList{QStringLiteral("Москва")});
}

}  // namespace
}  // namespace brelloquin
