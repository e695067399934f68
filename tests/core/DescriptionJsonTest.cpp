#include "core/DescribeFiles.h"
#include "core/DescriptionJson.h"
#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(DescriptionJson, StringsAreEscapedAndAlwaysValidUtf8)
{
  const struct {
    std::string Text, Json;
  } cases[] = {
      {"plain.avi", R"("plain.avi")"},
      {"say \"hi\"\\", R"("say \"hi\"\\")"},
      {"a\nb\tc\x01\x1f\x7f", R"("a\nb\tc\u0001\u001f\u007f")"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC", "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC\""},
      {"bad\xFFz", "\"bad\xEF\xBF\xBDz\""},                      // a byte no UTF-8 uses
      {"cut\xE2\x82", "\"cut\xEF\xBF\xBD\xEF\xBF\xBD\""},         // a sequence cut short
      {"over\xC0\xAF", "\"over\xEF\xBF\xBD\xEF\xBF\xBD\""},       // an overlong '/'
      {"sur\xED\xA0\x80", "\"sur\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""}, // a lone surrogate
      {std::string("nul\0x", 5), R"("nul\u0000x")"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(JsonString(c.Text), c.Json);
}

TEST(DescriptionJson, NumbersReadBackExactlyAndNonFiniteOnesAreNull)
{
  const struct {
    double Value;
    std::string Json;
  } cases[] = {{25, "25"}, {30000.0 / 1001, "29.97002997002997"}, {0.1, "0.1"}, {-2.5, "-2.5"},
               {1e300, "1e+300"}, {NAN, "null"}, {INFINITY, "null"}};
  for (const auto& c : cases)
    EXPECT_EQ(JsonNumber(c.Value), c.Json);
}

TEST(DescriptionJson, ObjectsHoldTheFactsOfTheRowOrTheError)
{
  TVideoFileInfo info;
  info.TypeName = "AVI";
  info.VideoFourCC = 0x34504D46; // FMP4
  info.Width = 640;
  info.Height = 480;
  info.FrameRate = 25;
  info.Duration = 3;
  EXPECT_EQ(DescriptionToJson("/v/a.avi", info),
            R"({"file": "/v/a.avi", "path": "/v/a.avi", "duration": 3, "container": "AVI", "codec": "FMP4", )"
            R"("width": 640, "height": 480, "frame_rate": 25, "audio": null})");
  info.TypeName = "MPEG1";
  info.HasAudio = true;
  info.SamplesPerSec = 44100;
  info.Channels = 2;
  info.BitsPerSample = 16;
  info.FormatTag = 0x50;
  EXPECT_TRUE(DescriptionToJson("/v/b.mpg", info)
                  .ends_with(R"("container": "MPEG1", "codec": null, "width": 640, "height": 480, "frame_rate": 25, )"
                             R"("audio": {"sample_rate": 44100, "channels": 2, "bits_per_sample": 16, "format_tag": 80}})"));
  EXPECT_EQ(FailedDescriptionToJson("x\".avi", "Win32 Error.  Code: 2.\nNo such file"),
            R"({"file": "x\".avi", "error": "Win32 Error.  Code: 2.\nNo such file"})");
}

TEST(DescribeFiles, GivesEveryFileItsOwnResultInTheOrderOfTheNames)
{
  TTempDir dir;
  const std::string good = MediaAviMpeg4Mp3(), other = MediaMpeg1System(), missing = dir.File("missing.avi");
  std::vector<std::string> names;
  for (int i = 0; i < 7; ++i)
    names.insert(names.end(), {good, missing, other});
  const auto results = DescribeFiles(names);
  ASSERT_EQ(results.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == missing) {
      EXPECT_FALSE(results[i].Info);
      EXPECT_EQ(results[i].Error.substr(0, 22), "Win32 Error.  Code: 2.");
    } else {
      ASSERT_TRUE(results[i].Info) << results[i].Error;
      EXPECT_EQ(results[i].Info->FileName, names[i]);
      EXPECT_EQ(results[i].Info->TypeName, names[i] == good ? "AVI" : "MPEG1");
    }
  }
  EXPECT_TRUE(DescribeFiles({}).empty());
}
