// A system whose iconv lacks the conversion of a code page: the text that needs it fails with a
// report, the program goes on, and no table is left half-written.

#include <gtest/gtest.h>

#ifndef _WIN32

#include <dlfcn.h>
#include <iconv.h>

#include <QDir>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include "data_access/connection.h"
#include "data_access/dbase_catalog.h"
#include "engine/conversion_fixture.h"
#include "engine/qt_printers.h"
#include "support/xlsx_writer.h"

namespace {
std::atomic<bool> refuseCodePages{false};
}  // namespace

// Stands in for glibc's iconv_open in this test program: while refusing, a Windows code page
// ("CP1251") is not found, as when its gconv module is missing.
extern "C" iconv_t iconv_open(const char* to, const char* from) {
  if (refuseCodePages && (std::strncmp(to, "CP", 2) == 0 || std::strncmp(from, "CP", 2) == 0)) {
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
  }
  using Open = iconv_t (*)(const char*, const char*);
  static const auto real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "iconv_open"));
  return real(to, from);
}

namespace brelloquin {
namespace {

const QString kCannotWrite = QStringLiteral(
    "Text cannot be written in code page 1251: the system has no conversion into CP1251.");

// Runs the action on a thread of its own, whose converters are not open yet, while no code page
// can be opened.
template <class Action>
void WithoutCodePages(Action action) {
  refuseCodePages = true;
  std::thread(action).join();
  refuseCodePages = false;
}

TEST(CodePageFailure, TextThatNeedsTheMissingConversionFailsAndAsciiStillPasses) {
  const text::CodePage page = *text::CodePage::FromWindows(1251);
  QByteArray ascii;
  QString encoding, decoding;
  WithoutCodePages([&] {
    ascii = page.encode(QStringLiteral("plain"));
    try {
      page.encode(QStringLiteral(u"Москва"));
    } catch (const text::CodePageError& e) {
      encoding = e.description();
    }
    try {
      page.decode(QByteArray("\xCC\xEE"));
    } catch (const text::CodePageError& e) {
      decoding = e.description();
    }
  });
  EXPECT_EQ(ascii, QByteArray("plain"));
  EXPECT_EQ(encoding, kCannotWrite);
  EXPECT_EQ(decoding, QStringLiteral("Text in code page 1251 cannot be read: the system has no "
                                     "conversion from CP1251."));
}

class CodePageFailureConversion : public testing::ConversionFixture {
 protected:
  void SetUp() override {
    ConversionFixture::SetUp();
    UseCodePage(1251);
    book_ = Path(QStringLiteral("book.xlsx"));
    ASSERT_TRUE(testing::WriteXlsx(
        book_,
        {{QStringLiteral("Latin"), {{QStringLiteral("city")}, {QStringLiteral("Rome")}}},
         {QStringLiteral("Cyr"),
          {{QStringLiteral("city")}, {QStringLiteral(u"Москва")}, {QStringLiteral(u"Казань")}}}}));
  }
  QString book_;
};

// Measuring the first text ends the sheet: one report, before any table file exists.
TEST_F(CodePageFailureConversion, IsReportedOnceAndWritesNoTable) {
  WithoutCodePages([&] {
    engine_.CreateDBFFromXLSBySheet(book_, Path(QStringLiteral("cyr.dbf")), QStringLiteral("Cyr$"),
                                    QStringLiteral("Yes"), QStringLiteral("dBase III"), false);
  });
  ASSERT_EQ(Reports().size(), 1) << Reports().join(u'\n').toStdString();
  EXPECT_TRUE(Reports()[0].startsWith(kCannotWrite + QStringLiteral("\r\n")))
      << Reports()[0].toStdString();
  EXPECT_TRUE(Reports()[0].contains(QStringLiteral("CreateDBFFromXLSBySheet at line 210\r")));
  EXPECT_EQ(presenter_.messages.size(), 1u);  // no "Done!"
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("book.xlsx")});

  // The whole workbook: the sheet of plain text is written, the other reported once.
  presenter_.messages.clear();
  WithoutCodePages([&] {
    engine_.CreateDBFFromXLS(book_, QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
  });
  ASSERT_EQ(Reports().size(), 1) << Reports().join(u'\n').toStdString();
  EXPECT_TRUE(Reports()[0].startsWith(kCannotWrite + QStringLiteral("\r\n")))
      << Reports()[0].toStdString();
  EXPECT_TRUE(Reports()[0].contains(QStringLiteral("CreateDBFFromXLS at line 234\r")));
  EXPECT_EQ(QDir(Path(QStringLiteral("book"))).entryList(QDir::Files),
            QStringList{QStringLiteral("Latin.dbf")});
}

// A row provider given text it cannot convert gives the table up, as after a write failure.
TEST_F(CodePageFailureConversion, TheRowProviderGivesTheTableUp) {
  data_access::Catalog catalog;
  catalog.SetCodePage(*text::CodePage::FromWindows(1251));
  catalog.SetActiveConnection(
      QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Extended Properties=dBase "
                     "III;")
          .arg(dir_.path()));
  data_access::Table table;
  table.Name = QStringLiteral("T");
  table.GetColumns().Append(QStringLiteral("City"), data_access::adVarWChar, 10);
  catalog.AppendTable(table);
  const QString path = QDir::toNativeSeparators(Path(QStringLiteral("T.dbf")));
  data_access::Connection connection;
  connection.Open(QStringLiteral("Provider=vfpoledb.1;Data Source=%1;").arg(path));
  QString failure;
  WithoutCodePages([&] {
    connection.Execute(QStringLiteral("insert into [T] ([City]) values ('Rome')"));
    try {
      connection.Execute(QStringLiteral(u"insert into [T] ([City]) values ('Москва')"));
    } catch (const data_access::ConnectionBroken& e) {
      failure = e.description();
    } catch (const std::exception& e) {
      failure = QStringLiteral("not a broken connection: ") + QString::fromUtf8(e.what());
    }
  });
  EXPECT_EQ(failure, QStringLiteral("Could not write the table %1: %2").arg(path, kCannotWrite));
  EXPECT_EQ(connection.State(), data_access::adStateClosed);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("book.xlsx")});
}

}  // namespace
}  // namespace brelloquin

#endif
