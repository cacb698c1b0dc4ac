#pragma once
// The row-insert statements the engine sends to a DBF table, built and read back in one place:
//   insert into [TABLE] ([f1],[f2],...) values ('v1','v2',...)

#include <QString>
#include <functional>
#include <vector>

#include "data_access/variant.h"

namespace brelloquin::data_access {

struct InsertStatement {
  QString table;
  std::vector<QString> fields;
  std::vector<QString> values;  // one per field, in the same order
  qsizetype valuesAt = 0;       // where the values list begins, just past "values ("
};

// Keywords in any case, blanks between tokens. A value is a quoted literal ('' inside stands
// for one apostrophe) or quoted literals joined by "+". Throws DataAccessError(kErrQuery) for a
// statement of any other shape.
InsertStatement ParseInsertStatement(const QString& statement);

// The values of a statement whose text before valuesAt is a head ParseInsertStatement accepted,
// naming fieldCount fields; only the values are read. Fails as ParseInsertStatement would.
// Values that need no unquoting are not copied: they hold the statement's characters, valid
// while the statement's text is neither changed nor freed.
void ParseInsertValues(const QString& statement, qsizetype valuesAt, std::size_t fieldCount,
                       std::vector<QString>& values);

// What a line break of a text becomes in its literal.
enum class LineBreaks {
  Blanks,  // CR and LF one blank each
  Tags,    // LF "<br>", CR dropped
};

// The most characters of a text one literal holds; a longer text goes as literals of this many
// characters joined by "+".
inline constexpr qsizetype kMaxLiteralLength = 254;

// Builds one row's statement after another into the same buffer, so its capacity is kept.
class InsertStatementBuilder {
 public:
  // bracketedFields: "[f1],[f2],...", as the table was defined.
  InsertStatementBuilder(const QString& table, const QString& bracketedFields);

  // Starts the next row's statement.
  void Begin();
  // Appends a text in one pass: apostrophes doubled, line breaks as breaks says, cut into
  // literals of kMaxLiteralLength characters of the replaced text (never inside a doubled
  // apostrophe). A text in more than one literal calls afterPiece after each.
  void AppendText(QStringView text, LineBreaks breaks,
                  const std::function<void()>& afterPiece = {});
  // Appends a value that is no text (StringValue() is null): the text forms of numbers, dates,
  // Booleans and Null hold no apostrophe or line break and fit one literal.
  void AppendValue(const Variant& value);
  // Closes the values list.
  void End() { statement_ += u')'; }

  // The statement as built so far.
  const QString& text() const { return statement_; }

 private:
  bool HasValues() const;

  QString head_;
  QString statement_;
};

}  // namespace brelloquin::data_access
