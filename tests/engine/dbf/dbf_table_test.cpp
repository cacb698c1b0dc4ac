// Tables written here are read back by python3-dbf (read_dbf.py) where it understands them,
// and checked byte by byte where it does not (dBase IV memo files, unusual code pages).

#include "dbf/dbf_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>

namespace brelloquin::dbf {
namespace {

using ::testing::HasSubstr;

text::CodePage Page(int number) { return text::CodePage::FromWindows(number).value(); }

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

void Patch(const QString& path, qint64 offset, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  file.seek(offset);
  file.write(bytes);
}

std::uint32_t UInt32At(const QByteArray& bytes, qsizetype at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

// The table as python3-dbf reads it: {"codepage", "fields": [[name, type, length, decimals]],
// "records": [[value, ...]]}.
QJsonObject PythonRead(const QString& path) {
  const QByteArray command = "/usr/bin/python3 '" BRELLOQUIN_SOURCE_DIR
                             "/tests/engine/dbf/read_dbf.py' '" +
                             path.toUtf8() + "' 2>&1";
  FILE* pipe = popen(command.constData(), "r");
  QByteArray output;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, static_cast<qsizetype>(n));
  EXPECT_EQ(pclose(pipe), 0) << output.toStdString();
  return QJsonDocument::fromJson(output).object();
}

QJsonArray Row(std::initializer_list<QJsonValue> values) { return QJsonArray(values); }

class DbfTableTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }

  // The bytes a one-field table stores for the value, or the error's description.
  QString Stored(const FieldDescriptor& field, const QString& value, int codePage = 1252) {
    const QString path = Path(QStringLiteral("one.dbf"));
    CreateTable(path, Flavour::DBase3, {field}, Page(codePage));
    try {
      TableAppender(path).appendRecord({value});
    } catch (const DbfError& error) {
      return error.description();
    }
    return Page(codePage).decode(FileBytes(path).mid(66, field.length));  // 65-byte header, flag
  }

  QTemporaryDir dir_;
};

const std::vector<FieldDescriptor> kAllTypes{{"NAME", 'C', 12, 0}, {"AMOUNT", 'N', 20, 6},
                                             {"QTY", 'N', 5, 0},   {"BORN", 'D', 8, 0},
                                             {"OK", 'L', 1, 0},    {"NOTES", 'M', 10, 0}};

TEST_F(DbfTableTest, DBase3WithMemoReadsBackInPython) {
  const QString path = Path(QStringLiteral("people.dbf"));
  CreateTable(path, Flavour::DBase3, kAllTypes, Page(1251));
  const QString longNote = QString(700, u'ж') + QStringLiteral("end");
  {
    TableAppender table(path);
    table.appendRecord({QStringLiteral(u"Иван"), "12.5", "42", "2020-02-29", "True", longNote});
    table.appendRecord({std::nullopt, "", "", "", "", ""});
    table.appendRecord({"O'Neil", "-1E-05", "-3", "1999-12-31 00:00:00", "no", "short"});
  }
  const QJsonObject read = PythonRead(path);
  EXPECT_EQ(read["codepage"], "cp1251");
  EXPECT_EQ(read["fields"], QJsonArray({Row({"name", "C", 12, 0}), Row({"amount", "N", 20, 6}),
                                        Row({"qty", "N", 5, 0}), Row({"born", "D", 8, 0}),
                                        Row({"ok", "L", 1, 0}), Row({"notes", "M", 10, 0})}));
  const QJsonArray records = read["records"].toArray();
  ASSERT_EQ(records.size(), 3);
  EXPECT_EQ(records[0], Row({QStringLiteral(u"Иван"), 12.5, 42, "2020-02-29", true, longNote}));
  EXPECT_EQ(records[1], Row({"", {}, {}, {}, {}, ""}));
  EXPECT_EQ(records[2], Row({"O'Neil", -1e-05, -3, "1999-12-31", false, "short"}));
  // 703 bytes and the two end marks take blocks 1 and 2; "short" starts at block 3. Header 225
  // bytes, records 57, the memo field 47 bytes into a record.
  EXPECT_EQ(FileBytes(path).mid(225 + 2 * 57 + 47, 10), QByteArray("         3"));
  EXPECT_EQ(UInt32At(FileBytes(MemoPath(path)), 0), 4u);
}

