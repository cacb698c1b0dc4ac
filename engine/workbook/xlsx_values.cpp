#include "workbook/xlsx_values.h"

#include <QDate>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "workbook/sheet.h"

namespace brelloquin::workbook::xlsx {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads fixed-width decimal fields from the front of a text.
class Fields {
 public:
  explicit Fields(std::string_view text) : text_(text) {}

  bool done() const { return text_.empty(); }
  bool skip(char c) {
    if (text_.empty() || text_.front() != c) return false;
    text_.remove_prefix(1);
    return true;
  }
  std::optional<int> digits(std::size_t count) {
    if (text_.size() < count) return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (!IsDigit(text_[i])) return std::nullopt;
      value = value * 10 + (text_[i] - '0');
    }
    text_.remove_prefix(count);
    return value;
  }
  // The digits after a decimal point, as a fraction.
  double fraction() {
    double value = 0, scale = 0.1;
    for (; !text_.empty() && IsDigit(text_.front()); text_.remove_prefix(1), scale /= 10)
      value += (text_.front() - '0') * scale;
    return value;
  }

 private:
  std::string_view text_;
};

// hh:mm[:ss[.fff]][Z|±hh[:mm]] as a fraction of a day.
std::optional<double> ParseTime(Fields& fields) {
  const auto hour = fields.digits(2);
  if (!hour || !fields.skip(':')) return std::nullopt;
  const auto minute = fields.digits(2);
  if (!minute) return std::nullopt;
  double second = 0;
  if (fields.skip(':')) {
    const auto whole = fields.digits(2);
    if (!whole) return std::nullopt;
    second = *whole;
    if (fields.skip('.') || fields.skip(',')) second += fields.fraction();
  }
  if (!fields.skip('Z') && (fields.skip('+') || fields.skip('-'))) {
    if (!fields.digits(2)) return std::nullopt;
    fields.skip(':');
    if (!fields.done() && !fields.digits(2)) return std::nullopt;
  }
  if (!fields.done() || *hour > 23 || *minute > 59 || second >= 60) return std::nullopt;
  return (*hour * 3600.0 + *minute * 60.0 + second) / 86400.0;
}

// Plain decimals of at most 15 digits ("-5925.64"), which most cells hold: their digits and
// the power of ten dividing them are exact doubles, so one division rounds as from_chars does.
// nullopt for any other text.
std::optional<double> PlainDecimal(std::string_view text) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  const std::size_t point = text.find('.');
  const std::size_t whole = std::min(point, text.size());
  const std::size_t places = point == std::string_view::npos ? 0 : text.size() - point - 1;
  if (whole == 0 || (point != std::string_view::npos && places == 0) || whole + places > 15)
    return std::nullopt;
  std::int64_t digits = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == point) continue;
    if (!IsDigit(text[i])) return std::nullopt;
    digits = digits * 10 + (text[i] - '0');
  }
  const double value = static_cast<double>(digits) / kPowers[places];
  return negative ? -value : value;
}

}  // namespace

std::optional<CellPosition> ParseCellReference(std::string_view reference) {
  std::uint32_t col = 0;
  std::size_t letters = 0;
  for (; letters < reference.size(); ++letters) {
    const char c = static_cast<char>(reference[letters] | 0x20);  // ASCII lower case
    if (c < 'a' || c > 'z') break;
    if (letters == 3) return std::nullopt;  // XFD is the last column
    col = col * 26 + static_cast<std::uint32_t>(c - 'a' + 1);
  }
  if (letters == 0 || letters == reference.size() || col > kMaxColumns) return std::nullopt;
  // Every cell has a reference: its digits are read here rather than through ParseIndex.
  std::uint32_t row = 0;
  for (const char c : reference.substr(letters)) {
    if (!IsDigit(c) || row > kMaxRows) return std::nullopt;  // stops before the row overflows
    row = row * 10 + static_cast<std::uint32_t>(c - '0');
  }
  if (row == 0 || row > kMaxRows) return std::nullopt;
  return CellPosition{row - 1, col - 1};
}

std::optional<std::uint64_t> ParseIndex(std::string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;  // 19 digits always fit
  std::uint64_t value = 0;
  for (const char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

std::optional<double> ParseNumber(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  if (const auto plain = PlainDecimal(text)) return plain;
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

QString DecodeText(std::string_view utf8) {
  QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  if (utf8.find("_x") == std::string_view::npos) return text;
  QString decoded;
  decoded.reserve(text.size());
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    if (text[i] == u'_' && i + 6 < size && text[i + 1] == u'x' && text[i + 6] == u'_') {
      int unit = 0;
      qsizetype k = i + 2;
      for (; k < i + 6 && HexValue(text[k].unicode()) >= 0; ++k)
        unit = unit * 16 + HexValue(text[k].unicode());
      if (k == i + 6) {
        decoded += QChar(static_cast<char16_t>(unit));
        i += 6;
        continue;
      }
    }
    decoded += text[i];
  }
  return decoded;
}

bool IsPlainText(std::string_view utf8) {
  return std::all_of(utf8.begin(), utf8.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; }) &&
         utf8.find("_x") == std::string_view::npos;
}

std::optional<double> ParseIsoDate(std::string_view text) {
  Fields fields(text);
  const bool hasDate = text.size() >= 10 && text[4] == '-';
  if (!hasDate) {
    fields.skip('T');
    return ParseTime(fields);
  }
  const auto year = fields.digits(4);
  const auto month = fields.skip('-') ? fields.digits(2) : std::nullopt;
  const auto day = fields.skip('-') ? fields.digits(2) : std::nullopt;
  if (!year || !month || !day) return std::nullopt;
  const QDate date(*year, *month, *day);
  if (!date.isValid()) return std::nullopt;
  const auto days = static_cast<double>(QDate(1899, 12, 30).daysTo(date));
  if (fields.done()) return days;
  if (!fields.skip('T') && !fields.skip(' ')) return std::nullopt;
  const auto time = ParseTime(fields);
  if (!time) return std::nullopt;
  // Before the epoch the day counts down while the time of day still counts up.
  return days < 0 ? days - *time : days + *time;
}

}  // namespace brelloquin::workbook::xlsx
