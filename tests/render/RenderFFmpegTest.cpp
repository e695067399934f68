#include "dshow/RenderFFmpeg.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(RenderFFmpeg, FailuresNameTheInputTheyConcern)
{
  const struct {
    int Code;
    std::string File;
    std::string Message;
  } cases[] = {
      {AVERROR_INVALIDDATA, "clip.avi",
       "DirectShow Error: BEBBB1B7 (Invalid data found when processing input): clip.avi"},
      {AVERROR_INVALIDDATA, "", "DirectShow Error: BEBBB1B7 (Invalid data found when processing input)"},
      {AVERROR(ENOENT), "clip.avi", "Win32 Error.  Code: 2.\nNo such file or directory: clip.avi"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ErrorOf([&] { CheckAVError(c.Code, c.File); }), c.Message) << c.Code;
  EXPECT_NO_THROW(CheckAVError(0, "clip.avi"));
}
