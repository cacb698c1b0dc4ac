#include "data_access/insert_statement.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data_access/data_access_error.h"

namespace brelloquin::data_access {
namespace {

using ::testing::ElementsAre;
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
