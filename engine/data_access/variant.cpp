#include "data_access/variant.h"

#include <QDate>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
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
  char* out = buffer;
  if (value == 0) {  // no "-0"
    *out = '0';
    return out + 1;
  }
  // Whole numbers of at most 15 digits, most numbers of a sheet, are their digits.
  if (std::fabs(value) < 1e15 && value == std::trunc(value))
    return std::to_chars(out, out + 40, static_cast<long long>(value)).ptr;
  // Most other numbers are a few decimals typed in: the fewest places k whose digits m read
  // back as the value. A decimal of at most 15 significant digits is exactly what "%.15G"
  // writes for the double it reads as, and m / 10^k (both exact) rounds to that double.
  if (std::fabs(value) >= 1e-4) {
    constexpr double kPowers[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    for (int k = 1; k < 15; ++k) {
      const double scaled = std::nearbyint(value * kPowers[k]);
      if (std::fabs(scaled) >= 1e15) break;
      if (scaled / kPowers[k] != value) continue;
      auto m = static_cast<long long>(std::fabs(scaled));
      if (value < 0) *out++ = '-';
      out = std::to_chars(out, out + 20, m / static_cast<long long>(kPowers[k])).ptr;
      *out++ = '.';
      m %= static_cast<long long>(kPowers[k]);
      for (int i = k - 1; i >= 0; --i, m /= 10) out[i] = static_cast<char>('0' + m % 10);
      return out + k;
    }
  }
  // The shortest digits that read back as a normal value are, when there are 15 or fewer,
  // exactly the digits "%.15G" rounds to; finding them is far cheaper than rounding to 15
  // places. (Subnormal values are too coarse for that and take the library's way.)
  char scientific[40];
  const char* end = std::to_chars(scientific, scientific + sizeof scientific, value,
                                  std::chars_format::scientific)
                        .ptr;
  const char* at = scientific;
  if (*at == '-') *out++ = *at++;
  char digits[20];
  int count = 0;
  for (; at != end && *at != 'e'; ++at)
    if (*at != '.') {
      if (count == 15) break;
      digits[count++] = *at;
    }
  if (at == end || *at != 'e' || std::fabs(value) < std::numeric_limits<double>::min()) {
    // More than 15 significant digits: let the library round.
    char* last = std::to_chars(buffer, buffer + 40, value, std::chars_format::general, 15).ptr;
    for (char* c = buffer; c != last; ++c)
      if (*c == 'e') *c = 'E';
    return last;
  }
  int exponent = 0;
  std::from_chars(at + (at[1] == '+' ? 2 : 1), end, exponent);
  if (exponent < -4 || exponent >= 15) {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = '.';
      for (int i = 1; i < count; ++i) *out++ = digits[i];
    }
    *out++ = 'E';
    *out++ = exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude >= 100) *out++ = static_cast<char>('0' + magnitude / 100);
    *out++ = static_cast<char>('0' + magnitude / 10 % 10);
    *out++ = static_cast<char>('0' + magnitude % 10);
    return out;
  }
  if (exponent < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > exponent; --i) *out++ = '0';
    for (int i = 0; i < count; ++i) *out++ = digits[i];
    return out;
  }
  for (int i = 0; i <= exponent; ++i) *out++ = i < count ? digits[i] : '0';
  if (count > exponent + 1) {
    *out++ = '.';
    for (int i = exponent + 1; i < count; ++i) *out++ = digits[i];
  }
  return out;
}

// Serial of the day after 9999-12-31, the first no date can be written for.
constexpr long long kEndOfDates = 2958466;

// Years 100 to 9999.
bool IsWritableDate(double serial) { return serial >= -657434 && serial < kEndOfDates; }

// Days and seconds of a writable date serial, rounded to the second; a value rounding past
// 9999-12-31 23:59:59 stays there instead of carrying into a year no date can be written for.
std::pair<long long, long long> DaysAndSeconds(double serial) {
  const long long seconds = std::min(std::llround(serial * 86400.0), kEndOfDates * 86400 - 1);
  long long days = seconds / 86400;
  long long rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  return {days, rest};
}

// Writes n as `digits` decimal digits, zero-padded.
char* Digits(char* out, long long n, int digits) {
  for (int i = digits - 1; i >= 0; --i, n /= 10) out[i] = static_cast<char>('0' + n % 10);
  return out + digits;
}

// The Julian day of serial 0, 1899-12-30.
constexpr qint64 kJulianDayOfSerialZero = 2415019;

// DateText into buffer (at least 40 bytes); returns the end.
char* FormatDate(double serial, char* out) {
  // Outside years 100 to 9999 no date can be written; the number stands as it is.
  if (!IsWritableDate(serial)) return FormatNumber(serial, out);
  const auto [days, rest] = DaysAndSeconds(serial);
  const bool withDate = days != 0;
  const bool withTime = rest != 0 || !withDate;
  if (withDate) {
    int year = 0, month = 0, day = 0;
    QDate::fromJulianDay(kJulianDayOfSerialZero + days).getDate(&year, &month, &day);
    out = Digits(out, year, 4);
    *out++ = '-';
    out = Digits(out, month, 2);
    *out++ = '-';
    out = Digits(out, day, 2);
    if (withTime) *out++ = ' ';
  }
  if (withTime) {
    out = Digits(out, rest / 3600, 2);
    *out++ = ':';
    out = Digits(out, rest / 60 % 60, 2);
    *out++ = ':';
    out = Digits(out, rest % 60, 2);
  }
  return out;
}

QString Latin1Text(const char* begin, const char* end) {
  QString text(end - begin, Qt::Uninitialized);
  QChar* out = text.data();
  for (const char* c = begin; c != end; ++c) *out++ = QLatin1Char(*c);
  return text;
}

}  // namespace

QString NumberText(double value) {
  char buffer[Variant::kMaxFormattedSize];
  return Latin1Text(buffer, FormatNumber(value, buffer));
}

QString DateText(double serial) {
  char buffer[Variant::kMaxFormattedSize];
  return Latin1Text(buffer, FormatDate(serial, buffer));
}

char* Variant::FormatText(char* buffer) const {
  switch (kind_) {
    case Kind::Double:
      return FormatNumber(number_, buffer);
    case Kind::Date:
      return FormatDate(number_, buffer);
    case Kind::Boolean: {
      const std::string_view word = number_ != 0 ? "True" : "False";
      return std::copy(word.begin(), word.end(), buffer);
    }
    case Kind::Null:
    case Kind::String:
      break;
  }
  Q_ASSERT(kind_ == Kind::Null);
  return buffer;
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
