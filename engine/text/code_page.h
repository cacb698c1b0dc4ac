#pragma once
// Windows code pages: the text of .xls workbooks is read in them and DBF text written in them;
// the language-driver byte names each in a DBF header.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

#include "described_error.h"

namespace brelloquin::text {

// The system cannot convert text to or from a code page: its iconv lacks the conversion module.
class CodePageError : public DescribedError {
 public:
  using DescribedError::DescribedError;
};

class CodePage {
 public:
  // One of 1250-1258, 874, 932, 936, 949, 950, 437, 850, 866; nullopt for any other number.
  static std::optional<CodePage> FromWindows(int codePage);
  // The code page that matches the locale's language (1252 when none does).
  static CodePage ForSystemLocale();
  // The code page a header's language-driver byte names; nullopt when unknown.
  static std::optional<CodePage> FromLanguageDriver(std::uint8_t driver);

  int windowsCodePage() const { return codePage_; }
  std::uint8_t languageDriver() const;

  // Text other than plain ASCII goes through the system's converter: each conversion below
  // throws CodePageError when the system has none for the code page.

  // A character the code page lacks becomes "?" (and *replaced is set when given); a multibyte
  // character is never split.
  QByteArray encode(const QString& text, bool* replaced = nullptr) const;
  // encode(), appended to out (without a copy apart for plain ASCII text).
  void appendEncoded(QByteArray& out, QStringView text, bool* replaced = nullptr) const;
  // The number of bytes encode() gives.
  qsizetype encodedSize(QStringView text) const;
  // How many UTF-16 units of the text, whole characters only, fit in maxBytes once encoded.
  qsizetype fittingLength(QStringView text, qsizetype maxBytes) const;
  // A byte sequence the code page does not define becomes U+FFFD.
  QString decode(const QByteArray& bytes) const;

 private:
  explicit CodePage(int codePage) : codePage_(codePage) {}
  int codePage_;
};

}  // namespace brelloquin::text
