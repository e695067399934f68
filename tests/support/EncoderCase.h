#pragma once

#include "support/TestSupport.h"

#include <gtest/gtest.h>

// A row of a table-driven test that needs an encoder (`TCase::Encoder`) this machine's ffmpeg may
// not have: skipped without it, rather than failed.
template <typename TCase> class TEncoderCase : public testing::TestWithParam<TCase> {
protected:
  void SetUp() override
  {
    if (!HasEncoder(this->GetParam().Encoder))
      GTEST_SKIP() << this->GetParam().Encoder << " is not installed";
  }
};
