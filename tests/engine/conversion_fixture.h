#pragma once
// A conversion engine over a temporary folder, with its messages recorded.

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

#include "data_access/dbase_catalog.h"
#include "engine/recording_presenter.h"
#include "modDBF.h"

namespace brelloquin::testing {

class ConversionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    UseCodePage(1252);
  }
  void UseCodePage(int codePage) {
    engine_.host().codePage = *text::CodePage::FromWindows(codePage);
  }
  QString Path(const QString& name) const { return dir_.filePath(name); }

  // The "Application Error" reports and refusals shown so far.
  QStringList Reports() const {
    QStringList texts;
    for (const auto& m : presenter_.messages)
      if (m.style == shell::kStyleExclamation) texts << m.text;
    return texts;
  }

  QTemporaryDir dir_;
  RecordingPresenter presenter_;
  bool firstLine_ = true;
  modDBF engine_{EngineHost{presenter_, [this] { return firstLine_; }}};
};

}  // namespace brelloquin::testing
