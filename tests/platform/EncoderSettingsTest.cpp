#include "platform/EncoderSettings.h"
#include "platform/Compressors.h"
#include "platform/Exceptions.h"
#include "platform/OutputContainer.h"

#include <gtest/gtest.h>

using TOptions = std::map<std::string, std::string>;

TEST(OutputContainer, FollowsTheNamesExtensionAndIsAviOtherwise)
{
  const std::pair<const char*, const char*> cases[] = {
      {"a.mp4", "mp4"},      {"a.M4V", "mp4"}, {"dir.mkv/a.mov", "mov"}, {"a.mkv", "matroska"},
      {"a.webm", "webm"},    {"a.avi", "avi"}, {"a.mpg", "avi"},         {"a", "avi"},
      {"a.mp4.part", "avi"}, {".mp4", "avi"},  {"/x/y.Mkv", "matroska"},
  };
  for (const auto& [name, muxer] : cases)
    EXPECT_EQ(ContainerOfFile(name).Muxer, muxer) << name;
  EXPECT_TRUE(IsAvi(ContainerOfFile("a.avi")));
  EXPECT_FALSE(IsAvi(ContainerOfFile("a.mp4")));
}

TEST(OutputContainer, SaysWhatItCannotCarry)
{
  struct TCase {
    const char* Name;
    bool Audio;
    const char* Encoder;
    const char* Problem;
  };
  const TCase cases[] = {
      {"a.mp4", false, "libx264", ""},
      {"a.mp4", false, "wmv2", "MP4 files cannot carry Windows Media Video 8 (wmv2)"},
      {"a.mp4", false, "", "MP4 files cannot carry uncompressed video"},
      {"a.mkv", false, "", ""},
      {"a.webm", true, "libopus", ""},
      {"a.webm", true, "aac", "WebM files cannot carry AAC (aac)"},
      {"a.webm", false, "libx264", "WebM files cannot carry H.264 (libx264)"},
      {"a.avi", false, "", ""},
      {"a.avi", true, "", ""},
      {"a.avi", false, "mpeg4", ""},
  };
  for (const TCase& test : cases)
    EXPECT_EQ(CarryProblem(ContainerOfFile(test.Name), test.Audio, test.Encoder), test.Problem)
        << test.Name << " " << test.Encoder;
}

TEST(OutputContainer, ListsTheSuitedEncodersFirstUnderShortNames)
{
  struct TCase {
    const char* Name;
    bool Audio;
    std::vector<std::string> Leading;
  };
  const TCase cases[] = {
      {"a.mp4", false, {"H.264 (libx264)", "HEVC (libx265)"}},
      {"a.mp4", true, {"AAC (aac)", "MP3 (libmp3lame)", "Opus (libopus)"}},
      {"a.webm", false, {"VP9 (libvpx-vp9)"}},
      {"a.webm", true, {"Opus (libopus)", "Vorbis (libvorbis)", ""}},
  };
  for (const TCase& test : cases) {
    const auto entries = ListCompressorsFor(test.Audio, ContainerOfFile(test.Name));
    ASSERT_GT(entries.size(), test.Leading.size()) << test.Name;
    for (size_t i = 0; i < test.Leading.size(); ++i)
      EXPECT_EQ(entries[i].FriendlyName, test.Leading[i]) << test.Name << " " << i;
    // One separator, then the rest, among them what the container cannot carry.
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(), [](const auto& e) { return !e.Moniker; }), 1);
  }
  EXPECT_EQ(ListCompressorsFor(false, ContainerOfFile("a.avi")).size(), ListCompressorCategory(false).size());
}

TEST(EncoderSettings, KnobsSetTheEncodersOwnOptions)
{
  struct TCase {
    std::string Encoder;
    TKnobKind Kind;
    std::string Value;
    TOptions Options; // what the filter holds afterwards, starting empty
  };
  const TCase cases[] = {
      {"libx264", TKnobKind::Quality, "18", {{"crf", "18"}}},
      {"libx264", TKnobKind::Preset, "veryfast", {{"preset", "veryfast"}}},
      {"libvpx-vp9", TKnobKind::Quality, "40", {{"crf", "40"}, {"b", "0"}}},
      {"mpeg4", TKnobKind::Quality, "5", {{"flags", "+qscale"}, {"global_quality", "590"}}},
      {"aac", TKnobKind::BitRate, "256k", {{"b", "256k"}}},
      {"libx264", TKnobKind::Quality, "", {}},
  };
  for (const TCase& test : cases) {
    TCompressorFilter filter{test.Encoder, false, {}};
    SetKnobValue(filter, test.Kind, test.Value);
    EXPECT_EQ(filter.Options, test.Options) << test.Encoder << " " << test.Value;
    for (const TEncoderKnob& knob : EncoderKnobs(test.Encoder)) {
      if (knob.Kind == test.Kind) {
        EXPECT_EQ(KnobValue(filter, knob), test.Value) << test.Encoder;
      }
    }
  }
  TCompressorFilter filter{"libx264", false, {{"crf", "18"}}};
  for (const auto& [kind, value] : {std::pair{TKnobKind::Quality, "52"},
                                    {TKnobKind::Quality, "2x"},
                                    {TKnobKind::Preset, "warp"},
                                    {TKnobKind::BitRate, "128k"}})
    EXPECT_THROW(SetKnobValue(filter, kind, value), Exception) << value;
  EXPECT_EQ(filter.Options, (TOptions{{"crf", "18"}}));
}

TEST(EncoderSettings, NewFiltersStartFromGoodDefaults)
{
  const std::pair<const char*, TOptions> cases[] = {
      {"libx264", {{"crf", "20"}, {"preset", "medium"}}},
      {"aac", {{"b", "192k"}}},
      {"libvpx-vp9", {{"crf", "32"}, {"b", "0"}, {"cpu-used", "4"}, {"row-mt", "1"}}},
      {"mpeg4", {}},
      {"mp2", {}},
  };
  for (const auto& [encoder, options] : cases) {
    EXPECT_EQ(DefaultEncoderOptions(encoder), options) << encoder;
    // Every default is a value the encoder takes.
    for (const auto& [name, value] : options)
      EXPECT_TRUE(EncoderAccepts(encoder, name, value)) << encoder << " " << name;
  }
  EXPECT_EQ(FindCompressor(false, "H.264 (libx264)")->BindToObject()->Options.at("crf"), "20");
}
