#include "workbook/number_format.h"

namespace brelloquin::workbook {

bool IsBuiltinDateFormat(int id) {
  return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
         (id >= 50 && id <= 58);
}

bool IsDateFormatCode(const QString& code) {
  const qsizetype n = code.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = code[i];
    if (c == u'"') {
      while (++i < n && code[i] != u'"') {
      }
    } else if (c == u'\\' || c == u'_' || c == u'*') {
      ++i;  // the next character is literal (or a fill/space width)
    } else if (c == u'[') {
      // [h], [mm], [ss] are elapsed time; any other bracket is a colour, condition or locale.
      const qsizetype close = code.indexOf(u']', i);
      if (close < 0) return false;
      const QString inner = code.mid(i + 1, close - i - 1).toLower();
      if (!inner.isEmpty() &&
          (inner.count(u'h') == inner.size() || inner.count(u'm') == inner.size() ||
           inner.count(u's') == inner.size()))
        return true;
      i = close;
    } else if (c == u';') {
      return false;  // only the first section decides
    } else {
      switch (c.toLower().unicode()) {
        case u'd':
        case u'm':
        case u'y':
        case u'h':
        case u's':
          return true;
        default:
          break;
      }
    }
  }
  return false;
}

}  // namespace brelloquin::workbook
