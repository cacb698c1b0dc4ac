#pragma once
// The row-insert statements the engine sends to a DBF table:
//   insert into [TABLE] ([f1],[f2],...) values ('v1','v2',...)

#include <QString>
#include <vector>

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
void ParseInsertValues(const QString& statement, qsizetype valuesAt, std::size_t fieldCount,
                       std::vector<QString>& values);

}  // namespace brelloquin::data_access
