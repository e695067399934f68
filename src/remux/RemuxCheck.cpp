#include "remux/RemuxCheck.h"

#include "platform/OutputContainer.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

// This road writes the recompressing road's containers but AVI, and MPEG-TS, which keeps a
// broadcast or camcorder recording's own container.
const TOutputContainer TransportStream{"MPEG-TS", "TS", "mpegts", {".ts", ".m2ts", ".mts"}, {}, {}, "", ""};

const TOutputContainer* Find(const std::string& container)
{
  if (container == TransportStream.TypeName)
    return &TransportStream;
  for (const TOutputContainer& entry : OutputContainers())
    if (!IsAvi(entry) && container == entry.TypeName)
      return &entry;
  return nullptr;
}

std::string Lower(std::string text)
{
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

// FFmpeg's tag tables list these for MP4 and MOV, but its muxer refuses them when the header is
// written (Opus, FLAC, VP9 and AV1 only in MP4; FLAC and TrueHD in MP4 only as an experiment), so
// a join would fail after its checks had passed.
bool QuickTimeRefuses(const std::string& container, int codecId)
{
  switch (codecId) {
  case AV_CODEC_ID_FLAC:
  case AV_CODEC_ID_TRUEHD:
  case AV_CODEC_ID_VP8:
    return container == "MOV" || container == "MP4";
  case AV_CODEC_ID_OPUS:
  case AV_CODEC_ID_VP9:
  case AV_CODEC_ID_AV1:
    return container == "MOV";
  default:
    return false;
  }
}

// MPEG-TS names no codecs of its own; these are the ones its readers know.
bool TsCarries(int codecId)
{
  switch (codecId) {
  case AV_CODEC_ID_H264:
  case AV_CODEC_ID_HEVC:
  case AV_CODEC_ID_MPEG1VIDEO:
  case AV_CODEC_ID_MPEG2VIDEO:
  case AV_CODEC_ID_AAC:
  case AV_CODEC_ID_MP2:
  case AV_CODEC_ID_MP3:
  case AV_CODEC_ID_AC3:
  case AV_CODEC_ID_EAC3:
  case AV_CODEC_ID_OPUS:
  case AV_CODEC_ID_DVB_SUBTITLE:
  case AV_CODEC_ID_DVB_TELETEXT:
    return true;
  default:
    return false;
  }
}

bool CanCarry(const std::string& container, const TCopyFormat& format)
{
  for (const auto& facts : {format.Video, format.Audio})
    if (facts && !ContainerCarries(container, facts->CodecId))
      return false;
  return true;
}

// "H.264" reads better than FFmpeg's "H264" in a sentence.
std::string CodecWords(const TStreamFacts& facts)
{
  if (facts.CodecName == "H264")
    return "H.264";
  return facts.CodecName;
}

std::string PictureWords(const TStreamFacts& facts)
{
  return std::to_string(facts.Width) + "x" + std::to_string(facts.Height) + " " + CodecWords(facts);
}

std::string SoundWords(const TStreamFacts& facts)
{
  return std::to_string(facts.SampleRate) + " Hz " + facts.ChannelLayout + " " + CodecWords(facts);
}

std::string SarWords(const TStreamFacts& facts)
{
  if (facts.SarNum == 0)
    return "square pixels";
  return "a sample aspect ratio of " + std::to_string(facts.SarNum) + ":" + std::to_string(facts.SarDen);
}

std::string RotationWords(const TStreamFacts& facts)
{
  return facts.Rotation == 0 ? "no rotation" : "a rotation of " + std::to_string(facts.Rotation) + " degrees";
}

// "NAME: what it has; the first file has what it has".
std::string Differs(const std::string& name, const std::string& own, const std::string& verb, const std::string& first)
{
  return name + ": " + own + "; the first file " + verb + " " + first;
}

// Why a file's setup data cannot stand in for the first file's; empty when they can. Where
// decoding's fields are known, they alone decide: files that differ only in what decoding does
// not read (the frame rate in H.264's VUI, say) are joined with the first file's.
std::string SetupDifference(const std::string& name, const TStreamFacts& first, const TStreamFacts& own)
{
  const std::string differ = name + ": its " + CodecWords(own) + " setup data differ from the first file's";
  const auto& a = first.DecodingSetup;
  const auto& b = own.DecodingSetup;
  if (a.empty() || b.empty()) {
    const bool same = own.ExtraDataSize == first.ExtraDataSize && own.ExtraDataHash == first.ExtraDataHash;
    return same ? "" : differ + " (another encoder or other settings)";
  }
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (a[i].Name != b[i].Name)
      return differ + " (another encoder or other settings)";
    if (b[i].Value == a[i].Value || (a[i].Rule == TSetupField::TRule::AtMost && b[i].Value < a[i].Value))
      continue;
    if (a[i].Rule == TSetupField::TRule::Bytes)
      return differ + " in the " + a[i].Name;
    return differ + " in " + a[i].Name + " (" + std::to_string(b[i].Value) + "; the first file has " +
           std::to_string(a[i].Value) + ")";
  }
  return a.size() == b.size() ? "" : differ + " (another encoder or other settings)";
}

