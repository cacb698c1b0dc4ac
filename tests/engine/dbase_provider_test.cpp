// The dBase catalog and the row-insert provider, through the calls the engine makes.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "data_access/connection.h"
#include "data_access/dbase_catalog.h"
#include "engine/dbf_reader.h"
#include "engine/qt_printers.h"

namespace brelloquin::data_access {
namespace {

class DbaseProvider : public ::testing::Test {
 protected:
  QString CatalogString(const QString& type) const {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dir_.path() +
           QStringLiteral(";Extended Properties=") + type + u';';
  }

  // Creates T.dbf with one field of each kind the engine defines.
  void CreateTable(const QString& type = QStringLiteral("dBase III")) {
    Catalog catalog;
    catalog.SetCodePage(*text::CodePage::FromWindows(1252));
    catalog.SetActiveConnection(CatalogString(type));
    Table table;
    table.Name = QStringLiteral("T");
    table.GetColumns().Append(QStringLiteral("Name"), adVarWChar, 5);
    table.GetColumns().Append(QStringLiteral("Amount"), adDouble, 0);
    table.GetColumns().Append(QStringLiteral("Day"), adDate, 0);
    table.GetColumns().Append(QStringLiteral("Ok"), adBoolean, 0);
    table.GetColumns().Append(QStringLiteral("Note"), adLongVarWChar, 0);
    table.GetColumns().Append(QStringLiteral("Other"), 131, 0);
    catalog.AppendTable(table);
  }

  void Open(Connection& connection) {
    connection.Open(QStringLiteral("Provider=vfpoledb.1;Data Source=") + dir_.filePath("T.dbf") +
                    QStringLiteral(";Collating Sequence=machine;"));
  }

  // The description of the failure the statement brings, or "accepted".
  static QString Refused(Connection& connection, const QString& statement) {
    try {
      connection.Execute(statement);
    } catch (const DataAccessError& e) {
      return e.description();
    }
    return QStringLiteral("accepted");
  }

