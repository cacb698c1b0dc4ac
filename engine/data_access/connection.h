#pragma once
// Connection and Recordset: the calls the engine makes to read workbooks and write tables.

#include <QString>
#include <functional>
#include <memory>

#include "data_access/data_access_error.h"
#include "data_access/provider.h"
#include "data_access/variant.h"

namespace brelloquin::data_access {

inline constexpr int adSchemaTables = 20;
inline constexpr int adOpenStatic = 3;
inline constexpr int adLockReadOnly = 1;
inline constexpr int adStateClosed = 0;
inline constexpr int adStateOpen = 1;

// Chooses the provider by the connection string's "Provider=" key and opens it.
std::unique_ptr<Provider> OpenProvider(const QString& connectionString);

class Connection {
 public:
  void Open(const QString& connectionString);
  int State() const { return provider_ ? adStateOpen : adStateClosed; }
  void Close();
  // Schema 20: the tables, with the columns "TABLE_TYPE" and "TABLE_NAME".
  class Recordset OpenSchema(int schema);
  void Execute(const QString& statement);
  // Long work of the provider (reading a large sheet) calls this now and then.
  void SetYield(std::function<void()> yield);

  Provider& provider();

 private:
  std::unique_ptr<Provider> provider_;
  std::function<void()> yield_;
};

class Field {
 public:
  // value is null at the end of rows, where names and types can still be read.
  Field(const SourceField& source, const Variant* value) : source_(source), value_(value) {}
  const QString& Name() const { return source_.name; }
  int Type() const { return source_.type; }
  const Variant& Value() const;

 private:
  const SourceField& source_;
  const Variant* value_;
};

class Recordset;

class Fields {
 public:
  explicit Fields(const Recordset& owner) : owner_(owner) {}
  int Count() const;
  Field Item(int index) const;
  Field Item(const QString& name) const;  // ignoring case
  Field operator[](int index) const { return Item(index); }
  Field operator[](const QString& name) const { return Item(name); }

 private:
  const Recordset& owner_;
};

class Recordset {
 public:
  Recordset() = default;
  explicit Recordset(std::unique_ptr<RowSource> source) : source_(std::move(source)) {}
  Recordset(Recordset&&) noexcept = default;
  Recordset& operator=(Recordset&&) noexcept = default;

  void Open(const QString& query, Connection& connection, int cursorType = adOpenStatic,
            int lockType = adLockReadOnly);
  int State() const { return source_ ? adStateOpen : adStateClosed; }
  void Close();
  // End of rows ("EOF" is a macro of the C library, hence the spelling).
  bool Eof() const;
  void MoveNext();
  Fields GetFields() const { return Fields(*this); }
  // Cells of the opened sheet that could not be read and were left empty.
  std::size_t UnreadableCells() const { return source().unreadableCells(); }

 private:
  friend class Fields;
  const RowSource& source() const;
  std::unique_ptr<RowSource> source_;
};

}  // namespace brelloquin::data_access