TEST_F(DbfTableTest, TablesWithoutMemoReadBackInPythonInBothFlavours) {
  for (Flavour flavour : {Flavour::DBase3, Flavour::DBase4}) {
    const QString path = Path(QStringLiteral("plain.dbf"));
    CreateTable(path, flavour, {{"CODE", 'C', 3, 0}, {"WHEN", 'D'}}, Page(1252));
    TableAppender(path).appendRecord({QStringLiteral(u"é€"), "2024-01-31"});
    EXPECT_EQ(FileBytes(path)[0], 0x03);
    EXPECT_FALSE(QFile::exists(MemoPath(path)));
    const QJsonObject read = PythonRead(path);
    EXPECT_EQ(read["codepage"], "cp1252");
    EXPECT_EQ(read["records"], QJsonArray({Row({QStringLiteral(u"é€"), "2024-01-31"})}));
  }
}

TEST_F(DbfTableTest, HeaderDescriptorsAndRecordsByteByByte) {
  const QString path = Path(QStringLiteral("LAYOUT.DBF"));
  CreateTable(path, Flavour::DBase4, {{"A_1", 'C', 2, 0}, {"N", 'N', 4, 1}}, Page(1257));
  TableAppender(path).appendRecord({QStringLiteral(u"ą"), "-1.50"});
  const QByteArray bytes = FileBytes(path);
  const QDate today = QDate::currentDate();
  ASSERT_EQ(bytes.size(), 97 + 7 + 1);
  EXPECT_EQ(bytes.left(12), QByteArray("\x03", 1) + char(today.year() - 1900) +
                                char(today.month()) + char(today.day()) +
                                QByteArray("\x01\0\0\0\x61\0\x07\0", 8));
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[29]), 0xCC);
  EXPECT_EQ(bytes.mid(32, 18), QByteArray("A_1\0\0\0\0\0\0\0\0C\0\0\0\0\x02\0", 18));
  EXPECT_EQ(bytes.mid(64, 18), QByteArray("N\0\0\0\0\0\0\0\0\0\0N\0\0\0\0\x04\x01", 18));
  EXPECT_EQ(bytes.mid(96), QByteArray("\x0D \xE0 -1.5\x1A"));
}

TEST_F(DbfTableTest, DBase4MemoFileLayout) {
  const QString path = Path(QStringLiteral("notes.dbf"));
  CreateTable(path, Flavour::DBase4, {{"ID", 'N', 3, 0}, {"TEXT", 'M'}}, Page(1252));
  {
    TableAppender table(path);
    table.appendRecord({"1", QString(600, u'a')});
    table.appendRecord({"2", ""});
    table.appendRecord({"3", QStringLiteral("b\x1A")});  // only dBase III ends text at 0x1A
  }
  const QByteArray dbf = FileBytes(path);
  EXPECT_EQ(static_cast<std::uint8_t>(dbf[0]), 0x8B);
  EXPECT_EQ(dbf.mid(97, 3 * 14), QByteArray("   1") + "         1" + "   2" + QByteArray(10, ' ') +
                                     "   3" + "         3");
  const QByteArray dbt = FileBytes(Path(QStringLiteral("notes.dbt")));
  ASSERT_EQ(dbt.size(), 4 * 512);
  EXPECT_EQ(UInt32At(dbt, 0), 4u);
  EXPECT_EQ(dbt.mid(8, 8), QByteArray("notes\0\0\0", 8));
  EXPECT_EQ(dbt.mid(20, 2), QByteArray("\0\x02", 2));
  EXPECT_EQ(dbt.mid(512, 8), QByteArray("\xFF\xFF\x08\0\x60\x02\0\0", 8));  // 608 bytes
  EXPECT_EQ(dbt.mid(520, 600), QByteArray(600, 'a'));
  EXPECT_EQ(dbt.mid(1536, 10), QByteArray("\xFF\xFF\x08\0\x0A\0\0\0b\x1A", 10));
}

