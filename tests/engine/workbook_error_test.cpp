// Why a workbook cannot be read, as a caller branches on it: one small input for each reason.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <optional>

#include "engine/xls/xls_test_support.h"
#include "support/xlsx_writer.h"
#include "workbook/sheet.h"

namespace brelloquin::workbook {
namespace {

using Reason = WorkbookError::Reason;
using namespace xls_test;

const QString kFixtures = QStringLiteral(BRELLOQUIN_SOURCE_DIR "/tests/fixtures/");
const QString kPasswordMessage = QStringLiteral("The workbook is password-protected or encrypted.");

class WorkbookErrors : public ::testing::Test {
 protected:
  QString Write(const QString& name, const Bytes& bytes) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
  }

  // The failure of opening the workbook and reading its first sheet; nothing when both work.
  static std::optional<WorkbookError> Failure(const QString& path, std::size_t sheet = 0) {
    try {
      OpenWorkbook(path)->readSheet(sheet);
    } catch (const WorkbookError& error) {
      return error;
    }
    return std::nullopt;
  }

  static void Expect(const QString& path, Reason reason, const QString& description = {},
                     std::size_t sheet = 0) {
    const auto failure = Failure(path, sheet);
    ASSERT_TRUE(failure) << path.toStdString() << " was read";
    EXPECT_EQ(failure->reason(), reason) << failure->description().toStdString();
    if (!description.isEmpty()) {
      EXPECT_EQ(failure->description(), description);
    }
  }

  QTemporaryDir dir_;
};

TEST_F(WorkbookErrors, CallersCanBranchOnTheReason) {
  // Encrypted, in each of the three places a workbook says so: a FILEPASS record of an .xls, an
  // encrypted package in a compound file (an encrypted .xlsx), an encrypted zip entry.
  Expect(Write(QStringLiteral("filepass.xls"), Workbook(Record(0x002F, Bytes(6)), {{"S", {}}})),
         Reason::Encrypted, kPasswordMessage);
  Expect(
      Write(
          QStringLiteral("package.xlsx"),
          BuildCompound({{u"EncryptionInfo", Bytes(64)}, {u"EncryptedPackage", Bytes(64)}}).bytes),
      Reason::Encrypted, kPasswordMessage);
  const QString zipped = dir_.filePath(QStringLiteral("zipped.xlsx"));
  ASSERT_TRUE(testing::WriteXlsx(zipped, {{QStringLiteral("S"), {{1.0}}}}));
  int code = 0;
  zip_t* archive = zip_open(QFile::encodeName(zipped).constData(), 0, &code);
  ASSERT_NE(archive, nullptr);
  const zip_int64_t rels = zip_name_locate(archive, "_rels/.rels", 0);
  ASSERT_GE(rels, 0);
  if (zip_file_set_encryption(archive, static_cast<zip_uint64_t>(rels), ZIP_EM_AES_256, "secret") ==
      0) {
    ASSERT_EQ(zip_close(archive), 0);
    Expect(zipped, Reason::Encrypted, kPasswordMessage);
  } else {
    zip_discard(archive);  // a libzip built without encryption: the other two places stand
  }

  Expect(Write(QStringLiteral("cut.xlsx"), Raw("PK\x03\x04 and then nothing of a zip")),
         Reason::Damaged);
  // A record that claims 255 bytes where the stream ends.
  Expect(Write(QStringLiteral("cut.xls"), Cat({Bof(false, 5), {0x85, 0x00, 0xFF, 0x00}})),
         Reason::Damaged,
         QStringLiteral("The workbook is damaged: a record runs past the end of its stream."));

  Expect(kFixtures + QStringLiteral("opendocument.ods"), Reason::Unsupported,
         QStringLiteral("The OpenDocument spreadsheet format (.ods) is not supported."));
  Expect(kFixtures + QStringLiteral("binary_workbook.xlsb"), Reason::Unsupported,
         QStringLiteral("The binary .xlsb workbook format is not supported."));
  const QString text = Write(QStringLiteral("notes.xlsx"), Raw("plain text"));
  Expect(
      text, Reason::Unsupported,
      QStringLiteral("The file '%1' is not a workbook that can be read (neither .xlsx nor .xls).")
          .arg(text));

  const QString missing = dir_.filePath(QStringLiteral("missing.xlsx"));
  Expect(missing, Reason::NotFound,
         QStringLiteral("The workbook '%1' could not be found.").arg(missing));
  const QString folder = dir_.filePath(QStringLiteral("folder.xls"));
  ASSERT_TRUE(QDir().mkpath(folder));
  Expect(folder, Reason::NotRegularFile,
         QStringLiteral("'%1' is a folder, not a workbook.").arg(folder));
  const QString pipe = dir_.filePath(QStringLiteral("pipe.xlsx"));
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  Expect(pipe, Reason::NotRegularFile);

  Expect(kFixtures + QStringLiteral("twin_basic.xlsx"), Reason::NoSuchSheet,
         QStringLiteral("The workbook has no sheet number 100."), 99);
  Expect(kFixtures + QStringLiteral("twin_basic.xls"), Reason::NoSuchSheet,
         QStringLiteral("The workbook has no sheet number 100."), 99);
}

}  // namespace
}  // namespace brelloquin::workbook
