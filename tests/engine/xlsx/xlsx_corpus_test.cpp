#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>

#include "engine/xlsx/xlsx_test_support.h"
#include "support/corpus.h"

namespace brelloquin::workbook::testing {
namespace {

QStringList CorpusFiles(const QStringList& patterns) {
  QStringList files;
  QDirIterator it(QStringLiteral(BRELLOQUIN_CORPUS_DIR), patterns, QDir::Files,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) files << it.next();
  files.sort();
  return files;
}

// Real workbooks, many reduced from bug reports: each reads every sheet or fails cleanly.
TEST(XlsxCorpus, EveryWorkbookReadsOrFailsWithWorkbookError) {
  SKIP_WITHOUT_CORPUS();
  const QStringList files = CorpusFiles({"*.xlsx", "*.xlsm"});
  int readable = 0;
  for (const QString& file : files) {
    SCOPED_TRACE(file.toStdString());
    try {
      const auto reader = OpenXlsx(file);
      for (std::size_t i = 0; i < reader->sheets().size(); ++i) reader->readSheet(i);
      ++readable;
    } catch (const WorkbookError& error) {
      EXPECT_FALSE(error.description().isEmpty());
    }
  }
  EXPECT_GT(readable, files.size() / 2);
}

TEST(XlsxCorpus, BinaryAndOpenDocumentWorkbooksAreRefused) {
  SKIP_WITHOUT_CORPUS();
  for (const QString& file : CorpusFiles({"*.xlsb", "*.ods"})) {
    SCOPED_TRACE(file.toStdString());
    EXPECT_THROW(OpenXlsx(file), WorkbookError);
  }
}

}  // namespace
}  // namespace brelloquin::workbook::testing
