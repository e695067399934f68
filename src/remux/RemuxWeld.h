#pragma once

#include "platform/JoinOutcome.h"
#include "platform/ProgressSeam.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct AVCodecParameters;
struct AVFormatContext;
struct AVStream;
struct TStreamMap;
class TRemuxInput;
struct TSmartCut;

// Joins MP4, MOV, Matroska, WebM and MPEG-TS files of one format without recompression: the
// packets of each input's first video track and of the sound tracks and subtitles all inputs
// share are copied untouched into one output, their time stamps moved so that the output has one clock. The output's container is
// the first file's, or the one its name asks for when that can carry the streams.
class TRemuxWelder {
public:
  TRemuxWelder();
  ~TRemuxWelder();

  // Returns normally after a complete join and after a cancel; failures are exceptions.
  void Execute();

  std::vector<std::string> Files;
  std::string OutputFileName;
  bool VideoOnly = false;
  // A chapter at each seam, named after the file; none: only when no input has chapters of its own.
  std::optional<bool> MarkFilesAsChapters;
  TJoinOutcome Outcome; // filled as the join goes

private:
  struct TPlan;
  struct TSoundTrack;
  struct TTextTrack;
  struct TOutput;

  void Join();
  // Returns the first input, as probed, for the output to take its streams from.
  std::unique_ptr<TRemuxInput> PlanInputs(std::vector<TPlan>& Plans, std::string& Container, TStreamMap& Streams);
  // Inputs whose edit lists hide pictures that shown ones are decoded from, at a later input's
  // start or at any input's end: where it can, they are cut away (`UsedIds`: the parameter set
  // ids the inputs take); else they are shown, and a warning says so. A cancel meanwhile stops
  // the cuts and sets Outcome.Cancelled.
  void CutHiddenPictures(std::vector<TPlan>& Plans, const std::vector<std::string>& Refusals,
                         std::set<uint32_t> UsedIds, const AVStream* FirstVideo);
  // The cut that stands for the input's video packet of that number, if any.
  static TSmartCut* CutAt(const TPlan& Plan, size_t Packet);
  void CreateOutput(const TRemuxInput& First, const std::string& Container, const std::vector<TPlan>& Plans,
                    const TStreamMap& Streams);
  // The parameter sets of the pictures re-encoded at hidden starts join the first file's.
  void AddCutSetup(AVCodecParameters* Video, const std::vector<TPlan>& Plans);
  void AddCoverArt(const AVStream* Source, const std::string& Container);
  // False when the user cancelled.
  bool CopyInput(TRemuxInput& Input, const std::vector<TPlan>& Plans, size_t Index);
  // After an input: the track's sound that stays before the seam (output time), and its notes.
  void EndSound(TSoundTrack& Track, const std::vector<TPlan>& Plans, size_t Index, int64_t Seam);
  bool ReportProgress(int64_t BytesDone);

  std::unique_ptr<TProgressDialog> FProgressDlg;
  std::unique_ptr<TOutput> FOutput;
  bool FWithSound = false;
  bool FWithChapters = false; // the inputs' chapters, moved to where each lands
  bool FMarkFiles = false;
  int64_t FTotalBytes = 0;
  int64_t FBytesBefore = 0; // of the inputs already copied
  int64_t FIndexRoom = 0;   // bytes kept for an MP4 index in front; 0: moved there at the end
  bool FFragmented = false; // an MP4 or MOV output too long to index in memory
  std::vector<int64_t> FPlannedStarts; // of a fragmented output's files, where its chapters put them
};
