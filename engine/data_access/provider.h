#pragma once
// What a provider behind a Connection offers: rowsets (schema or query) and statements.

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "data_access/variant.h"

namespace brelloquin::data_access {

// A field as a row source states it (a sheet's column, or a schema rowset's): name and type.
struct SourceField {
  QString name;
  int type = adVarWChar;
};

// Rows of a schema or a query, read forwards.
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual const std::vector<SourceField>& fields() const = 0;
  virtual bool atEnd() const = 0;
  // The current row's values, one per field.
  virtual const std::vector<Variant>& row() const = 0;
  virtual void next() = 0;
  // Cells of the source that could not be read and were left empty.
  virtual std::size_t unreadableCells() const { return 0; }
};

class Provider {
 public:
  virtual ~Provider() = default;
  virtual std::unique_ptr<RowSource> OpenSchema(int schema) = 0;
  virtual std::unique_ptr<RowSource> Query(const QString& text) = 0;
  virtual void Execute(const QString& statement) = 0;
  // Finishes what the provider still holds (writes not yet on disk); throws on failure.
  virtual void Close() {}
  // Called now and then during long work, so a window can repaint meanwhile.
  virtual void SetYield(std::function<void()>) {}
  // Values written so far with "?" for characters the table's code page lacks.
  virtual int ValuesWithReplacedCharacters() const { return 0; }
};

// Rows held in memory (schema rowsets).
class MemoryRowSource : public RowSource {
 public:
  MemoryRowSource(std::vector<SourceField> fields, std::vector<std::vector<Variant>> rows)
      : fields_(std::move(fields)), rows_(std::move(rows)) {}
  const std::vector<SourceField>& fields() const override { return fields_; }
  bool atEnd() const override { return current_ >= rows_.size(); }
  const std::vector<Variant>& row() const override { return rows_[current_]; }
  void next() override { ++current_; }

 private:
  std::vector<SourceField> fields_;
  std::vector<std::vector<Variant>> rows_;
  std::size_t current_ = 0;
};

}  // namespace brelloquin::data_access
