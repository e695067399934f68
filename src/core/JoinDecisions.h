#pragma once

#include <optional>
#include <string>
#include <vector>

struct TVideoFileInfo;

// The decisions that the Join command and the join options dialog take over the file list. The
// desktop program and reelweld-cli both take them here, so a join from either makes the same choices.

// The list in join order; entry 0 is the reference of the difference flags.
using TJoinList = std::vector<const TVideoFileInfo*>;

// What the Join command tells the dialog about the list.
struct TJoinFacts {
  bool CanJoinWORecomp = true; // every file "AVI" or "MPEG1", none of another video format
  bool DropAudio = false;      // some file without audio or with another audio format
  bool NoAudio = true;         // no file has audio
  // For files joined by copying their packets: which file differs from the first and in what,
  // for the picture (no join without recompression) or else for the sound (joined without it).
  std::string CopyNote;
  // For those files: the streams such a join leaves out ("clip2.mkv has no French sound track:
  // the join has one sound track"), and whether any file has chapters of its own.
  std::vector<std::string> StreamNotes;
  bool HasChapters = false;
};

// Sets every entry's difference flags against entry 0, as the main window keeps them.
void MarkDifferences(const std::vector<TVideoFileInfo*>& List);
// The road that joins files without recompression, decided by the first file's type name and,
// for a file typed by FFmpeg alone, its container: AVI and MPEG-1 files are copied by their own
// engines, files of today's containers (MP4, MOV, MKV, WEBM, TS) by copying their packets.
enum class TCopyRoad { None, Avi, Mpeg, Remux };
TCopyRoad CopyRoadFor(const std::string& TypeName, const std::string& Container);
bool TakesRemuxRoad(const TVideoFileInfo& Info);
// From the difference flags as they stand; for a list whose first file takes the remux road, from
// the codec facts of every file, for the container the output's name asks for (none: the first
// file's).
TJoinFacts ComputeJoinFacts(const TJoinList& List, const std::string& OutputFileName = {});
// Why a join without recompression leaves the sound out, naming the files: "audio formats differ;
// no sound in b.avi, c.avi" or "audio formats differ: c.mpg: MP2 sound; the first file has MP3".
std::string SoundLeftOutReason(const TJoinList& List);
// The dialog ticks "Join without recompression" when the files allow it and no sound is lost
// that any file had.
bool DefaultJoinWORecomp(const TJoinFacts& Facts);

// A frame rate as the dialog lists it: fixed, two decimals ("29.97").
std::string FormatFrameRate(double Rate, char DecimalSeparator);
// Index of the rate's text in Items, appended when missing.
int AddFrameRate(std::vector<std::string>& Items, double Rate, char DecimalSeparator);
// The frame-rate items for this list (its files' rates and 24, 25 and 29.97), sorted by value,
// and the one to select: the first file's rate, or item 0 when that file has none.
struct TFrameRateItems {
  std::vector<std::string> Items;
  int Selected = 0;
};
TFrameRateItems FrameRateItems(const TJoinList& List, char DecimalSeparator);

// The output name a join takes from the name typed: a relative name is taken in Folder (the last
// output folder), and a name without an extension gets the road's (".avi", ".mpeg", ...).
std::string CompleteOutputName(const std::string& Typed, const std::string& Folder, const std::string& Extension);

// "Set optimal settings automatically": the largest size, in multiples of 8, that no input must
// be enlarged to; the lowest input rate; Crop when the sizes differ by 8 pixels or more.
struct TOptimalSettings {
  std::optional<int> FrameWidth; // none when no input has video
  std::optional<int> FrameHeight;
  std::optional<double> FrameRate; // none when no input has a frame rate
  bool Crop = false;               // else "No resize"
};
TOptimalSettings ComputeOptimalSettings(const TJoinList& List);
// Index of the compressor to choose by its display name, or -1: DivX before XviD; MP3, then
// MPEG, then PCM audio.
int ChooseVideoCompressor(const std::vector<std::string>& Names);
int ChooseAudioCompressor(const std::vector<std::string>& Names);
