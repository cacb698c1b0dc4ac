#include "text/code_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

namespace brelloquin::text {
namespace {

text::CodePage Page(int number) { return text::CodePage::FromWindows(number).value(); }

QByteArray Bytes(std::initializer_list<unsigned char> bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.begin()),
                    static_cast<qsizetype>(bytes.size()));
}

TEST(CodePageTest, EncodesAndDecodesInTheCodePage) {
  const QString russian = QStringLiteral(u"Привет, €");
  const QByteArray bytes = Bytes({0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2, ',', ' ', 0x88});
  EXPECT_EQ(Page(1251).encode(russian), bytes);
  EXPECT_EQ(Page(1251).decode(bytes), russian);
  EXPECT_EQ(Page(866).encode(QStringLiteral(u"Жж")), Bytes({0x86, 0xA6}));
  EXPECT_EQ(Page(1252).decode("plain ASCII"), QStringLiteral("plain ASCII"));

  // glibc decomposes Vietnamese letters into base letter and tone mark; decoding recomposes.
  const QString vietnamese = QStringLiteral(u"Tiếng Việt");
  EXPECT_EQ(Page(1258).decode(Page(1258).encode(vietnamese)), vietnamese);
}

TEST(CodePageTest, EveryMissingCharacterBecomesOneQuestionMark) {
  EXPECT_EQ(Page(1252).encode(QStringLiteral(u"Жx😀b")), QByteArray("?x?b"));
  QString loneSurrogates;
  loneSurrogates.append(QChar(0xD800)).append(u'a').append(QChar(0xDC00));
  EXPECT_EQ(Page(1252).encode(loneSurrogates), QByteArray("?a?"));
  EXPECT_EQ(Page(1251).encode(QStringLiteral(u"日本")), QByteArray("??"));
}

TEST(CodePageTest, DoubleByteCharactersStayWhole) {
  const QString japanese = QStringLiteral(u"日€本abc");
  const QByteArray bytes = Bytes({0x93, 0xFA, '?', 0x96, 0x7B, 'a', 'b', 'c'});
  EXPECT_EQ(Page(932).encode(japanese), bytes);
  EXPECT_EQ(Page(932).decode(Bytes({0x93, 0xFA, 0x96, 0x7B})), QStringLiteral(u"日本"));
  EXPECT_EQ(Page(936).decode(Page(936).encode(QStringLiteral(u"中文"))), QStringLiteral(u"中文"));
  EXPECT_EQ(Page(949).decode(Page(949).encode(QStringLiteral(u"한국어"))),
            QStringLiteral(u"한국어"));
  EXPECT_EQ(Page(950).decode(Page(950).encode(QStringLiteral(u"繁體"))), QStringLiteral(u"繁體"));
}

// Texts are written character by character from a table of each character's bytes; the bytes
// must be those of converting the text whole, in every code page.
TEST(CodePageTest, CharacterByCharacterGivesTheWholeTextsBytes) {
  QString text;
  // Every character of the blocks the single-byte code pages cover (Latin to Arabic, Thai,
  // Vietnamese, punctuation and the euro sign), a sample of all others.
  const auto covered = [](int c) {
    return c < 0x600 || (c >= 0xE00 && c < 0xE80) || (c >= 0x1E00 && c < 0x2200);
  };
  for (int c = 0x80; c < 0xD800; c += covered(c) ? 1 : 13) text.append(QChar(c)).append(u'a');
  for (int c = 0xE000; c < 0x10000; c += 11) text.append(QChar(c));
  text += QStringLiteral(u"😀x𝄞");
  text.append(QChar(0xD800)).append(u'b').append(QChar(0xDC00));
  const QString mixed = QStringLiteral(u"aé€日Жấ😀b");
  for (const int number : {437, 850, 866, 874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254,
                           1255, 1256, 1257, 1258}) {
    const CodePage page = Page(number);
    bool wholeReplaced = false;
    const QByteArray whole = page.encode(text, &wholeReplaced);
    bool replaced = false;
    QByteArray appended("head");
    page.appendEncoded(appended, text, &replaced);
    EXPECT_EQ(appended, "head" + whole) << number;
    EXPECT_EQ(replaced, wholeReplaced) << number;
    EXPECT_EQ(page.encodedSize(text), whole.size()) << number;
    // The most whole characters that fit, for every limit.
    for (qsizetype most = 0; most <= page.encodedSize(mixed); ++most) {
      const qsizetype units = page.fittingLength(mixed, most);
      EXPECT_LE(page.encode(mixed.left(units)).size(), most) << number;
      if (units < mixed.size()) {
        const qsizetype next = mixed[units].isHighSurrogate() ? 2 : 1;
        EXPECT_GT(page.encode(mixed.left(units + next)).size(), most) << number;
      }
    }
  }
}

