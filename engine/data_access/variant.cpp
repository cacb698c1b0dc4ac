#include "data_access/variant.h"

#include <QDate>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

namespace brelloquin::data_access {

namespace {

// "%.15G" into buffer (at least 40 bytes); returns the end. Non-finite values as words.
char* FormatNumber(double value, char* buffer) {
  if (!std::isfinite(value)) {
    const char* word = std::isnan(value) ? "NaN" : value < 0 ? "-Inf" : "Inf";
    const std::size_t n = std::strlen(word);
    std::memcpy(buffer, word, n);
    return buffer + n;
  }
  if (value == 0) value = 0;  // no "-0"
  // to_chars in general form with precision 15 writes what "%.15g" writes, only faster.
  return std::to_chars(buffer, buffer + 40, value, std::chars_format::general, 15).ptr;
}

// Days and seconds of a date serial, rounded to the second.
std::pair<long long, long long> DaysAndSeconds(double serial) {
  const long long seconds = std::llround(serial * 86400.0);
  long long days = seconds / 86400;
  long long rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  return {days, rest};
}

// Years 100 to 9999.
bool IsWritableDate(double serial) { return serial >= -657434 && serial < 2958466; }

// Writes n as `digits` decimal digits, zero-padded.
QChar* Digits(QChar* out, long long n, int digits) {
  for (int i = digits - 1; i >= 0; --i, n /= 10)
    out[i] = QLatin1Char(static_cast<char>('0' + n % 10));
  return out + digits;
}

}  // namespace

QString NumberText(double value) {
  char buffer[40];
  const char* end = FormatNumber(value, buffer);
  QString text(end - buffer, Qt::Uninitialized);
  QChar* out = text.data();
  for (const char* c = buffer; c != end; ++c) *out++ = QLatin1Char(*c == 'e' ? 'E' : *c);
  return text;
}

QString DateText(double serial) {
  // Outside years 100 to 9999 no date can be written; the number stands as it is.
  if (!IsWritableDate(serial)) return NumberText(serial);
  const auto [days, rest] = DaysAndSeconds(serial);
  const bool withDate = days != 0;
  const bool withTime = rest != 0 || !withDate;
  QString text((withDate ? 10 : 0) + (withDate && withTime ? 1 : 0) + (withTime ? 8 : 0),
               Qt::Uninitialized);
  QChar* out = text.data();
  if (withDate) {
    const QDate date = QDate(1899, 12, 30).addDays(days);
    out = Digits(out, date.year(), 4);
    *out++ = u'-';
    out = Digits(out, date.month(), 2);
    *out++ = u'-';
    out = Digits(out, date.day(), 2);
    if (withTime) *out++ = u' ';
  }
  if (withTime) {
    out = Digits(out, rest / 3600, 2);
    *out++ = u':';
    out = Digits(out, rest / 60 % 60, 2);
    *out++ = u':';
    Digits(out, rest % 60, 2);
  }
  return text;
}

qsizetype Variant::TextLength() const {
  switch (kind_) {
    case Kind::Null:
      return 0;
    case Kind::Double: {
      char buffer[40];
      return FormatNumber(number_, buffer) - buffer;
    }
    case Kind::Date: {
      if (!IsWritableDate(number_)) return Variant::Double(number_).TextLength();
      const auto [days, rest] = DaysAndSeconds(number_);
      return days == 0 ? 8 : rest == 0 ? 10 : 19;
    }
    case Kind::Boolean:
      return number_ != 0 ? 4 : 5;
    case Kind::String:
      return text_.size();
  }
  return 0;
}

QString Variant::Text() const {
  switch (kind_) {
    case Kind::Null:
      return {};
    case Kind::Double:
      return NumberText(number_);
    case Kind::Date:
      return DateText(number_);
    case Kind::Boolean:
      return number_ != 0 ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::String:
      return text_;
  }
  return {};
}

}  // namespace brelloquin::data_access
