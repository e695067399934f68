#pragma once

extern "C" {
#include <libavcodec/codec.h>
}

#include <string>
#include <vector>

// The file type a recompressing join writes, chosen by the output name's extension.
struct TOutputContainer {
  std::string Name;                    // as messages and dialogs name it: "MP4"
  std::string TypeName;                // as the Type column names files of it: "MOV"
  std::string Muxer;                   // libavformat's short name
  std::vector<std::string> Extensions; // lower case, with the full stop; the first is the usual one
  // The encoders that play well in it, in the order the lists offer them; those not installed or
  // not carried are left out of the lists.
  std::vector<std::string> SuitedVideo;
  std::vector<std::string> SuitedAudio;
  std::string DefaultVideo; // encoder names; empty for AVI, whose default is uncompressed
  std::string DefaultAudio;
};

// AVI first, then the others in the order the Save dialog offers them.
const std::vector<TOutputContainer>& OutputContainers();
// The container whose extension a file name has; null for none or an unknown one.
const TOutputContainer* ContainerNamedIn(const std::string& FileName);
// The container for a file name; AVI for any extension that is not one of the others.
const TOutputContainer& ContainerOfFile(const std::string& FileName);
bool IsAvi(const TOutputContainer& Container);
// Whether libavformat writes this codec into the container.
bool ContainerCarries(const TOutputContainer& Container, AVCodecID Codec);
// A short name a person reads: "H.264 (libx264)"; empty for an encoder of no well-known codec.
std::string ReadableEncoderName(const AVCodec* Codec);
