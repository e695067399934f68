#include "dshow/DSErrors.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

namespace {

std::string MessageOf(int32_t code)
{
  try {
    CheckDSError(code);
  } catch (const Exception& e) {
    return e.what();
  }
  return "no exception";
}

} // namespace

TEST(DSErrors, EveryCodeButZeroRaisesItInUpperCaseHexadecimal)
{
  EXPECT_NO_THROW(CheckDSError(0));
  EXPECT_EQ(MessageOf(1), "DirectShow Error: 1"); // a success code other than 0 raises too
  EXPECT_EQ(MessageOf(0xABC), "DirectShow Error: ABC");
  EXPECT_EQ(MessageOf(int32_t(0x80004005)), "DirectShow Error: 80004005");
  EXPECT_EQ(MessageOf(-1), "DirectShow Error: FFFFFFFF");
  EXPECT_EQ(MessageOf(INT32_MIN), "DirectShow Error: 80000000");
}
