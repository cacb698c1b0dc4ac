#include "data_access/insert_statement.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data_access/data_access_error.h"

namespace brelloquin::data_access {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

TEST(InsertStatementTest, ReadsTheStatementsTheEngineBuilds) {
  const InsertStatement single =
      ParseInsertStatement("insert into [Sheet1] ([Name],[Amount]) values ('O''Neil','12')");
  EXPECT_EQ(single.table, "Sheet1");
  EXPECT_THAT(single.fields, ElementsAre("Name", "Amount"));
  EXPECT_THAT(single.values, ElementsAre("O'Neil", "12"));

  const InsertStatement pieces =
      ParseInsertStatement("insert into [Totals_2] ([Notes],[F2]) values ('abc'+'d''e' + '','')");
  EXPECT_THAT(pieces.values, ElementsAre("abcd'e", ""));
}

TEST(InsertStatementTest, AllowsBlanksAndAnyCaseAndKeepsQuotedTextAsItIs) {
  const InsertStatement statement = ParseInsertStatement(
      QStringLiteral(u" \tINSERT\nInto[T]( [a] ,[b b] )VALUES( 'x, y)+[z]' ,'Ж\r\n''' ) "));
  EXPECT_EQ(statement.table, "T");
  EXPECT_THAT(statement.fields, ElementsAre("a", "b b"));
  EXPECT_THAT(statement.values, ElementsAre("x, y)+[z]", QStringLiteral(u"Ж\r\n'")));
}

// Rows after the first are read from their values on, into the last row's values: a value
// of any shape reads back alike whatever the value before it in its place was.
TEST(InsertStatementTest, ReadsTheValuesOfRowsOfOneHead) {
  const QString head = QStringLiteral("insert into [T] ([a],[b],[c]) values (");
  const std::vector<std::pair<QString, std::vector<QString>>> rows = {
      {"'x', '' ,'O''Neil')", {"x", "", "O'Neil"}},
      {"'a''b','y' +\t'z','')", {"a'b", "yz", ""}},
      {"'p','q','r' )", {"p", "q", "r"}},
      {"'''','','s'\n+'t')", {"'", "", "st"}},
  };
  std::vector<QString> values;
  for (const auto& [rest, expected] : rows) {
    const QString statement = head + rest;
    ParseInsertValues(statement, head.size(), 3, values);
    EXPECT_THAT(values, ElementsAreArray(expected)) << rest.toStdString();
  }
  EXPECT_THROW(ParseInsertValues(head + "'a'\t+ 'b','c')", head.size(), 3, values),
               DataAccessError);
  EXPECT_THROW(ParseInsertValues(head + "'a' 'b','c','d')", head.size(), 3, values),
               DataAccessError);
}

// A text the builder was given and what it must read back as, with each kind of line break.
struct RoundTrip {
  QString text, withBlanks, withTags;
};

TEST(InsertStatementBuilderTest, EveryTextReadsBackAsBuiltInAnyCut) {
  const QString a253(253, u'a');
  const QString a254(254, u'a');
  const QString line = QStringLiteral(u"Ж東\U0001F600'");
  const std::vector<RoundTrip> cases = {
      {"", "", ""},
      {"O'Neil", "O'Neil", "O'Neil"},
      {"'", "'", "'"},
      {"''x''", "''x''", "''x''"},
      {"Line1\r\nLine2", "Line1  Line2", "Line1<br>Line2"},
      {"a\rb\nc\n\r", "a b c  ", "ab<br>c<br>"},
      {"<br>'+'", "<br>'+'", "<br>'+'"},
      {line, line, line},
      // The cut between literals falls on, before and after an apostrophe, and inside "<br>".
      {a253 + "'b", a253 + "'b", a253 + "'b"},
      {a254 + "'b", a254 + "'b", a254 + "'b"},
      {a254 + "b", a254 + "b", a254 + "b"},
      {a254 + "b'", a254 + "b'", a254 + "b'"},
      {a253 + "''", a253 + "''", a253 + "''"},
      {QString(252, u'a') + "\nb", QString(252, u'a') + " b", QString(252, u'a') + "<br>b"},
      {QString(600, u'\''), QString(600, u'\''), QString(600, u'\'')},
      {line.repeated(200), line.repeated(200), line.repeated(200)},
      {QStringLiteral("x\r\n").repeated(300), QStringLiteral("x  ").repeated(300),
       QStringLiteral("x<br>").repeated(300)},
  };
  for (const LineBreaks breaks : {LineBreaks::Blanks, LineBreaks::Tags}) {
    InsertStatementBuilder builder(QStringLiteral("T"), QStringLiteral("[a],[b]"));
    for (const RoundTrip& c : cases) {
      SCOPED_TRACE(c.text.left(20).toStdString());
      const QString& expected = breaks == LineBreaks::Blanks ? c.withBlanks : c.withTags;
      int pieces = 0;
      builder.Begin();
      builder.AppendText(c.text, breaks, [&] { ++pieces; });
      builder.AppendValue(Variant::Double(-12.5));
      builder.End();
      const InsertStatement read = ParseInsertStatement(builder.text());
      EXPECT_EQ(read.table, "T");
      EXPECT_THAT(read.values, ElementsAre(expected, "-12.5"));
      // As few literals as hold 254 characters each, "'+'" between them; only a text in more
      // than one calls back.
      const qsizetype literals =
          std::max<qsizetype>(1, (expected.size() + kMaxLiteralLength - 1) / kMaxLiteralLength);
      EXPECT_EQ(pieces, literals > 1 ? literals : 0);
      const qsizetype quoted = expected.size() + expected.count(u'\'') + 2 + 3 * (literals - 1);
      EXPECT_EQ(builder.text().size(),
                QStringLiteral("insert into [T] ([a],[b]) values (,'-12.5')").size() + quoted);
    }
  }
}

TEST(InsertStatementBuilderTest, BuildsTheStatementTextTheProviderReads) {
  InsertStatementBuilder builder(QStringLiteral("Sheet1"),
                                 QStringLiteral("[Name],[N],[D],[B],[E]"));
  builder.Begin();
  builder.AppendText(QStringLiteral("first row"), LineBreaks::Blanks);
  builder.AppendValue(Variant::Double(1));
  builder.AppendValue(Variant());
  builder.AppendValue(Variant());
  builder.AppendValue(Variant());
  builder.End();
  // The next row is built into the same buffer from the start.
  builder.Begin();
  builder.AppendText(QStringLiteral("O'Neil\r\n"), LineBreaks::Tags);
  builder.AppendValue(Variant::Double(1e-5));
  builder.AppendValue(Variant::Date(41670.5));
  builder.AppendValue(Variant::Boolean(true));
  builder.AppendValue(Variant());
  builder.End();
  EXPECT_EQ(builder.text(),
            "insert into [Sheet1] ([Name],[N],[D],[B],[E]) values "
            "('O''Neil<br>','1E-05','2014-01-31 12:00:00','True','')");
  // A row may start with a value that is no text; the earliest and latest dates written.
  builder.Begin();
  builder.AppendValue(Variant::Boolean(false));
  builder.AppendValue(Variant::Date(-657434));
  builder.AppendValue(Variant::Date(2958465.75));
  builder.AppendText(QStringLiteral("x"), LineBreaks::Blanks);
  builder.AppendValue(Variant::Double(-2.5));
  builder.End();
  EXPECT_EQ(builder.text(),
            "insert into [Sheet1] ([Name],[N],[D],[B],[E]) values "
            "('False','0100-01-01','9999-12-31 18:00:00','x','-2.5')");
  // Every literal but the last holds exactly 254 characters.
  builder.Begin();
  builder.AppendText(QString(3 * 254 + 1, u'p'), LineBreaks::Tags);
  builder.End();
  const QString pieces = builder.text().section(u'(', 2).chopped(1);
  const QString p254(254, u'p');
  EXPECT_EQ(pieces, "'" + p254 + "'+'" + p254 + "'+'" + p254 + "'+'p'");
  builder.Begin();
  builder.AppendText(QString(254, u'x') + "''y", LineBreaks::Blanks);
  builder.End();
  EXPECT_TRUE(builder.text().endsWith(" values ('" + QString(254, u'x') + "'+'''''y')"))
      << builder.text().toStdString();
}

TEST(InsertStatementTest, RefusesEveryOtherShape) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "expected \"insert\""},
      {"update [T] set [a] = '1'", "expected \"insert\""},
      {"insertinto [T] ([a]) values ('1')", "at character 7: expected a blank after \"insert\""},
      {"insert into T ([a]) values ('1')", "expected the table name in brackets"},
      {"insert into [] ([a]) values ('1')", "the table name is empty"},
      {"insert into [T ([a]) values ('1')", "expected \"(\""},
      {"insert into [T] ([a], b) values ('1','2')", "expected a field name in brackets"},
      {"insert into [T] () values ()", "expected a field name in brackets"},
      {"insert into [T] ([a]) ('1')", "expected \"values\""},
      {"insert into [T] ([a]) values (1)", "character 31: expected a quoted value"},
      {"insert into [T] ([a]) values ('1',)", "expected a quoted value"},
      {"insert into [T] ([a]) values ('1'+)", "expected a quoted value"},
      {"insert into [T] ([a]) values ('1' '2')", "expected \")\""},
      {"insert into [T] ([a]) values ('it''s)", "character 31: the quoted value is not closed"},
      {"insert into [T] ([a]) values ('1') x", "unexpected text after the closing"},
      {"insert into [T] ([a],[b]) values ('1')", "names 2 fields but gives 1 values"},
      {"insert into [T] ([a]) values ('1','2')", "names 1 fields but gives 2 values"},
  };
  for (const auto& [statement, message] : cases) {
    try {
      ParseInsertStatement(statement);
      ADD_FAILURE() << statement;
    } catch (const DataAccessError& error) {
      EXPECT_EQ(error.number(), kErrQuery);
      EXPECT_THAT(error.description().toStdString(), HasSubstr(message)) << statement;
    }
  }
}

}  // namespace
}  // namespace brelloquin::data_access