TEST_F(DbfTableTest, NumbersAreStoredExactlyOrRefused) {
  const FieldDescriptor amount{"AMOUNT", 'N', 20, 6};
  EXPECT_EQ(Stored(amount, "12.5"), "           12.500000");
  EXPECT_EQ(Stored(amount, " 1E-05 "), "            0.000010");
  EXPECT_EQ(Stored(amount, "-123456789012"), "-123456789012.000000");
  EXPECT_EQ(Stored(amount, ".5e3"), "          500.000000");
  EXPECT_EQ(Stored(amount, "-0.0000000"), "            0.000000");
  // A number is never rounded into a field: it is refused, and the engine sizes its fields so
  // that this never happens.
  for (const char* rounded : {"0.0000005", "-0.0000004", "0.1234567"})
    EXPECT_THAT(Stored(amount, rounded).toStdString(),
                HasSubstr("Field AMOUNT: " + std::string(rounded) + " has more decimals"));
  const FieldDescriptor gps{"LAT", 'N', 10, 7};
  EXPECT_EQ(Stored(gps, "52.5200066"), "52.5200066");
  EXPECT_EQ(Stored(gps, "1E-07"), " 0.0000001");
  const FieldDescriptor qty{"QTY", 'N', 3, 0};
  EXPECT_EQ(Stored(qty, "-99"), "-99");
  EXPECT_EQ(Stored(qty, "2.000"), "  2");
  for (const char* rounded : {"2.5", "-99.4", "999.49"})
    EXPECT_THAT(Stored(qty, rounded).toStdString(), HasSubstr("has more decimals")) << rounded;
  for (const char* tooBig : {"-100", "1E+3", "1E+999999999999"})
    EXPECT_THAT(Stored(qty, tooBig).toStdString(),
                HasSubstr("Field QTY: " + std::string(tooBig) + " does not fit"));
  for (const char* notNumber : {"abc", "1,5", "NaN", "Inf", "1E", "--1", ".", "0x10", "1 2"})
    EXPECT_THAT(Stored(qty, notNumber).toStdString(), HasSubstr("is not a number")) << notNumber;
}

TEST_F(DbfTableTest, TextsDatesAndLogicals) {
  const FieldDescriptor name{"NAME", 'C', 6, 0};
  EXPECT_EQ(Stored(name, QStringLiteral(u"日本語"), 932), QStringLiteral(u"日本語"));
  EXPECT_EQ(Stored(name, QStringLiteral(u"ab😀"), 932), "ab?   ");
  EXPECT_THAT(Stored(name, QStringLiteral(u"a日本語"), 932).toStdString(),
              HasSubstr("Field NAME: the text takes 7 bytes in code page 932"));
  EXPECT_THAT(Stored(name, "1234567").toStdString(), HasSubstr("field holds 6"));

  const FieldDescriptor born{"BORN", 'D', 8, 0};
  EXPECT_EQ(Stored(born, "2000-02-29"), "20000229");
  EXPECT_EQ(Stored(born, "2000-02-29 00:00:00"), "20000229");
  for (const char* time : {"2000-02-29 00:00:01", "12:30:00", "00:00:00"})
    EXPECT_THAT(Stored(born, time).toStdString(),
                HasSubstr("Field BORN: a date field cannot hold a time of day"));
  for (const char* notDate : {"2001-02-29", "2000-13-01", "2000-1-1", "01/02/2000", "45000"})
    EXPECT_THAT(Stored(born, notDate).toStdString(), HasSubstr("is not a date")) << notDate;

  const FieldDescriptor ok{"OK", 'L', 1, 0};
  for (const char* yes : {"True", "t", "YES", "y"}) EXPECT_EQ(Stored(ok, yes), "T");
  for (const char* no : {"FALSE", "f", "No", "N"}) EXPECT_EQ(Stored(ok, no), "F");
  EXPECT_EQ(Stored(ok, ""), "?");
  EXPECT_THAT(Stored(ok, "1").toStdString(), HasSubstr("Field OK: \"1\" is not a logical"));
}

TEST_F(DbfTableTest, RecordsTheTableCannotHoldAreRefusedWithoutTrace) {
  const QString path = Path(QStringLiteral("memo.dbf"));
  CreateTable(path, Flavour::DBase3, {{"ID", 'N', 2, 0}, {"TEXT", 'M'}}, Page(1252));
  TableAppender table(path);
  EXPECT_THROW(table.appendRecord({"1"}), DbfError);
  try {
    table.appendRecord({"1", QStringLiteral("a\x1A")});
    ADD_FAILURE();
  } catch (const DbfError& error) {
    EXPECT_THAT(error.description().toStdString(), HasSubstr("Field TEXT"));
  }
  EXPECT_THROW(table.appendRecord({"100", "memo"}), DbfError);
  EXPECT_EQ(FileBytes(path).size(), 97 + 1);
  EXPECT_EQ(FileBytes(MemoPath(path)).size(), 512);
}

