#pragma once

#include <string>
#include <vector>

// A clip for sync tests: a dark picture and silent sound, with one white frame and a short 1 kHz
// beep at each of FlashTimes, at the same instant. The sound can be made shorter or longer than
// the picture, start late, or have a hole; a beep is left out where the sound does not reach.
struct TSeamClipRecipe {
  std::string Format = "avi";                        // ffmpeg's muxer name, also the file's extension
  std::string VideoArgs = "-c:v mpeg4 -q:v 5";       // codec arguments for the picture
  std::string AudioArgs = "-c:a pcm_s16le";          // codec arguments for the sound; empty: no sound
  std::string Size = "160x120";
  int Rate = 25;
  double Seconds = 2;                 // picture length
  double AudioSeconds = -1;           // sound length; negative: as long as the picture
  double AudioDelay = 0;              // the sound starts this late in the container's clock
  double HoleAt = -1, HoleLength = 0; // a span of sound left out, its time stamps kept
  std::vector<double> FlashTimes = {0};
  int SampleRate = 48000;
  int Channels = 2;
};

// The clip, made once per test run (see MakeMedia); `name` should end in the format's extension.
std::string MakeSeamClip(const std::string& name, const TSeamClipRecipe& recipe);

struct TSeamOffset {
  double FlashTime = 0; // seconds on the output's clock
  double BeepTime = 0;  // the beep onset nearest to the flash; NaN when none is within 0.5 s
  double Offset = 0;    // BeepTime - FlashTime; NaN without a beep
};

// Decodes `fileName` with the ffmpeg command and pairs every flash with its beep. Empty when the
// file cannot be decoded.
std::vector<TSeamOffset> MeasureSeams(const std::string& fileName);

// The largest |Offset| of the list; NaN when a flash has no beep, 0 for an empty list.
double WorstSeamOffset(const std::vector<TSeamOffset>& seams);

// The root mean square of the 10 ms of sound from each of `starts` (seconds on the clock
// MeasureSeams gives): how loud the start of a beep is heard. Short enough to tell an AAC packet
// decoded without the one before it, whose sound rises over its first half.
std::vector<double> SoundLevels(const std::string& fileName, const std::vector<double>& starts);
