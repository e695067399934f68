#include "dshow/DSEnum.h"

#include <gtest/gtest.h>

TEST(DSEnum, AppendsToTheGivenListsInCategoryOrder)
{
  const auto category = ListCompressorCategory(true);
  std::vector<std::string> names{"No-compressing"};
  std::vector<TCompressorMonikerPtr> monikers{nullptr};
  EnumCompressors(true, &names, &monikers);
  ASSERT_EQ(names.size(), category.size() + 1);
  ASSERT_EQ(monikers.size(), names.size());
  EXPECT_EQ(names.front(), "No-compressing");
  EXPECT_EQ(monikers.front(), nullptr);
  for (size_t i = 0; i < category.size(); ++i) {
    EXPECT_EQ(names[i + 1], category[i].FriendlyName);
    EXPECT_EQ(monikers[i + 1], category[i].Moniker);
  }

  std::vector<std::string> videoNames;
  EnumCompressors(false, &videoNames, nullptr);
  EXPECT_EQ(videoNames.size(), ListCompressorCategory(false).size());
  std::vector<TCompressorMonikerPtr> videoMonikers;
  EnumCompressors(false, nullptr, &videoMonikers);
  EXPECT_EQ(videoMonikers.size(), videoNames.size());
}
