#pragma once

extern "C" {
#include <libavformat/avio.h>
}

#include <string>

// Opens a file for FFmpeg's muxers, the counterpart of TMediaInput: the name is a local file,
// never a URL or another of FFmpeg's protocols ("pipe:1" is the file of that name). It is created
// or emptied by TFile::Create, as every output of the program is. Returns 0 or FFmpeg's code, as
// avio_open does.
int OpenMediaOutput(AVIOContext** Context, const std::string& FileName);

// FFmpeg's words for one of its codes: "Invalid data found when processing input"; empty for a
// code it has no words for.
std::string FFmpegErrorText(int Code);
