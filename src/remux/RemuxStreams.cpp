#include "remux/RemuxStreams.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <algorithm>
#include <cstring>

namespace {

const char* LanguageName(const std::string& code)
{
  static const struct {
    const char* Codes;
    const char* Name;
  } names[] = {
      {"eng en", "English"}, {"fre fra fr", "French"},  {"ger deu de", "German"},     {"spa es", "Spanish"},
      {"ita it", "Italian"}, {"por pt", "Portuguese"},   {"dut nld nl", "Dutch"},      {"rus ru", "Russian"},
      {"jpn ja", "Japanese"}, {"chi zho zh", "Chinese"}, {"kor ko", "Korean"},         {"ara ar", "Arabic"},
      {"pol pl", "Polish"},  {"swe sv", "Swedish"},     {"dan da", "Danish"},         {"nor no nb", "Norwegian"},
      {"fin fi", "Finnish"}, {"tur tr", "Turkish"},     {"gre ell el", "Greek"},      {"cze ces cs", "Czech"},
      {"hun hu", "Hungarian"}, {"heb he", "Hebrew"},    {"hin hi", "Hindi"},          {"ukr uk", "Ukrainian"},
  };
  for (const auto& entry : names) {
    const std::string codes = std::string(" ") + entry.Codes + " ";
    if (codes.find(" " + code + " ") != std::string::npos)
      return entry.Name;
  }
  return nullptr;
}

const char* Ordinal(int n)
{
  static const char* const words[] = {"first", "second", "third", "fourth", "fifth", "sixth", "seventh", "eighth"};
  return n >= 1 && n <= 8 ? words[n - 1] : nullptr;
}

std::string SubtitleWords(int codecId, const std::string& codecName)
{
  switch (codecId) {
  case AV_CODEC_ID_SUBRIP:
  case AV_CODEC_ID_TEXT:
    return "SRT";
  case AV_CODEC_ID_MOV_TEXT:
    return "MP4 text";
  case AV_CODEC_ID_WEBVTT:
    return "WebVTT";
  case AV_CODEC_ID_DVD_SUBTITLE:
    return "DVD";
  case AV_CODEC_ID_HDMV_PGS_SUBTITLE:
    return "Blu-ray (PGS)";
  case AV_CODEC_ID_DVB_SUBTITLE:
    return "DVB";
  default:
    return codecName;
  }
}

const char* KindNoun(TFurtherStream::TKind kind)
{
  switch (kind) {
  case TFurtherStream::Sound:
    return "sound track";
  case TFurtherStream::Subtitles:
    return "subtitle track";
  case TFurtherStream::CoverArt:
    return "cover art";
  case TFurtherStream::Attachment:
    return "attachment";
  case TFurtherStream::Picture:
    return "picture track";
  default:
    return "data track";
  }
}

// "French sound track", "second sound track", "English SRT subtitle track", "TTF attachment".
// `Place` counts the file's streams of the kind from 1, its first sound track included.
std::string StreamLabel(const TFurtherStream& stream, int place)
{
  std::string label;
  // The language of a time code or sensor track, or of a font, says nothing.
  const bool spoken = stream.Kind != TFurtherStream::Data && stream.Kind != TFurtherStream::Attachment;
  if (const char* language = LanguageName(stream.Language); spoken && language != nullptr)
    label = std::string(language) + " ";
  else if (spoken && !stream.Language.empty())
    label = "\"" + stream.Language + "\" ";
  else if (stream.Kind == TFurtherStream::Sound && Ordinal(place) != nullptr)
    label = std::string(Ordinal(place)) + " ";
  if (stream.Kind == TFurtherStream::Subtitles)
    label += SubtitleWords(stream.Facts.CodecId, stream.Facts.CodecName) + " ";
  else if ((stream.Kind == TFurtherStream::Attachment || stream.Kind == TFurtherStream::Data) &&
           stream.Facts.CodecId != AV_CODEC_ID_NONE)
    label += stream.Facts.CodecName + " ";
  return label + KindNoun(stream.Kind);
}

std::string CountWords(int count, TFurtherStream::TKind kind)
{
  static const char* const numbers[] = {"no", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"};
  const std::string noun = KindNoun(kind);
  return (count < 10 ? std::string(numbers[count]) : std::to_string(count)) + " " + noun + (count == 1 ? "" : "s");
}

bool SameKind(const TFurtherStream& a, const TFurtherStream& b)
{
  return a.Kind == b.Kind && a.Facts.CodecId == b.Facts.CodecId;
}

// The file's stream of the same kind and codec as the first file's `rank`th such one, or null.
const TFurtherStream* Counterpart(const TCopyFormat& own, const TFurtherStream& model, int rank)
{
  for (const TFurtherStream& stream : own.Further)
    if (SameKind(stream, model) && rank-- == 0)
      return &stream;
  return nullptr;
}

// Sound and subtitles join file after file; the first file's cover art and attachments stand
// for the whole; further picture and data tracks (time codes, sensor data) have no seam rule.
bool Joinable(TFurtherStream::TKind kind)
{
  return kind == TFurtherStream::Sound || kind == TFurtherStream::Subtitles;
}

// A later file's cover art or attachment that the first file's stands for: the same picture or data.
bool SameContent(const TFurtherStream& a, const TFurtherStream& b)
{
  return SameKind(a, b) && a.PictureHash == b.PictureHash && a.Facts.ExtraDataSize == b.Facts.ExtraDataSize &&
         a.Facts.ExtraDataHash == b.Facts.ExtraDataHash;
}

bool Holds(const std::string& container, const TFurtherStream& stream)
{
  switch (stream.Kind) {
  case TFurtherStream::CoverArt:
    return (container == "MP4" || container == "MOV" || container == "MKV") &&
           (stream.Facts.CodecId == AV_CODEC_ID_MJPEG || stream.Facts.CodecId == AV_CODEC_ID_PNG);
  case TFurtherStream::Attachment:
    return container == "MKV";
  default:
    return ContainerCarries(container, stream.Facts.CodecId);
  }
}

std::string LabelOf(const TCopyFormat& format, const TFurtherStream& stream)
{
  int place = stream.Kind == TFurtherStream::Sound && format.Audio ? 1 : 0;
  for (const TFurtherStream& other : format.Further) {
    if (other.Kind == stream.Kind)
      ++place;
    if (&other == &stream)
      break;
  }
  return StreamLabel(stream, place);
}

} // namespace

TStreamMap MapFurtherStreams(const std::vector<TCopyInput>& Files, const std::string& OutContainer, bool WithSound)
{
  TStreamMap map;
  map.Unshared.resize(Files.size());
  if (Files.empty())
    return map;
  const TCopyFormat& first = *Files.front().Format;
  const std::string& firstName = Files.front().Name;
  struct TCandidate {
    TStreamMap::TKept Kept;
    std::string Why; // why it is left out; empty while it is kept
  };
  std::vector<TCandidate> candidates;
  std::vector<std::vector<bool>> used(Files.size());
  for (size_t i = 0; i < Files.size(); ++i)
    used[i].assign(Files[i].Format->Further.size(), false);
  for (size_t k = 0; k < first.Further.size(); ++k) {
    const TFurtherStream& stream = first.Further[k];
    if (stream.Kind == TFurtherStream::Sound && !WithSound)
      continue;
    TCandidate candidate;
    candidate.Kept.Kind = stream.Kind;
    candidate.Kept.Label = LabelOf(first, stream);
    candidate.Kept.Sources.assign(Files.size(), -1);
    candidate.Kept.Sources[0] = stream.Index;
    used[0][k] = true;
    if (stream.Kind == TFurtherStream::Picture || stream.Kind == TFurtherStream::Data)
      candidate.Why = firstName + ": its " + candidate.Kept.Label + " is left out";
    else if (!Holds(OutContainer, stream))
      candidate.Why = firstName + ": its " + candidate.Kept.Label + " is left out; " + OutContainer +
                      " files cannot hold it";
    int rank = 0;
    for (size_t j = 0; j < k; ++j)
      rank += SameKind(first.Further[j], stream) ? 1 : 0;
    // A track the first file cannot give the join is no difference of the others.
    const bool firstGives = candidate.Why.empty();
    for (size_t i = 1; i < Files.size() && Joinable(stream.Kind); ++i) {
      const TFurtherStream* own = Counterpart(*Files[i].Format, stream, rank);
      std::string why;
      if (own == nullptr) {
        why = Files[i].Name + " has no " + candidate.Kept.Label;
      } else {
        used[i][size_t(own - Files[i].Format->Further.data())] = true;
        candidate.Kept.Sources[i] = own->Index;
        if (stream.Kind == TFurtherStream::Sound)
          why = SoundDifference(Files[i].Name + ", " + LabelOf(*Files[i].Format, *own), stream.Facts, own->Facts);
        else if (own->Facts.ExtraDataSize != stream.Facts.ExtraDataSize ||
                 own->Facts.ExtraDataHash != stream.Facts.ExtraDataHash)
          why = Files[i].Name + ": its " + LabelOf(*Files[i].Format, *own) +
                " is set up otherwise than the first file's (other styles or colours)";
      }
      if (firstGives && !why.empty())
        map.Unshared[i].push_back(why);
      if (candidate.Why.empty())
        candidate.Why = why;
    }
    candidates.push_back(std::move(candidate));
  }
  auto kept = [&](TFurtherStream::TKind kind) {
    int count = kind == TFurtherStream::Sound && WithSound && first.Audio ? 1 : 0;
    for (const TCandidate& candidate : candidates)
      count += candidate.Why.empty() && candidate.Kept.Kind == kind ? 1 : 0;
    return count;
  };
  for (TCandidate& candidate : candidates) {
    if (candidate.Why.empty())
      map.Kept.push_back(std::move(candidate.Kept));
    else if (Joinable(candidate.Kept.Kind))
      map.LeftOut.push_back(candidate.Why + ": the join has " + CountWords(kept(candidate.Kept.Kind), candidate.Kept.Kind));
    else
      map.LeftOut.push_back(candidate.Why);
  }
  // What later files hold and the first does not; of cover art and attachments, the first file's
  // stand for all, and those of later files that differ from them are named.
  for (size_t i = 1; i < Files.size(); ++i)
    for (size_t k = 0; k < Files[i].Format->Further.size(); ++k) {
      const TFurtherStream& stream = Files[i].Format->Further[k];
      const std::string what = Files[i].Name + ": its " + LabelOf(*Files[i].Format, stream) + " is left out; ";
      if (Joinable(stream.Kind)) {
        if (!used[i][k] && (WithSound || stream.Kind != TFurtherStream::Sound)) {
          map.LeftOut.push_back(what + "the first file has none");
          map.Unshared[i].push_back(map.LeftOut.back());
        }
        continue;
      }
      if (stream.Kind != TFurtherStream::CoverArt && stream.Kind != TFurtherStream::Attachment)
        continue;
      // The first file's line, or its copy in the join, tells of the same picture or data.
      if (std::any_of(first.Further.begin(), first.Further.end(),
                      [&](const TFurtherStream& model) { return SameContent(model, stream); }))
        continue;
      const bool kind = std::any_of(map.Kept.begin(), map.Kept.end(),
                                    [&](const TStreamMap::TKept& kept) { return kept.Kind == stream.Kind; });
      if (!Holds(OutContainer, stream))
        map.LeftOut.push_back(what + OutContainer + " files cannot hold it");
      else if (kind)
        map.LeftOut.push_back(what + "the join keeps the first file's");
      else
        map.LeftOut.push_back(what + "the first file has none");
    }
  return map;
}

bool ContainerHoldsChapters(const std::string& Container)
{
  return Container == "MP4" || Container == "MOV" || Container == "MKV" || Container == "WEBM";
}
