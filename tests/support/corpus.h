#pragma once
// The public test workbooks are read in place from ../shared/corpus; a clone without that
// folder skips the tests that need them (CI has it and runs them all).

#include <gtest/gtest.h>

#include <QDir>
#include <QString>

namespace brelloquin::testing {

inline const QString kCorpusDir = QStringLiteral(BRELLOQUIN_CORPUS_DIR);

inline bool HaveCorpus() { return QDir(kCorpusDir).exists(); }

}  // namespace brelloquin::testing

// Skips the test, saying why, when the public corpus is not beside the repository.
#define SKIP_WITHOUT_CORPUS()                                                   \
  if (!::brelloquin::testing::HaveCorpus())                                     \
  GTEST_SKIP() << "the public test workbooks are not at " BRELLOQUIN_CORPUS_DIR \
                  " (they come with ../shared, which CI has)"
