#include "workbook/number_format.h"

#include <algorithm>
#include <cmath>

namespace brelloquin::workbook {

namespace {

// Reads the placeholders of a format's first section, left to right.
class Classifier {
 public:
  NumberFormat result() const {
    NumberFormat format;
    if (elapsed_) {
      format.kind = FormatKind::Elapsed;
      format.elapsed = pieces_;
    } else if (day_ || pendingMonth_) {
      format.kind = FormatKind::Date;
    } else if (time_) {
      format.kind = FormatKind::Time;
    }
    return format;
  }

  // A run of one placeholder letter (lower case); an elapsed bracket when `bracket`.
  void placeholder(char16_t letter, qsizetype run, bool bracket) {
    if (bracket && !elapsed_) {
      elapsed_ = true;
      pieces_.unit = static_cast<char>(letter);
      pieces_.width = static_cast<std::uint8_t>(std::min<qsizetype>(run, 255));
      time_ = true;
      last_ = letter;
      return;
    }
    // "m" is minutes right after an hour or right before a second, else a month.
    if (pendingMonth_) {
      pendingMonth_ = false;
      if (letter == u's')
        minute();
      else
        day_ = true;
    }
    switch (letter) {
      case u'm':
        if (last_ == u'h')
          minute();
        else
          pendingMonth_ = true;
        break;
      case u'h':
        time_ = true;
        break;
      case u's':
        time_ = true;
        if (elapsed_ && pieces_.unit != 's') pieces_.seconds = true;
        break;
      default:  // d, y
        day_ = true;
        break;
    }
    last_ = letter;
  }

  // The digits of a fraction of a second written after the seconds.
  void fraction(qsizetype digits) {
    if (last_ == u's' && elapsed_)
      pieces_.decimals = static_cast<std::uint8_t>(std::min<qsizetype>(digits, 3));
  }

 private:
  void minute() {
    time_ = true;
    if (elapsed_ && pieces_.unit == 'h') pieces_.minutes = true;
  }

  bool day_ = false, time_ = false, elapsed_ = false, pendingMonth_ = false;
  char16_t last_ = 0;
  ElapsedPieces pieces_;
};

bool IsPlaceholder(char16_t c) {
  return c == u'd' || c == u'm' || c == u'y' || c == u'h' || c == u's';
}

// Whether code at i starts with the text `word`, ignoring case.
bool StartsAt(const QString& code, qsizetype i, QLatin1StringView word) {
  return QStringView(code).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

}  // namespace

NumberFormat BuiltinNumberFormat(int id) {
  NumberFormat format;
  if (id == 46) {  // [h]:mm:ss
    format.kind = FormatKind::Elapsed;
    format.elapsed.minutes = format.elapsed.seconds = true;
  } else if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 31) || id == 36 || id == 50 ||
             id == 51 || id == 57 || id == 58) {
    format.kind = FormatKind::Date;
  } else if ((id >= 18 && id <= 21) || (id >= 32 && id <= 35) || id == 45 || id == 47 ||
             (id >= 52 && id <= 56)) {
    // Times alone (the East Asian ones in the locales that agree on them).
    format.kind = FormatKind::Time;
  }
  return format;
}

NumberFormat ClassifyFormatCode(const QString& code) {
  Classifier classifier;
  const qsizetype n = code.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = code[i];
    const char16_t lower = c.toLower().unicode();
    if (c == u'"') {
      while (++i < n && code[i] != u'"') {
      }
    } else if (c == u'\\' || c == u'_' || c == u'*') {
      ++i;  // the next character is literal (or a fill/space width)
    } else if (c == u'[') {
      // [h], [mm], [ss] are elapsed time; any other bracket is a colour, condition or locale.
      const qsizetype close = code.indexOf(u']', i);
      if (close < 0) break;
      const QString inner = code.mid(i + 1, close - i - 1).toLower();
      if (!inner.isEmpty() && IsPlaceholder(inner[0].unicode()) && inner[0] != u'd' &&
          inner[0] != u'y' && inner.count(inner[0]) == inner.size())
        classifier.placeholder(inner[0].unicode(), inner.size(), true);
      i = close;
    } else if (c == u';') {
      break;  // only the first section decides
    } else if (StartsAt(code, i, QLatin1StringView("am/pm"))) {
      i += 4;  // its "m" is no month
    } else if (StartsAt(code, i, QLatin1StringView("a/p"))) {
      i += 2;
    } else if (IsPlaceholder(lower)) {
      qsizetype run = 1;
      while (i + run < n && code[i + run].toLower() == c.toLower()) ++run;
      classifier.placeholder(lower, run, false);
      i += run - 1;
    } else if (c == u'.' && i + 1 < n && code[i + 1] == u'0') {
      qsizetype digits = 0;
      while (i + 1 < n && code[i + 1] == u'0') ++i, ++digits;
      classifier.fraction(digits);
    }
  }
  return classifier.result();
}

QString ElapsedText(double days, const ElapsedPieces& pieces) {
  static constexpr long long kScale[] = {1, 10, 100, 1000};
  const int decimals = std::min<int>(pieces.decimals, 3);
  const long long scale = kScale[decimals];
  // Rounded once, to the last piece shown; the larger pieces then count whole units of it.
  const long long ticks = std::llround(std::fabs(days) * 86400.0 * static_cast<double>(scale));
  const long long seconds = ticks / scale;
  const long long total = pieces.unit == 'h'   ? seconds / 3600
                          : pieces.unit == 'm' ? seconds / 60
                                               : seconds;
  const auto twoDigits = [](long long n) { return QString::number(n).rightJustified(2, u'0'); };
  QString text = days < 0 && ticks != 0 ? QStringLiteral("-") : QString();
  text += QString::number(total).rightJustified(pieces.width, u'0');
  if (pieces.minutes) text += u':' + twoDigits(seconds / 60 % 60);
  if (pieces.seconds) text += u':' + twoDigits(seconds % 60);
  if (decimals > 0) text += u'.' + QString::number(ticks % scale).rightJustified(decimals, u'0');
  return text;
}

}  // namespace brelloquin::workbook