TEST(CodePageTest, UndefinedBytesDecodeToReplacementCharacters) {
  EXPECT_EQ(Page(1252).decode(Bytes({0x81, 0x80})), QStringLiteral(u"\uFFFD€"));
  // A lead byte cut off at the end of the text.
  EXPECT_EQ(Page(932).decode(Bytes({'a', 0x93})), QStringLiteral(u"a\uFFFD"));
}

TEST(CodePageTest, LanguageDriverBytes) {
  const std::map<int, std::uint8_t> expected{
      {437, 0x01},  {850, 0x02},  {866, 0x65},  {874, 0x7C},  {932, 0x7B},  {936, 0x7A},
      {949, 0x79},  {950, 0x78},  {1250, 0xC8}, {1251, 0xC9}, {1252, 0x03}, {1253, 0xCB},
      {1254, 0xCA}, {1255, 0x7D}, {1256, 0x7E}, {1257, 0xCC}, {1258, 0xA3}};
  for (const auto& [number, driver] : expected) {
    EXPECT_EQ(Page(number).languageDriver(), driver) << number;
    EXPECT_EQ(text::CodePage::FromLanguageDriver(driver)->windowsCodePage(), number) << number;
    EXPECT_GE(Page(number).encode(QStringLiteral(u"a\u0100")).size(), 2) << number;  // converts
  }
  // Bytes other dBase products write for the same code pages.
  EXPECT_EQ(text::CodePage::FromLanguageDriver(0x13)->windowsCodePage(), 932);
  EXPECT_EQ(text::CodePage::FromLanguageDriver(0x57)->windowsCodePage(), 1252);
  EXPECT_EQ(text::CodePage::FromLanguageDriver(0x26)->windowsCodePage(), 866);
  EXPECT_FALSE(text::CodePage::FromLanguageDriver(0x00));
  EXPECT_FALSE(text::CodePage::FromLanguageDriver(0xF0));
  EXPECT_FALSE(text::CodePage::FromWindows(1200));
  EXPECT_FALSE(text::CodePage::FromWindows(65001));
}

#ifndef _WIN32
class LocaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kVariables) {
      if (const char* value = std::getenv(name)) saved_[name] = value;
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (const char* name : kVariables) {
      unsetenv(name);
      if (saved_.count(name)) setenv(name, saved_[name].c_str(), 1);
    }
  }
  static int For(const char* lcAll, const char* lcCtype, const char* lang) {
    setenv("LC_ALL", lcAll, 1);
    setenv("LC_CTYPE", lcCtype, 1);
    setenv("LANG", lang, 1);
    return text::CodePage::ForSystemLocale().windowsCodePage();
  }
  static constexpr const char* kVariables[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  std::map<std::string, std::string> saved_;
};

TEST_F(LocaleTest, LanguageChoosesTheCodePage) {
  EXPECT_EQ(text::CodePage::ForSystemLocale().windowsCodePage(), 1252);  // nothing set
  EXPECT_EQ(For("", "", "ru_RU.UTF-8"), 1251);
  EXPECT_EQ(For("", "pl_PL", "ru_RU"), 1250);
  EXPECT_EQ(For("el_GR.UTF-8", "pl_PL", "ru_RU"), 1253);
  const std::map<std::string, int> expected{
      {"uk_UA", 1251}, {"sr_RS", 1251}, {"sr_RS@latin", 1250}, {"cs_CZ", 1250}, {"tr_TR", 1254},
      {"he_IL", 1255}, {"fa_IR", 1256}, {"lv_LV", 1257},       {"vi_VN", 1258}, {"th_TH", 874},
      {"ja_JP", 932},  {"ko_KR", 949},  {"zh_CN", 936},        {"zh_SG", 936},  {"zh_TW", 950},
      {"zh_HK", 950},  {"de_DE", 1252}, {"C.UTF-8", 1252},     {"POSIX", 1252}, {"kab_DZ", 1252}};
  for (const auto& [locale, codePage] : expected)
    EXPECT_EQ(For(locale.c_str(), "", ""), codePage) << locale;
}
#endif

}  // namespace
}  // namespace brelloquin::text