TEST_F(DbfTableTest, TheCountOnDiskAlwaysMatchesTheRecordsOnDisk) {
  const QString path = Path(QStringLiteral("grow.dbf"));
  CreateTable(path, Flavour::DBase3, {{"N", 'N', 3, 0}, {"M", 'M'}}, Page(1252));
  EXPECT_EQ(PythonRead(path)["records"], QJsonArray());
  TableAppender table(path);
  for (int i = 1; i <= 3; ++i) {
    table.appendRecord({QString::number(i), QStringLiteral("memo %1").arg(i)});
    EXPECT_EQ(UInt32At(FileBytes(path), 4), static_cast<std::uint32_t>(i - 1));
    table.flush();
    const QByteArray bytes = FileBytes(path);
    EXPECT_EQ(UInt32At(bytes, 4), static_cast<std::uint32_t>(i));
    EXPECT_EQ(bytes.size(), 97 + 14 * i + 1);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(PythonRead(path)["records"].toArray().size(), i);
  }
  // A second appender continues the same table.
  TableAppender(path).appendRecord({"4", "last"});
  EXPECT_EQ(PythonRead(path)["records"].toArray().last(), Row({4, "last"}));
}

TEST_F(DbfTableTest, CreateTableRefusesFieldsDBaseCannotHold) {
  auto refusal = [this](Flavour flavour,
                        const std::vector<FieldDescriptor>& fields) -> std::string {
    try {
      CreateTable(Path(QStringLiteral("bad.dbf")), flavour, fields, Page(1252));
    } catch (const DbfError& error) {
      return error.description().toStdString();
    }
    return "created";
  };
  const Flavour iii = Flavour::DBase3;
  EXPECT_THAT(refusal(iii, {}), HasSubstr("at least one field"));
  EXPECT_THAT(refusal(iii, {{"", 'C', 1, 0}}), HasSubstr("no name"));
  EXPECT_THAT(refusal(iii, {{"ABCDEFGHIJK", 'C', 1, 0}}), HasSubstr("longer than 10"));
  EXPECT_THAT(refusal(iii, {{"NAME-1", 'C', 1, 0}}), HasSubstr("ASCII letters"));
  EXPECT_THAT(refusal(iii, {{QStringLiteral(u"NÄME"), 'C', 1, 0}}), HasSubstr("ASCII letters"));
  EXPECT_THAT(refusal(iii, {{"Name", 'C', 1, 0}, {"NAME", 'N', 1, 0}}), HasSubstr("used twice"));
  EXPECT_THAT(refusal(iii, {{"A", 'C', 0, 0}}), HasSubstr("1 to 254 bytes"));
  EXPECT_THAT(refusal(iii, {{"A", 'C', 255, 0}}), HasSubstr("1 to 254 bytes"));
  EXPECT_THAT(refusal(iii, {{"A", 'N', 21, 0}}), HasSubstr("1 to 20"));
  EXPECT_THAT(refusal(iii, {{"A", 'N', 4, 3}}), HasSubstr("3 decimals"));
  EXPECT_THAT(refusal(iii, {{"A", 'F', 4, 0}}), HasSubstr("type \"F\""));
  EXPECT_EQ(refusal(iii, {{"A", 'N', 4, 2}, {"B", 'D', 0, 0}, {"C", 'M', 1, 0}}), "created");

  std::vector<FieldDescriptor> many;
  for (int i = 0; i < 256; ++i) many.push_back({QStringLiteral("F%1").arg(i), 'C', 1, 0});
  EXPECT_THAT(refusal(Flavour::DBase4, many), HasSubstr("at most 255 fields"));
  EXPECT_THAT(refusal(iii, many), HasSubstr("at most 255 fields"));
  // dBase III takes as many as dBase IV: its readers open 210 fields without complaint.
  many.resize(255);
  EXPECT_EQ(refusal(iii, many), "created");
  EXPECT_EQ(refusal(Flavour::DBase4, many), "created");
  // Wider than dBase III's own 4000 bytes, still written rather than lost.
  std::vector<FieldDescriptor> wide;
  for (int i = 0; i < 16; ++i) wide.push_back({QStringLiteral("F%1").arg(i), 'C', 250, 0});
  EXPECT_EQ(refusal(iii, wide), "created");
}

