#pragma once

#include <string>
#include <vector>

// What ffprobe tells of a file, in one run: every packet, every stream, the chapters and the tags
// that a join keeps.
struct TProbePacket {
  int Stream = 0;
  double Pts = 0, Dts = 0, Duration = 0;
  bool Hidden = false; // marked to be discarded: an edit list hides it
  std::string Hash;
};

struct TProbeChapter {
  double Start = 0;
  std::string Title;
};

struct TProbe {
  // Per stream: "video", "audio", "subtitle", "cover" (an attached picture), "attachment", "chapters"
  // (the text track that holds an MP4's chapters), ...
  std::vector<std::string> Kinds;
  std::vector<TProbePacket> Packets; // in file order
  std::vector<TProbeChapter> Chapters;
  // Of the first video track (not a cover): every packet's hash in file order, and whether
  // players show it.
  std::vector<std::string> VideoHashes;
  std::vector<bool> VideoShown;
  std::vector<bool> VideoKey;
  size_t AudioPackets = 0; // of every sound stream
  bool DtsRise = true;     // every stream's decoding time stamps only go forward
  double VideoLength = 0;  // from the earliest shown picture to the end of the latest
  std::string Rotation, Language, CreationTime;

  int FirstOfKind(const std::string& kind) const;
  // The longest span, in seconds, between one packet's end and the next one's start in the
  // stream; 0 when it has no holes.
  double LargestHole(int stream) const;
};

TProbe Probe(const std::string& file);

// ffprobe's CSV of the entries named (`stream=codec_name`, `format=duration`), to which further
// options may be added (`-select_streams v`).
std::string ProbeEntries(const std::string& file, const std::string& entries);
