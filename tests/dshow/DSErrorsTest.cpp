#include "dshow/DSErrors.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/error.h>
}

TEST(DSErrors, EveryCodeButZeroRaisesItInUpperCaseHexadecimalWithFFmpegsReason)
{
  EXPECT_NO_THROW(CheckDSError(0));
  const struct {
    int32_t Code;
    const char* Message;
  } cases[] = {
      {1, "DirectShow Error: 1"}, // a success code other than 0 raises too
      {0xABC, "DirectShow Error: ABC"},
      {int32_t(0x80004005), "DirectShow Error: 80004005"}, // no code FFmpeg knows
      {INT32_MIN, "DirectShow Error: 80000000"},
      {-1, "DirectShow Error: FFFFFFFF (Operation not permitted)"},
      {AVERROR_INVALIDDATA, "DirectShow Error: BEBBB1B7 (Invalid data found when processing input)"},
      {AVERROR_EXTERNAL, "DirectShow Error: DFABA7BB (Generic error in an external library)"},
      {AVERROR(ENOSPC), "DirectShow Error: FFFFFFE4 (No space left on device)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ErrorOf([&] { CheckDSError(c.Code); }), c.Message) << c.Code;
}
