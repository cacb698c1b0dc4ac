#pragma once
// Defining dBase tables: the catalog on a folder, a table definition and its columns.

#include <QString>
#include <optional>
#include <vector>

#include "dbf/dbf_table.h"
#include "text/code_page.h"

namespace brelloquin::data_access {

// A column as the table defines it: the field layout decides its type and size, the table
// definition gives it its name.
struct TableColumn {
  QString name{};  // defaulted like the rest, so DefineColumn can leave it out
  int type = 0;    // a type code
  int definedSize = 0;
  int numericScale = 0;  // decimals of a number column
};

class Columns {
 public:
  int Count() const { return static_cast<int>(columns_.size()); }
  void Delete(int index);
  // Fails for an empty name or one given already (ignoring case). A number column with a
  // defined size is a numeric field of that width with numericScale decimals.
  void Append(const QString& name, int type, int definedSize, int numericScale = 0);
  const std::vector<TableColumn>& items() const { return columns_; }

 private:
  std::vector<TableColumn> columns_;
};

class Table {
 public:
  QString Name;
  Columns& GetColumns() { return columns_; }
  const Columns& GetColumns() const { return columns_; }

 private:
  Columns columns_;
};

class Catalog {
 public:
  // "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=FOLDER;Extended Properties=dBase III;"
  void SetActiveConnection(const QString& connectionString);
  // The code page the tables' text is written in (the system's by default).
  void SetCodePage(const text::CodePage& codePage) { codePage_ = codePage; }
  // Creates NAME.dbf (and its memo file) in the folder, staged: the row-insert provider writes
  // the rows and puts the table in place of an existing one when it closes.
  void AppendTable(const Table& table);

 private:
  QString folder_;
  std::optional<dbf::Flavour> flavour_;
  text::CodePage codePage_ = text::CodePage::ForSystemLocale();
};

// Removes what an unfinished table left: the staged files of one table, or of every table in a
// folder (a killed run's). Failures are ignored.
void DiscardUnfinishedTable(const QString& dbfPath);
void DiscardUnfinishedTables(const QString& folder);

// The DBF field for a column's type code and defined size.
dbf::FieldDescriptor FieldDescriptorFor(const TableColumn& column);

}  // namespace brelloquin::data_access
