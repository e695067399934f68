#pragma once

#include "platform/StreamFacts.h"

#include <string>
#include <vector>

// Whether files of today's containers can be joined by copying their packets into one output,
// and if not, why, in words the user understands.

// MP4, MOV, MKV, WEBM and TS files are joined by copying their packets.
bool IsRemuxContainer(const std::string& Container);
// ".mp4" for "MP4"; empty for a container this road does not write.
std::string ContainerExtension(const std::string& Container);
// The one of this road's containers that the output's name ends in the extension of; empty for none.
std::string ContainerNamedBy(const std::string& OutputFileName);
// The container the output's name asks for when it is one of this road's and can carry the first
// file's streams; else the first file's own.
std::string OutputContainerFor(const std::string& OutputFileName, const TCopyFormat& First);
// Whether one of this road's containers holds packets of that codec (FFmpeg's AVCodecID).
bool ContainerCarries(const std::string& Container, int CodecId);
// FFmpeg's muxer for one of this road's containers.
const char* MuxerName(const std::string& Container);

struct TCopyInput {
  std::string Name; // as the user knows it: the file name without its folder
  const TCopyFormat* Format = nullptr;
};

struct TCopyJoinCheck {
  // Why the pictures cannot be joined: "clip3.mp4: 1920x1080 HEVC; the first file is 1280x720
  // H.264". Empty when they can.
  std::string Refusal;
  // Why the sound cannot be joined (a file without sound, or of another format); the join then
  // goes without sound, as for AVI files. Empty when every file's sound fits the first's.
  std::string SoundDifference;
};

// Every file against the first, for an output of OutContainer; the first difference found tells.
TCopyJoinCheck CheckCopyJoin(const std::vector<TCopyInput>& Files, const std::string& OutContainer);

// Why a sound stream of the file `Name` cannot follow the first file's: "clip2.mkv: 44100 Hz mono
// AAC; the first file has 48000 Hz stereo AAC"; empty when it can.
std::string SoundDifference(const std::string& Name, const TStreamFacts& First, const TStreamFacts& Own);
