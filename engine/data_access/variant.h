#pragma once
// A field value as the data-access layer hands it out: Null, or a number, date, Boolean or text.

#include <QString>

namespace brelloquin::data_access {

// ADO data-type codes of the fields.
enum TypeCode : int {
  adDouble = 5,
  adDate = 7,
  adBoolean = 11,
  adVarWChar = 202,
  adLongVarWChar = 203,
};

class Variant {
 public:
  enum class Kind { Null, Double, Date, Boolean, String };

  Variant() = default;
  static Variant Double(double value) { return Variant(Kind::Double, value); }
  // Day serial counted from 1899-12-30, the fraction being the time of day.
  static Variant Date(double serial) { return Variant(Kind::Date, serial); }
  static Variant Boolean(bool value) { return Variant(Kind::Boolean, value ? 1 : 0); }
  static Variant String(QString text) {
    Variant v(Kind::String, 0);
    v.text_ = std::move(text);
    return v;
  }

  // Makes the value text and hands out that text to be filled: what it held before (text
  // kept by SetNull included) lends its room, so a row source refills it without allocating.
  QString& SetString() {
    kind_ = Kind::String;
    number_ = 0;
    return text_;
  }
  // Makes the value Null, keeping the room of its text for SetString.
  void SetNull() {
    kind_ = Kind::Null;
    number_ = 0;
  }

  Kind kind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::Null; }
  double number() const { return number_; }

  // The runtime's standard conversion to text; Null gives the empty text.
  QString Text() const;
  // The most bytes FormatText writes.
  static constexpr int kMaxFormattedSize = 40;
  // Writes Text() of a value that is no text (StringValue() is null), ASCII, into buffer of
  // kMaxFormattedSize bytes, without building a string; returns the end.
  char* FormatText(char* buffer) const;
  // The length of Text(), without building it.
  qsizetype TextLength() const;
  // The text itself when the value is text, else null.
  const QString* StringValue() const { return kind_ == Kind::String ? &text_ : nullptr; }

 private:
  Variant(Kind kind, double number) : kind_(kind), number_(number) {}
  Kind kind_ = Kind::Null;
  double number_ = 0;
  QString text_;
};

// Numbers as C's "%.15G" writes them: 12.5, 1E-05, 1E+15, 123456789012345.
QString NumberText(double value);
// YYYY-MM-DD, YYYY-MM-DD HH:MM:SS, or HH:MM:SS for a time alone.
QString DateText(double serial);

}  // namespace brelloquin::data_access