std::string PictureDifference(const std::string& name, const TStreamFacts& first, const TStreamFacts& own,
                              const std::string& outContainer)
{
  if (own.CodecId != first.CodecId || own.Width != first.Width || own.Height != first.Height)
    return Differs(name, PictureWords(own), "is", PictureWords(first));
  if (own.Profile != first.Profile)
    return Differs(name, CodecWords(own) + " " + own.Profile + " profile", "has",
                   CodecWords(first) + " " + first.Profile + " profile");
  if (own.PixelFormat != first.PixelFormat)
    return Differs(name, "pixel format " + own.PixelFormat, "has", first.PixelFormat);
  if (own.SarNum != first.SarNum || own.SarDen != first.SarDen)
    return Differs(name, SarWords(own), "has", SarWords(first));
  if (own.FieldOrder != first.FieldOrder)
    return Differs(name, own.FieldOrder + " picture", "is", first.FieldOrder);
  if (own.Colours != first.Colours)
    return Differs(name, "colours " + own.Colours, "has", first.Colours);
  if (own.Rotation != first.Rotation)
    return Differs(name, RotationWords(own), "has", RotationWords(first));
  if (own.AnnexB != first.AnnexB)
    return Differs(name, CodecWords(own) + (own.AnnexB ? " with start codes" : " without start codes"), "has",
                   first.AnnexB ? "start codes" : "none");
  // One output holds one set of setup data, unless the stream itself carries its parameter sets
  // and the container lets them change on the way.
  if (own.AnnexB && outContainer == "TS")
    return "";
  return SetupDifference(name, first, own);
}

std::string SoundDifference(const std::string& name, const TCopyFormat& first, const TCopyFormat& own)
{
  if (!own.Audio && !first.Audio)
    return "";
  if (!own.Audio)
    return Differs(name, "no sound", "has", SoundWords(*first.Audio));
  if (!first.Audio)
    return Differs(name, SoundWords(*own.Audio), "has", "no sound");
  return ::SoundDifference(name, *first.Audio, *own.Audio);
}

} // namespace

std::string SoundDifference(const std::string& name, const TStreamFacts& b, const TStreamFacts& a)
{
  if (a.CodecId != b.CodecId || a.SampleRate != b.SampleRate || a.ChannelLayout != b.ChannelLayout)
    return Differs(name, SoundWords(a), "has", SoundWords(b));
  if (a.SampleFormat != b.SampleFormat)
    return Differs(name, CodecWords(a) + " samples in " + a.SampleFormat, "has", b.SampleFormat);
  return SetupDifference(name, b, a);
}

bool ContainerCarries(const std::string& Container, int CodecId)
{
  if (Container == "TS")
    return TsCarries(CodecId);
  if (QuickTimeRefuses(Container, CodecId))
    return false;
  const TOutputContainer* entry = Find(Container);
  return entry != nullptr && ContainerCarries(*entry, AVCodecID(CodecId));
}

bool IsRemuxContainer(const std::string& Container)
{
  return Find(Container) != nullptr;
}

std::string ContainerExtension(const std::string& Container)
{
  const TOutputContainer* entry = Find(Container);
  return entry != nullptr ? entry->Extensions.front() : "";
}

const char* MuxerName(const std::string& Container)
{
  const TOutputContainer* entry = Find(Container);
  return entry != nullptr ? entry->Muxer.c_str() : "";
}

std::string ContainerNamedBy(const std::string& OutputFileName)
{
  const std::vector<std::string>& ts = TransportStream.Extensions;
  if (std::find(ts.begin(), ts.end(), Lower(std::filesystem::path(OutputFileName).extension().string())) != ts.end())
    return TransportStream.TypeName;
  const TOutputContainer& named = ContainerOfFile(OutputFileName);
  return IsAvi(named) ? "" : named.TypeName;
}

std::string OutputContainerFor(const std::string& OutputFileName, const TCopyFormat& First)
{
  const std::string named = ContainerNamedBy(OutputFileName);
  return !named.empty() && CanCarry(named, First) ? named : First.Container;
}

TCopyJoinCheck CheckCopyJoin(const std::vector<TCopyInput>& Files, const std::string& OutContainer)
{
  TCopyJoinCheck check;
  if (Files.empty())
    return check;
  const TCopyFormat& first = *Files.front().Format;
  if (!first.Video) {
    check.Refusal = Files.front().Name + ": no picture to join by";
    return check;
  }
  if (!IsRemuxContainer(OutContainer)) {
    check.Refusal = Files.front().Name + ": " + OutContainer + " files are joined only with recompression";
    return check;
  }
  if (!CanCarry(OutContainer, first)) {
    check.Refusal = OutContainer + " files cannot hold the first file's streams";
    return check;
  }
  for (const TCopyInput& file : Files) {
    const TCopyFormat& own = *file.Format;
    if (check.Refusal.empty()) {
      if (!IsRemuxContainer(own.Container))
        check.Refusal = file.Name + ": " + own.Container + " file; the first file is " + first.Container;
      else if (!own.Video)
        check.Refusal = Differs(file.Name, "no picture", "has", PictureWords(*first.Video));
      else
        check.Refusal = PictureDifference(file.Name, *first.Video, *own.Video, OutContainer);
    }
    if (check.SoundDifference.empty())
      check.SoundDifference = SoundDifference(file.Name, first, own);
  }
  return check;
}
