#include "data_access/variant.h"

#include <QDate>
#include <cmath>
#include <cstdio>

namespace brelloquin::data_access {

QString NumberText(double value) {
  if (!std::isfinite(value))
    return std::isnan(value) ? QStringLiteral("NaN")
                             : QString::fromLatin1(value < 0 ? "-Inf" : "Inf");
  if (value == 0) value = 0;  // no "-0"
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  return QString::fromLatin1(buffer);
}

QString DateText(double serial) {
  if (!std::isfinite(serial) || std::fabs(serial) > 3e6) return NumberText(serial);
  const long long seconds = std::llround(serial * 86400.0);
  long long days = seconds / 86400;
  long long rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  const QString time = QStringLiteral("%1:%2:%3")
                           .arg(rest / 3600, 2, 10, QLatin1Char('0'))
                           .arg(rest / 60 % 60, 2, 10, QLatin1Char('0'))
                           .arg(rest % 60, 2, 10, QLatin1Char('0'));
  if (days == 0) return time;
  const QString date = QDate(1899, 12, 30).addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
  return rest == 0 ? date : date + u' ' + time;
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
