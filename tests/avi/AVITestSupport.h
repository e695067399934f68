#pragma once

#include "avi/AVIFormat.h"
#include "platform/JoinOutcome.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using TBytes = std::vector<uint8_t>;

// Byte builders for hand-made RIFF files.
TBytes Le32(uint32_t value);
TBytes Chunk(const char* id, const TBytes& data);
TBytes List(const char* id, const char* type, std::initializer_list<TBytes> parts);
TBytes StreamHeaderBytes(const TAVIStreamHeader& header);
TBytes MainHeaderBytes(const TAVIMainHeader& header);
TBytes VideoFormat(int32_t width, int32_t height); // a 40-byte BITMAPINFOHEADER
TBytes AudioFormat(uint16_t blockAlign);           // an 18-byte WAVEFORMATEX
TAVIStreamHeader MakeStreamHeader(const char* type, uint32_t scale, uint32_t rate, uint32_t sampleSize = 0);

// Positions of every occurrence of a FourCC in a file's bytes.
std::vector<size_t> FindAll(const TBytes& bytes, const char* fourcc);
uint32_t At32(const TBytes& bytes, size_t position);

// Inputs made by the ffmpeg command: MPEG-4 video and MP3 audio at 640x480 and 25 fps.
std::string MediaAudioFirst(); // the audio stream is stream 0
std::string MediaTwoAudio();   // video, then two audio streams
std::string MediaNoVideo();    // audio only
// A copy of `source` whose 'idx1' offsets are absolute chunk header positions.
std::string MakeAbsoluteIdx1Copy(const std::string& source, const std::string& target);

// A copy join of `files` by the Stitchbox; what it did.
TJoinOutcome StitchboxJoin(const std::vector<std::string>& files, const std::string& output, bool videoOnly = false,
                           bool keepSound = true);