TEST_F(DbfTableTest, LeftoversOfUnfinishedTablesGoAndNothingElse) {
  const QStringList leftovers{
      QStringLiteral("A.dbf.brelloquin-partial"), QStringLiteral("A.dbt.brelloquin-partial"),
      QStringLiteral("B.DBF.BRELLOQUIN-PARTIAL"), QStringLiteral(".hidden.dbf.brelloquin-partial")};
  const QStringList kept{QStringLiteral("A.dbf"), QStringLiteral("brelloquin-partial"),
                         QStringLiteral("C.dbf.brelloquin-partial.old")};
  for (const QString& name : leftovers + kept) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  DiscardStagedLeftovers(dir_.path());
  for (const QString& name : leftovers)
    EXPECT_FALSE(QFile::exists(Path(name))) << name.toStdString();
  for (const QString& name : kept) EXPECT_TRUE(QFile::exists(Path(name))) << name.toStdString();
}

TEST_F(DbfTableTest, AppenderLearnsTheTableFromItsHeader) {
  const QString path = Path(QStringLiteral("T.DBF"));
  CreateTable(path, Flavour::DBase3, kAllTypes, Page(1251));
  EXPECT_TRUE(QFile::exists(Path(QStringLiteral("T.DBT"))));
  TableAppender table(path);
  const std::vector<FieldDescriptor>& expected = kAllTypes;
  ASSERT_EQ(table.fields().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(table.fields()[i].name, expected[i].name);
    EXPECT_EQ(table.fields()[i].type, expected[i].type);
    EXPECT_EQ(table.fields()[i].length, expected[i].length);
    EXPECT_EQ(table.fields()[i].decimals, expected[i].decimals);
  }
  table.appendRecord({QStringLiteral(u"Ж"), "", "", "", "", QStringLiteral(u"Ёж")});
  table.flush();
  EXPECT_EQ(FileBytes(path).mid(226, 2), QByteArray("\xC6 "));
  EXPECT_EQ(FileBytes(Path(QStringLiteral("T.DBT"))).mid(512, 4), QByteArray("\xA8\xE6\x1A\x1A"));

  Patch(path, 29, QByteArray(1, '\0'));  // no language driver: the text is taken as 1252
  TableAppender(path).appendRecord({QStringLiteral(u"é"), "", "", "", "", ""});
  EXPECT_EQ(FileBytes(path).mid(226 + 57, 2), QByteArray("\xE9 "));
}

TEST_F(DbfTableTest, AppenderRefusesDamagedTables) {
  const QString path = Path(QStringLiteral("damaged.dbf"));
  auto damage = [&](qint64 offset, const QByteArray& bytes) -> std::string {
    CreateTable(path, Flavour::DBase3, {{"ID", 'N', 2, 0}, {"TEXT", 'M'}}, Page(1252));
    TableAppender(path).appendRecord({"1", "memo"});
    if (offset >= 0)
      Patch(path, offset, bytes);
    else
      QFile::resize(path, -offset);
    try {
      TableAppender table(path);
    } catch (const DbfError& error) {
      return error.description().toStdString();
    }
    return "opened";
  };
  EXPECT_EQ(damage(0, "\x83"), "opened");
  EXPECT_THAT(damage(-40, {}), HasSubstr("too short"));
  EXPECT_THAT(damage(0, "\x30"), HasSubstr("version byte 0x30"));
  EXPECT_THAT(damage(0, "\x03"), HasSubstr("no memo file"));
  EXPECT_THAT(damage(4, "\x02"), HasSubstr("counts 2 records, but the file holds 1"));
  EXPECT_THAT(damage(8, QByteArray("\xFF\x00", 2)), HasSubstr("header size 255"));
  EXPECT_THAT(damage(10, "\x0E"), HasSubstr("record size"));
  EXPECT_THAT(damage(43, "X"), HasSubstr("type \"X\""));
  EXPECT_THAT(damage(75, "D"), HasSubstr("field TEXT of type D is 10 bytes"));
  EXPECT_THAT(damage(80, "\x09"), HasSubstr("field TEXT of type M is 9 bytes"));
  EXPECT_THAT(damage(32, "9-"), HasSubstr("ASCII letters"));
  EXPECT_THAT(damage(96, QByteArray(1, 0)), HasSubstr("no terminator"));

  damage(0, "\x83");  // a sound table again, now with its memo file damaged, then missing
  Patch(MemoPath(path), 0, QByteArray(4, '\0'));
  EXPECT_THROW(TableAppender{path}, DbfError);
  QFile::remove(MemoPath(path));
  EXPECT_THROW(TableAppender{path}, DbfError);
}

}  // namespace
}  // namespace brelloquin::dbf
