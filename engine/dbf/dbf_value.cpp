#include "dbf/dbf_value.h"

#include <QDate>
#include <algorithm>
#include <optional>
#include <string>

#include "dbf/dbf_format.h"

namespace brelloquin::dbf {
namespace {

[[noreturn]] void Fail(const FieldDescriptor& field, const QString& why) {
  throw format::FieldError(field, why);
}

// A decimal number exactly as written: (negative ? -1 : 1) * digits * 10^exponent. Short
// std::strings keep the digits off the heap: numbers are most of a table's fields.
struct Decimal {
  bool negative = false;
  std::string digits;  // no leading zeros; empty for zero
  long long exponent = 0;
};

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

void StripLeadingZeros(std::string& digits) {
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
}

// Digits with an optional point, then an optional exponent ("-12.5", ".5", "1E-05").
std::optional<Decimal> ParseDecimal(QStringView text) {
  Decimal number;
  qsizetype at = 0;
  auto digitsHere = [&](std::string& into) {
    for (; at < text.size() && IsDigit(text[at]); ++at) into += text[at].toLatin1();
  };
  auto signHere = [&] {
    const bool sign = at < text.size() && (text[at] == u'-' || text[at] == u'+');
    return sign && text[at++] == u'-';
  };
  number.negative = signHere();
  std::string fraction;
  digitsHere(number.digits);
  if (at < text.size() && text[at] == u'.') {
    ++at;
    digitsHere(fraction);
  }
  if (number.digits.empty() && fraction.empty()) return std::nullopt;
  if (at < text.size() && (text[at] == u'E' || text[at] == u'e')) {
    ++at;
    const bool negativeExponent = signHere();
    std::string exponent;
    digitsHere(exponent);
    if (exponent.empty()) return std::nullopt;
    // Anything beyond a few digits is far outside every field; keep the value bounded.
    number.exponent = exponent.size() > 9 ? 1'000'000'000 : std::stoll(exponent);
    if (negativeExponent) number.exponent = -number.exponent;
  }
  if (at != text.size()) return std::nullopt;
  number.digits += fraction;
  number.exponent -= static_cast<long long>(fraction.size());
  StripLeadingZeros(number.digits);
  return number;
}

// The digits of |value| * 10^decimals; nullopt when they would be more than `limit`. The
// value must not have more decimals than that (see MoreDecimalsThan).
std::optional<std::string> ScaledDigits(const Decimal& value, int decimals, int limit) {
  const long long size = static_cast<long long>(value.digits.size());
  const long long shift = value.exponent + decimals;
  if (value.digits.empty()) return std::string();
  if (shift >= 0) {
    if (size + shift > limit) return std::nullopt;
    return value.digits + std::string(static_cast<std::size_t>(shift), '0');
  }
  std::string digits =
      value.digits.substr(0, static_cast<std::size_t>(std::max(0LL, size + shift)));
  StripLeadingZeros(digits);
  if (static_cast<long long>(digits.size()) > limit) return std::nullopt;
  return digits;
}

// True when a digit that is not zero stands beyond the field's decimals: storing the value
// would round it, and a number is never changed on its way into a table.
bool MoreDecimalsThan(const Decimal& value, int decimals) {
  const long long size = static_cast<long long>(value.digits.size());
  const long long kept = std::max(0LL, size + value.exponent + decimals);
  return kept < size &&
         value.digits.find_first_not_of('0', static_cast<std::size_t>(kept)) != std::string::npos;
}

QByteArray NumericBytes(const FieldDescriptor& field, const QString& text) {
  const std::optional<Decimal> value = ParseDecimal(text);
  if (!value) Fail(field, QStringLiteral("\"%1\" is not a number.").arg(text));
  const auto tooWide = [&] {
    Fail(field, QStringLiteral("%1 does not fit a numeric field %2 characters wide with %3 "
                               "decimals.")
                    .arg(text)
                    .arg(field.length)
                    .arg(field.decimals));
  };
  if (MoreDecimalsThan(*value, field.decimals))
    Fail(field, QStringLiteral("%1 has more decimals than the field's %2; it would be rounded.")
                    .arg(text)
                    .arg(field.decimals));
  const std::optional<std::string> scaled = ScaledDigits(*value, field.decimals, field.length);
  if (!scaled) tooWide();
  const auto decimals = static_cast<std::size_t>(field.decimals);
  std::string number(decimals + 1 - std::min(scaled->size(), decimals + 1), '0');
  number += *scaled;
  if (decimals > 0) number.insert(number.size() - decimals, 1, '.');
  if (value->negative && !scaled->empty()) number.insert(number.begin(), '-');
  if (static_cast<int>(number.size()) > field.length) tooWide();
  QByteArray bytes(field.length - static_cast<qsizetype>(number.size()), ' ');
  return bytes.append(number.data(), static_cast<qsizetype>(number.size()));
}

bool IsTimeOfDay(QStringView text) {
  return text.size() == 8 && text[2] == u':' && text[5] == u':' && IsDigit(text[0]) &&
         IsDigit(text[1]) && IsDigit(text[3]) && IsDigit(text[4]) && IsDigit(text[6]) &&
         IsDigit(text[7]);
}

// The day of a date text ("YYYY-MM-DD", or that day at "00:00:00"); empty when a date field
// cannot hold the text.
QStringView DayOf(QStringView text) {
  const bool withTime = text.size() == 19 && text[10] == u' ' && text.mid(11) == u"00:00:00";
  const QStringView day = withTime ? text.left(10) : text;
  const bool shaped =
      day.size() == 10 && day[4] == u'-' && day[7] == u'-' &&
      std::all_of(day.begin(), day.end(), [](QChar c) { return c == u'-' || IsDigit(c); });
  // Shaped, so the digits are read by hand: a number parser would cost more than the rest.
  const auto number = [&](qsizetype at, qsizetype digits) {
    int value = 0;
    for (const QChar c : day.mid(at, digits)) value = value * 10 + (c.unicode() - u'0');
    return value;
  };
  if (!shaped || !QDate(number(0, 4), number(5, 2), number(8, 2)).isValid()) return {};
  return day;
}

QByteArray DateBytes(const FieldDescriptor& field, const QString& text) {
  const QStringView view(text);
  const QStringView day = DayOf(view);
  if (day.isEmpty()) {
    const bool withTime = view.size() == 19 && view[10] == u' ' && IsTimeOfDay(view.mid(11));
    if (IsTimeOfDay(view) || (withTime && view.mid(11) != u"00:00:00"))
      Fail(field, QStringLiteral("a date field cannot hold a time of day (\"%1\").").arg(text));
    Fail(field, QStringLiteral("\"%1\" is not a date of the form YYYY-MM-DD.").arg(text));
  }
  QByteArray bytes = day.toLatin1();
  return bytes.remove(7, 1).remove(4, 1);
}

QByteArray LogicalBytes(const FieldDescriptor& field, const QString& text) {
  for (const char* word : {"true", "t", "yes", "y"})
    if (text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) return "T";
  for (const char* word : {"false", "f", "no", "n"})
    if (text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) return "F";
  Fail(field,
       QStringLiteral("\"%1\" is not a logical value (True/False, T/F, Yes/No, Y/N).").arg(text));
}

}  // namespace

bool FitsDateField(const QString& text) { return !DayOf(text).isEmpty(); }

void AppendField(QByteArray& record, const FieldDescriptor& field, const QString& text,
                 const text::CodePage& codePage, bool* replaced) {
  if (field.type == 'C') {
    const qsizetype start = record.size();
    codePage.appendEncoded(record, text, replaced);
    const qsizetype size = record.size() - start;
    if (size > field.length) {
      record.truncate(start);
      Fail(field, QStringLiteral("the text takes %1 bytes in code page %2, but the field holds "
                                 "%3.")
                      .arg(size)
                      .arg(codePage.windowsCodePage())
                      .arg(field.length));
    }
    record.resize(start + field.length, ' ');  // cheaper than appending the blanks
    return;
  }
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) {
    AppendBlankField(record, field);
    return;
  }
  switch (field.type) {
    case 'N':
      record += NumericBytes(field, trimmed);
      return;
    case 'D':
      record += DateBytes(field, trimmed);
      return;
    default:
      record += LogicalBytes(field, trimmed);
  }
}

void AppendBlankField(QByteArray& record, const FieldDescriptor& field) {
  // dBase writes "?" for a logical that was never set.
  if (field.type == 'L')
    record += '?';
  else
    record.resize(record.size() + field.length, ' ');
}

}  // namespace brelloquin::dbf
