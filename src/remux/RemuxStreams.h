#pragma once

#include "remux/RemuxCheck.h"

#include <string>
#include <vector>

// Which streams besides the first picture and the first sound a join keeps: those every input
// shares, matched by kind and codec in the order each file holds them, and the first file's
// cover art and attachments; and a line for each stream it leaves out.
struct TStreamMap {
  struct TKept {
    TFurtherStream::TKind Kind = TFurtherStream::Data;
    std::string Label;        // "French sound track", as the notes name it
    std::vector<int> Sources; // per input its stream's index; cover art and attachments: -1 past the first
  };
  std::vector<TKept> Kept; // in the first file's order
  std::vector<std::string> LeftOut;
  // Per input (the first file's empty), why the sound and subtitle tracks that it and the first file
  // do not share alike are left out: "clip2.mkv has no French sound track".
  std::vector<std::vector<std::string>> Unshared;
};

// WithSound: whether the join keeps sound at all; without it further sound tracks go unremarked.
TStreamMap MapFurtherStreams(const std::vector<TCopyInput>& Files, const std::string& OutContainer, bool WithSound);

// Whether the container keeps chapters: MP4, MOV, Matroska and WebM do, MPEG-TS does not.
bool ContainerHoldsChapters(const std::string& Container);
