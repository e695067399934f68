#pragma once

#include "platform/ParameterSets.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVStream;

// What a stream's packets need of a decoder: the facts that decide whether packets of several
// files can follow one another in one output without recompression.
struct TStreamFacts {
  int CodecId = 0;       // FFmpeg's AVCodecID
  std::string CodecName; // FFmpeg's short name in capitals: "H264", "AAC"
  std::string Profile;   // "High"; empty when the codec names none
  // Picture
  int Width = 0;
  int Height = 0;
  std::string PixelFormat; // "yuv420p"
  int SarNum = 0;          // sample aspect ratio; 0:1 when the file does not say
  int SarDen = 1;
  std::string FieldOrder; // "progressive", "top field first", ...
  std::string Colours;    // range, primaries, transfer and matrix: "tv bt709/bt709/bt709"
  int Rotation = 0;       // degrees clockwise, 0 to 359
  // Sound
  int SampleRate = 0;
  std::string ChannelLayout; // "stereo"
  std::string SampleFormat;  // "fltp"
  // The decoder's setup data (parameter sets, AudioSpecificConfig, ...)
  int64_t ExtraDataSize = 0;
  uint64_t ExtraDataHash = 0;
  // What decoding reads of them, where this program can tell (H.264, HEVC); else empty.
  std::vector<TSetupField> DecodingSetup;
  // H.264 or HEVC with start codes, whose parameter sets travel in the stream itself.
  bool AnnexB = false;
};

// A stream besides the first picture and the first sound: a further sound track, subtitles, cover
// art, an attachment (a Matroska font) or another picture or data track.
struct TFurtherStream {
  int Index = -1; // in its file
  enum TKind { Sound, Subtitles, CoverArt, Attachment, Picture, Data } Kind = Data;
  TStreamFacts Facts;
  std::string Language; // as the file tags it ("fre"); empty when it does not
  uint64_t PictureHash = 0; // cover art: of its picture, by which one cover in several files is told
};

// The container and the streams a copy join takes from one file.
struct TCopyFormat {
  std::string Container;             // "MP4", "MOV", "MKV", "WEBM", "TS", or FFmpeg's name in capitals
  std::optional<TStreamFacts> Video; // the first video track
  std::optional<TStreamFacts> Audio; // the first sound stream
  std::vector<TFurtherStream> Further; // in the file's order
  int Chapters = 0;
};

// The index of the first video track or sound stream, or -1.
int FirstVideoTrack(const AVFormatContext* Context);
int FirstAudioStream(const AVFormatContext* Context);

TStreamFacts StreamFactsOf(const AVStream* Stream);
// FileName tells Matroska from WebM by the document type in its first bytes.
TCopyFormat CopyFormatOf(const AVFormatContext* Context, const std::string& FileName);