  QTemporaryDir dir_;
};

TEST_F(DbaseProvider, ColumnsRefuseEmptyAndRepeatedNames) {
  Table table;
  table.GetColumns().Append(QStringLiteral("Name"), adVarWChar, 5);
  EXPECT_THROW(table.GetColumns().Append(QStringLiteral("NAME"), adVarWChar, 5), DataAccessError);
  EXPECT_THROW(table.GetColumns().Append(QString(), adVarWChar, 5), DataAccessError);
  table.GetColumns().Append(QStringLiteral("Two"), adDouble, 0);
  table.GetColumns().Delete(table.GetColumns().Count() - 1);
  EXPECT_EQ(table.GetColumns().Count(), 1);
  EXPECT_THROW(table.GetColumns().Delete(3), DataAccessError);
}

TEST_F(DbaseProvider, OnlyDBaseThreeAndFourAreTableTypes) {
  Catalog catalog;
  EXPECT_THROW(catalog.SetActiveConnection(CatalogString(QStringLiteral("dBase 5.0"))),
               DataAccessError);
  EXPECT_NO_THROW(catalog.SetActiveConnection(CatalogString(QStringLiteral("dBase IV"))));
}

TEST_F(DbaseProvider, TypeCodesBecomeDbfFields) {
  CreateTable();
  Connection connection;
  Open(connection);
  connection.Close();
  const auto dbf = testing::ReadDbf(dir_.filePath("T.dbf"));
  ASSERT_TRUE(dbf.error.isEmpty()) << dbf.error.toStdString();
  QStringList fields;
  for (const auto& f : dbf.fields)
    fields << f.toArray()[1].toString() + QString::number(f.toArray()[2].toInt()) + u'.' +
                  QString::number(f.toArray()[3].toInt());
  EXPECT_EQ(fields, (QStringList{QStringLiteral("C5.0"), QStringLiteral("N20.6"),
                                 QStringLiteral("D8.0"), QStringLiteral("L1.0"),
                                 QStringLiteral("M10.0"), QStringLiteral("C254.0")}));
  // Widths are bytes of the code page already; a sized number column keeps its decimals.
  EXPECT_EQ(FieldDescriptorFor({QStringLiteral("N"), adVarWChar, 200}).length, 200);
  EXPECT_EQ(FieldDescriptorFor({QStringLiteral("N"), adVarWChar, 300}).length, 254);
  const dbf::FieldDescriptor gps = FieldDescriptorFor({QStringLiteral("N"), adDouble, 10, 7});
  EXPECT_EQ(std::make_pair(gps.length, gps.decimals), std::make_pair(10, 7));
}

TEST_F(DbaseProvider, InsertsConvertEachTextToItsField) {
  CreateTable();
  Connection connection;
  Open(connection);
  connection.Execute(QStringLiteral(
      "insert into [T] ([Name],[Amount],[Day],[Ok],[Note],[Other]) values ('O''N','12.5',"
      "'2014-01-31','True','a'+'b''c','x')"));
  connection.Execute(QStringLiteral("INSERT INTO [t] ([note],[name]) VALUES ('', 'z')"));
  connection.Close();
  const auto dbf = testing::ReadDbf(dir_.filePath("T.dbf"));
  ASSERT_TRUE(dbf.error.isEmpty()) << dbf.error.toStdString();
  ASSERT_EQ(dbf.records.size(), 2);
  const QJsonArray first = dbf.records[0].toArray();
  EXPECT_EQ(first[0].toString(), QStringLiteral("O'N"));
  EXPECT_DOUBLE_EQ(first[1].toDouble(), 12.5);
  EXPECT_EQ(first[2].toString(), QStringLiteral("2014-01-31"));
  EXPECT_TRUE(first[3].toBool());
  EXPECT_EQ(first[4].toString(), QStringLiteral("ab'c"));
  EXPECT_TRUE(dbf.records[1].toArray()[1].isNull());
}

TEST_F(DbaseProvider, WhatCannotBeStoredFailsClearlyAndTheRowIsNotWritten) {
  CreateTable();
  Connection connection;
  Open(connection);
  const auto refused = [&](const QString& statement) { return Refused(connection, statement); };
  EXPECT_NE(refused(QStringLiteral("insert into [T] ([Name]) values ('toolong')")),
            QStringLiteral("accepted"));
  EXPECT_NE(refused(QStringLiteral("insert into [T] ([Amount]) values ('1E+15')")),
            QStringLiteral("accepted"));
  EXPECT_NE(refused(QStringLiteral("insert into [T] ([Amount]) values ('twelve')")),
            QStringLiteral("accepted"));
  EXPECT_NE(refused(QStringLiteral("insert into [T] ([Day]) values ('2014-01-31 08:30:00')")),
            QStringLiteral("accepted"));
  EXPECT_TRUE(refused(QStringLiteral("insert into [T] ([Nope]) values ('1')"))
                  .contains(QStringLiteral("no field 'Nope'")));
  EXPECT_TRUE(refused(QStringLiteral("insert into [Other] ([Name]) values ('1')"))
                  .contains(QStringLiteral("'Other'")));
  EXPECT_NE(refused(QStringLiteral("insert into [T] ([Name]) values ('a)")),
            QStringLiteral("accepted"));
  EXPECT_NE(refused(QStringLiteral("delete from [T]")), QStringLiteral("accepted"));
  connection.Close();
  EXPECT_EQ(testing::ReadDbf(dir_.filePath("T.dbf")).records.size(), 0);
}

// Rows after the first are read from their values alone while their head stays the same; a
// changed head is read whole again, and a bad row is refused as it would be on its own.
TEST_F(DbaseProvider, RowsSharingAHeadAreCheckedAndMappedLikeTheFirst) {
  CreateTable();
  Connection connection;
  Open(connection);
  const QString head = QStringLiteral("insert into [T] ([Name],[Amount]) values (");
  const auto refused = [&](const QString& statement) { return Refused(connection, statement); };
  connection.Execute(head + QStringLiteral("'a','1')"));
  EXPECT_TRUE(refused(head + QStringLiteral("'b')")).contains(QStringLiteral("gives 1 values")));
  EXPECT_TRUE(refused(head + QStringLiteral("'b','2') x"))
                  .contains(QStringLiteral("character 52: unexpected text")));
  EXPECT_TRUE(refused(head + QStringLiteral("'b','two')")).contains(QStringLiteral("Amount")));
  connection.Execute(QStringLiteral("insert into [T] ([Amount],[Name]) values ('3','c')"));
  EXPECT_TRUE(refused(QStringLiteral("insert into [T] ([Amount],[Nope]) values ('3','c')"))
                  .contains(QStringLiteral("no field 'Nope'")));
  connection.Execute(head + QStringLiteral("'d', '4' )"));
  connection.Close();
  const auto dbf = testing::ReadDbf(dir_.filePath("T.dbf"));
  ASSERT_TRUE(dbf.error.isEmpty()) << dbf.error.toStdString();
  ASSERT_EQ(dbf.records.size(), 3);
  const char* names[] = {"a", "c", "d"};
  const double amounts[] = {1, 3, 4};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(dbf.records[i].toArray()[0].toString(), QString::fromLatin1(names[i]));
    EXPECT_DOUBLE_EQ(dbf.records[i].toArray()[1].toDouble(), amounts[i]);
  }
}

// The old table stays until the new one is complete; an unfinished one never replaces it.
TEST_F(DbaseProvider, ANewTableTakesTheOldOnesPlaceOnlyWhenClosed) {
  const QString path = dir_.filePath("T.dbf");
  const QString memo = dir_.filePath("T.dbt");
  for (const QString& old : {path, memo}) {
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old");
  }
  const auto contents = [](const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  CreateTable();
  {
    Connection unfinished;
    Open(unfinished);
    unfinished.Execute(QStringLiteral("insert into [T] ([Name]) values ('x')"));
  }  // dropped without Close, as a failing conversion may leave it
  EXPECT_EQ(contents(path), "old");
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files),
            (QStringList{QStringLiteral("T.dbf"), QStringLiteral("T.dbt")}));

  CreateTable();
  Connection connection;
  Open(connection);
  connection.Execute(QStringLiteral("insert into [T] ([Name],[Note]) values ('y','long')"));
  EXPECT_EQ(contents(path), "old");
  EXPECT_EQ(contents(memo), "old");
  connection.Close();
  const auto dbf = testing::ReadDbf(path);
  ASSERT_EQ(dbf.records.size(), 1) << dbf.error.toStdString();
  EXPECT_EQ(dbf.records[0].toArray()[4].toString(), QStringLiteral("long"));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files),
            (QStringList{QStringLiteral("T.dbf"), QStringLiteral("T.dbt")}));
}

TEST_F(DbaseProvider, RowsOpenOnlyOnAnExistingTable) {
  Connection connection;
  EXPECT_THROW(Open(connection), DataAccessError);
  EXPECT_EQ(connection.State(), adStateClosed);
}

}  // namespace
}  // namespace brelloquin::data_access
