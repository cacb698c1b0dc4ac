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
};

// Keywords in any case, blanks between tokens. A value is a quoted literal ('' inside stands
// for one apostrophe) or quoted literals joined by "+". Throws DataAccessError(kErrQuery) for a
// statement of any other shape.
InsertStatement ParseInsertStatement(const QString& statement);

}  // namespace brelloquin::data_access
