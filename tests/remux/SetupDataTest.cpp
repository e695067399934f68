#include "platform/MediaInput.h"
#include "platform/ParameterSets.h"
#include "platform/StreamFacts.h"
#include "remux/RemuxCheck.h"
#include "support/TestSupport.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

namespace {

const char* const X264 = "-c:v libx264 -preset veryfast -g 25 -pix_fmt yuv420p -bf 2";
const char* const X265 = "-c:v libx265 -preset ultrafast -pix_fmt yuv420p -tag:v hvc1 -x265-params log-level=none";

// A second of test picture made by x264 (or x265) with these arguments after the input's.
std::string Encoded(const std::string& name, const std::string& rate, const std::string& args)
{
  return MakeMedia(name, "-f lavfi -i testsrc=s=160x120:r=" + rate + ":d=1 " + args);
}

TCopyFormat FormatOf(const std::string& file)
{
  TMediaInput input;
  EXPECT_EQ(input.Open(file), 0) << file;
  return input.Context() != nullptr ? CopyFormatOf(input.Context(), file) : TCopyFormat();
}

std::vector<uint8_t> ExtraDataOf(const std::string& file)
{
  TMediaInput input;
  EXPECT_EQ(input.Open(file), 0) << file;
  const AVCodecParameters* par = input.Context()->streams[FirstVideoTrack(input.Context())]->codecpar;
  return std::vector<uint8_t>(par->extradata, par->extradata + par->extradata_size);
}

bool SameFields(const std::vector<TSetupField>& a, const std::vector<TSetupField>& b)
{
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].Name != b[i].Name || a[i].Value != b[i].Value || a[i].Rule != b[i].Rule)
      return false;
  return true;
}

} // namespace

TEST(SetupData, FilesThatDecodeAlikeJoinAndOthersAreRefusedNamingTheField)
{
  const std::string base = Encoded("setup-base.mp4", "25", X264);
  // Rate control with a buffer: HRD parameters, and a higher level for the promised bit rate.
  const std::string hrd =
      Encoded("setup-hrd.mp4", "25", std::string(X264) + " -x264-params nal-hrd=vbr -maxrate 300k -bufsize 600k");
  const std::string hevc = Encoded("setup-hevc.mov", "25", X265);
  const struct {
    std::string First, Second;
    const char* Refusal;
  } cases[] = {
      // x264 and x265 write the frame rate into the VUI's timing information, x265 also into its
      // level and the hvcC header.
      {base, Encoded("setup-30fps.mp4", "30", X264), ""},
      {hevc, Encoded("setup-hevc-30fps.mov", "30", X265), ""},
      // The bit rate's promises: HRD parameters, and a higher level.
      {hrd, base, ""},
      {base, hrd, ""},
      // Without B-frame pyramids x264 counts pictures with fewer bits: the slices read otherwise.
      {base, Encoded("setup-flat.mp4", "25", std::string(X264) + " -x264-params b-pyramid=none"),
       "setup-flat.mp4: its H.264 setup data differ from the first file's in log2_max_pic_order_cnt_lsb_minus4 (1; the "
       "first file has 2)"},
      // More reference pictures: the picture parameter set's defaults differ.
      {base, Encoded("setup-refs.mp4", "25", std::string(X264) + " -refs 4"),
       "setup-refs.mp4: its H.264 setup data differ from the first file's in the picture parameter set"},
      // The first file's picture buffer is smaller than the second file needs.
      {Encoded("setup-hevc-nob.mov", "25", std::string(X265) + ":bframes=0"), hevc,
       "setup-hevc.mov: its HEVC setup data differ from the first file's in max_dec_pic_buffering_minus1 (4; the first "
       "file has 2)"},
  };
  for (const auto& c : cases) {
    const TCopyFormat first = FormatOf(c.First);
    const TCopyFormat second = FormatOf(c.Second);
    ASSERT_FALSE(first.Video->DecodingSetup.empty());
    const std::string secondName = c.Second.substr(c.Second.rfind('/') + 1);
    EXPECT_EQ(CheckCopyJoin({{"first", &first}, {secondName, &second}}, first.Container).Refusal, c.Refusal) << secondName;
  }
}

TEST(SetupData, DamagedSetupDataNeverPassesForTheWhole)
{
  const std::vector<uint8_t> avcC = ExtraDataOf(Encoded("setup-base.mp4", "25", X264));
  // The same parameter sets as an MPEG-TS stream carries them.
  const std::vector<uint8_t> annexB = ExtraDataOf(Encoded("setup-base.ts", "25", std::string(X264) + " -f mpegts"));
  const std::vector<uint8_t> hvcC = ExtraDataOf(Encoded("setup-hevc.mov", "25", X265));
  for (const auto* data : {&avcC, &annexB, &hvcC}) {
    const AVCodecID codec = data == &hvcC ? AV_CODEC_ID_HEVC : AV_CODEC_ID_H264;
    const auto whole = DecodingSetupOf(codec, data->data(), int(data->size()));
    ASSERT_FALSE(whole.empty());
    // avcC's last four bytes repeat the High profile's chroma format and bit depths of the SPS.
    const size_t sets = data == &avcC ? data->size() - 4 : data->size();
    for (size_t size = 0; size < sets; ++size) {
      const std::vector<uint8_t> cut(data->begin(), data->begin() + ptrdiff_t(size));
      EXPECT_FALSE(SameFields(DecodingSetupOf(codec, cut.data(), int(cut.size())), whole)) << size;
    }
    // Any bit of it flipped: read without reading out of bounds.
    for (size_t bit = 0; bit < data->size() * 8; ++bit) {
      std::vector<uint8_t> flipped = *data;
      flipped[bit / 8] ^= uint8_t(0x80 >> (bit % 8));
      DecodingSetupOf(codec, flipped.data(), int(flipped.size()));
    }
  }
}
