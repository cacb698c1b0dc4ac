#pragma once
// The 8-bit strings of BIFF5 and earlier, in the code page the workbook's CODEPAGE names.

#include <QByteArray>
#include <QString>
#include <optional>

#include "text/code_page.h"

namespace brelloquin::workbook {

class ByteText {
 public:
  // A CODEPAGE number: a Windows or DOS code page, 367 (ASCII), 1200 (UTF-16, BIFF8's, whose
  // 8-bit strings are Latin-1), 10000 or 32768 (Mac Roman), 32769 (1252); unknown ones read as
  // 1252.
  void setCodePage(int codePage);
  QString decode(const QByteArray& bytes) const;

 private:
  enum class Table { Latin1, MacRoman, Windows };
  Table table_ = Table::Windows;
  std::optional<text::CodePage> windows_ = text::CodePage::FromWindows(1252);
};

}  // namespace brelloquin::workbook
