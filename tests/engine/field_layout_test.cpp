#include "field_layout.h"

#include <gtest/gtest.h>

#include "engine/qt_printers.h"

#include <QRegularExpression>
#include <QStringList>

#include "data_access/variant.h"
#include "output_names.h"

namespace brelloquin {
namespace {

// Cleans and makes unique a row of raw names the way a table definition does.
QStringList FieldNames(const QStringList& names) {
  QString bracketed;
  QStringList given;
  for (const QString& raw : names) {
    const QString unique = MakeUniqueName(
        CleanFieldName(raw.left(10)), bracketed,
        [&](const QString& candidate) { return given.contains(candidate, Qt::CaseInsensitive); });
    given << unique;
    bracketed += u'[' + unique + QStringLiteral("],");
  }
  return given;
}

TEST(FieldNames, CleaningCutsAndPrefixes) {
  EXPECT_EQ(FieldNames({QStringLiteral("_id")}), QStringList{QStringLiteral("Fld_id")});
  EXPECT_EQ(FieldNames({QStringLiteral("_customer_no")}), QStringList{QStringLiteral("Fld_cust")});
  EXPECT_EQ(FieldNames({QStringLiteral("Net (EUR) +/-")}),
            QStringList{QStringLiteral("Net__EUR_")});
  // Cut to 10 characters before the blanks are trimmed.
  EXPECT_EQ(FieldNames({QStringLiteral("  Unit price ")}), QStringList{QStringLiteral("Unit_pri")});
  // Non-ASCII and any other character dBase cannot hold become "_".
  EXPECT_EQ(CleanFieldName(QStringLiteral("Größe")), QStringLiteral("Gr__e"));
  EXPECT_EQ(CleanFieldName(QStringLiteral("Имя")), QStringLiteral("Fld___"));
  EXPECT_EQ(CleanFieldName(QStringLiteral("a,b;c")), QStringLiteral("a_b_c"));
}

TEST(FieldNames, UniqueByTheCounterRule) {
  EXPECT_EQ(FieldNames({QStringLiteral("Customer_Name"), QStringLiteral("Customer_Number")}),
            (QStringList{QStringLiteral("Customer_N"), QStringLiteral("Customer_1")}));
  // The probe is found inside the longer name already listed.
  EXPECT_EQ(FieldNames({QStringLiteral("Summary"), QStringLiteral("Sum")}),
            (QStringList{QStringLiteral("Summary"), QStringLiteral("Su1")}));
  EXPECT_EQ(FieldNames({QStringLiteral("Name"), QStringLiteral("Name"), QStringLiteral("Name")}),
            (QStringList{QStringLiteral("Name"), QStringLiteral("Nam1"), QStringLiteral("Nam2")}));
}

TEST(FieldNames, NeverLandsOnANameGivenAlready) {
  // The plain rule gives "Name1" again for the second name: the digit replaces the "1".
  EXPECT_EQ(FieldNames({QStringLiteral("Name1"), QStringLiteral("Name1")}),
            (QStringList{QStringLiteral("Name1"), QStringLiteral("Name2")}));
  const QStringList names = FieldNames({QStringLiteral("Data 1"), QStringLiteral("Data_1"),
                                        QStringLiteral("DATA_1"), QStringLiteral("data-1")});
  QStringList folded;
  for (const QString& name : names) folded << name.toLower();
  folded.removeDuplicates();
  EXPECT_EQ(folded.size(), 4) << names.join(u' ').toStdString();
}

TEST(OutputNames, SheetNamesBecomeDbfNamesUniqueInTheRun) {
  EXPECT_EQ(DbfNameFromSheet(QStringLiteral("'Totals 2014$'")), QStringLiteral("Totals_2"));
  EXPECT_EQ(DbfNameFromSheet(QStringLiteral("'Jan/Feb$'")), QStringLiteral("JanFeb"));
  EXPECT_EQ(DbfNameFromSheet(QStringLiteral("Sheet1$")), QStringLiteral("Sheet1"));
  // A second workbook's Sheet1 in its own folder keeps its name; a third becomes Sheet2.
  const auto never = [](const QString&) { return false; };
  EXPECT_EQ(MakeUniqueName(QStringLiteral("Sheet1"), QStringLiteral(" Sheet1"), never),
            QStringLiteral("Sheet1"));
  EXPECT_EQ(MakeUniqueName(QStringLiteral("Sheet1"), QStringLiteral(" Sheet1 Sheet1"), never),
            QStringLiteral("Sheet2"));
}

// The counter rule searched step by step through the list's text, as it was first written.
QString UniqueBySearching(const QString& name, const QString& list) {
  int n = 0;
  qsizetype p = 0;
  for (;;) {
    const QString probe =
        name.left(std::max<qsizetype>(0, name.size() - (n == 0 ? 0 : QString::number(n).size())));
    p = probe.isEmpty() ? (p + 1 <= list.size() ? p + 1 : 0) : list.indexOf(probe, p) + 1;
    if (p == 0) break;
    ++n;
  }
  return n > 0 ? name.left(std::max<qsizetype>(0, name.size() - QString::number(n).size())) +
                     QString::number(n)
               : name;
}

TEST(OutputNames, ALongRunGivesTheNamesOfTheStepwiseSearch) {
  // Past 9, 99 and 999 names alike the counter takes more of the name; one-letter names, names
  // found inside others and a name across a blank cross those steps too.
  const QStringList pool{QStringLiteral("Data"), QStringLiteral("Data"),  QStringLiteral("D"),
                         QStringLiteral("Dat1"), QStringLiteral("Sheet"), QStringLiteral("Da"),
                         QStringLiteral("Data"), QStringLiteral("S"),     QStringLiteral("t o")};
  const auto never = [](const QString&) { return false; };
  NameList noted(QStringLiteral(" Left over"), true);
  for (int i = 0; i < 2500; ++i) {
    const QString& name = pool[(i * 7 + i / 13) % pool.size()];
    const QString unique = MakeUniqueName(name, noted, never);
    ASSERT_EQ(unique, UniqueBySearching(name, noted.text())) << "name " << i;
    ASSERT_EQ(MakeUniqueName(name, noted.text(), never), unique) << "name " << i;
    noted.Append(u' ' + unique);
  }
  EXPECT_TRUE(noted.text().contains(QRegularExpression(QStringLiteral(" [^ ]*\\d{4} "))));
}

TEST(OutputNames, SingleSheetNamesFromTheOutputPath) {
  const QChar s = PathSeparator();
  EXPECT_EQ(DbfNameFromPath(QStringLiteral("out") + s + QStringLiteral("Monthly report 2014.dbf")),
            QStringLiteral("Monthly_"));
  EXPECT_EQ(DbfNameFromPath(QStringLiteral("my.data.v2.dbf")), QStringLiteral("mydatav2"));
  EXPECT_EQ(DbfNameFromPath(QStringLiteral("Q1#2014$.dbf")), QStringLiteral("Q12014"));
  EXPECT_EQ(DbfNameFromPath(QStringLiteral("noext")), QStringLiteral("noext"));
  EXPECT_EQ(ProposedOutputPath(s + QStringLiteral("in") + s + QStringLiteral("sales.xls"),
                               QStringLiteral("'Q1 Data$'")),
            s + QStringLiteral("in") + s + QStringLiteral("Q1_Data.dbf"));
  EXPECT_EQ(ProposedOutputPath(QStringLiteral("book.xls"), QStringLiteral("'Sales Q1 2014$'")),
            QStringLiteral("Sales_Q1.dbf"));
  EXPECT_EQ(ProposedOutputPath(QStringLiteral("book.xls"), QStringLiteral("#Data$")),
            QStringLiteral("Data.dbf"));
}

TEST(OutputNames, WorkbookFolderDropsTheExtensionInAnyCase) {
  EXPECT_EQ(WorkbookOutputFolderName(QStringLiteral("Book1.xlsx")), QStringLiteral("Book1"));
  EXPECT_EQ(WorkbookOutputFolderName(QStringLiteral("BOOK.XLS")), QStringLiteral("BOOK"));
  // Up to the first ".xls" in any case, even with more dots after it.
  EXPECT_EQ(WorkbookOutputFolderName(QStringLiteral("Sales.XLS.xlsx")), QStringLiteral("Sales"));
  EXPECT_EQ(WorkbookOutputFolderName(QStringLiteral("Archive.XLSX.old")),
            QStringLiteral("Archive"));
  EXPECT_EQ(WorkbookOutputFolderName(QStringLiteral("data.ods")), QStringLiteral("data"));
  EXPECT_EQ(WorkbookOutputFolderName(QStringLiteral("book")), QStringLiteral("book_dbf"));
  EXPECT_EQ(WorkbookOutputFolderName(QStringLiteral("a.xls.xls")), QStringLiteral("a"));
  EXPECT_EQ(WorkbookOutputFolderName(QStringLiteral("book.xlsx  ")), QStringLiteral("book"));
  EXPECT_EQ(WorkbookOutputFolderName(QStringLiteral("a. .xlsx")), QStringLiteral("a. "));
}

TEST(OutputNames, WorkbookFolderIsNeverTheWorkbooksFolderOrItsParent) {
  for (const char* name : {".xlsx", "..xlsx", "...xlsx", ". .xlsx", ".xls", "..xls.xlsx", "...",
                           "....", ". .", ".. .xls"})
    EXPECT_EQ(WorkbookOutputFolderName(QString::fromUtf8(name)),
              QString::fromUtf8(name) + QStringLiteral("_dbf"));
  EXPECT_EQ(WorkbookOutputFolderName(QStringLiteral(" .xls")), QStringLiteral(".xls_dbf"));
  EXPECT_EQ(WorkbookOutputFolderName(QStringLiteral(" . .xls ")), QStringLiteral(". .xls_dbf"));
}

TEST(ColumnDefinitions, WidthBeyondSixteenBitsIsRefusedAndKept) {
  ColumnLayout column;
  MeasureWidth(column, 40);
  EXPECT_THROW(MeasureWidth(column, 40000), std::overflow_error);
  EXPECT_EQ(column.width, 40);
}

}  // namespace
}  // namespace brelloquin
