#include "support/SeamCheck.h"

#include "support/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

std::string Number(double value)
{
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", value);
  return text;
}

// An expression that is 1 within `length` seconds after any of the times, else 0.
std::string PulseExpression(const std::vector<double>& times, double length)
{
  std::string expression = "0";
  for (double t : times)
    expression += "+between(t," + Number(t) + "," + Number(t + length) + ")";
  return expression;
}

// The number after `key` in `line`, if it is there.
bool ValueAfter(const std::string& line, const std::string& key, double& value)
{
  const size_t at = line.find(key);
  if (at == std::string::npos)
    return false;
  value = std::strtod(line.c_str() + at + key.size(), nullptr);
  return true;
}

// The sound as a player lays it on the clock, one second late (see MeasureSeams).
const std::string SoundOnClock = "asetpts=PTS+1/TB,aresample=async=1:min_hard_comp=0.01:first_pts=0";

} // namespace

std::string MakeSeamClip(const std::string& name, const TSeamClipRecipe& recipe)
{
  const double frame = 1.0 / recipe.Rate;
  // Half a frame wide, so exactly the frame at each time is white.
  std::string args = "-f lavfi -i \"color=c=0x101010:s=" + recipe.Size + ":r=" + std::to_string(recipe.Rate) +
                     ":d=" + Number(recipe.Seconds) + ",drawbox=c=white:t=fill:enable='" +
                     PulseExpression(recipe.FlashTimes, frame / 2) + "'\"";
  if (!recipe.AudioArgs.empty()) {
    const double audioSeconds = recipe.AudioSeconds < 0 ? recipe.Seconds : recipe.AudioSeconds;
    // The sound's own clock starts at AudioDelay; its beeps stay at the picture's times.
    std::vector<double> beeps;
    for (double t : recipe.FlashTimes)
      beeps.push_back(t - recipe.AudioDelay);
    std::string filter = "aevalsrc='0.5*sin(2*PI*1000*t)*(" + PulseExpression(beeps, 0.1) +
                         ")':s=" + std::to_string(recipe.SampleRate) + ":d=" + Number(audioSeconds);
    if (recipe.HoleLength > 0)
      filter += ",aselect='not(between(t," + Number(recipe.HoleAt - recipe.AudioDelay) + "," +
                Number(recipe.HoleAt - recipe.AudioDelay + recipe.HoleLength) + "))'";
    if (recipe.AudioDelay != 0)
      args += " -itsoffset " + Number(recipe.AudioDelay);
    args += " -f lavfi -i \"" + filter + "\" -ac " + std::to_string(recipe.Channels) + " " + recipe.AudioArgs;
  }
  return MakeMedia(name, args + " " + recipe.VideoArgs + " -f " + recipe.Format);
}

std::vector<TSeamOffset> MeasureSeams(const std::string& fileName)
{
  // Both streams are moved one second later, so that a beep at the very start follows silence
  // and is reported as the end of a silence like every other; the padding at the end moves the
  // end of the last silence, which is no beep, away from every flash.
  const auto result = RunCommand("ffmpeg -nostdin -hide_banner -v info -i " + ShellQuote(fileName) +
                                 " -map 0:v:0 -map 0:a:0? -vf setpts=PTS+1/TB,scale=32:24,format=gray,showinfo -af " +
                                 SoundOnClock + ",apad=pad_dur=5,silencedetect=n=-30dB:d=0.02 -f null -");
  std::vector<TSeamOffset> seams;
  if (result.ExitCode != 0)
    return seams;
  std::vector<double> onsets;
  std::istringstream lines(result.Errors);
  bool bright = false;
  for (std::string line; std::getline(lines, line);) {
    double time = 0, mean = 0;
    if (ValueAfter(line, "silence_end: ", time)) {
      onsets.push_back(time - 1);
    } else if (ValueAfter(line, " pts_time:", time) && ValueAfter(line, " mean:[", mean)) {
      // A flash is the first of a run of bright frames: a recompressed clip may repeat one.
      if (mean > 128 && !bright)
        seams.push_back({time - 1, NAN, NAN});
      bright = mean > 128;
    }
  }
  for (TSeamOffset& seam : seams) {
    for (double onset : onsets) {
      if (std::fabs(onset - seam.FlashTime) < 0.5 &&
          (std::isnan(seam.BeepTime) || std::fabs(onset - seam.FlashTime) < std::fabs(seam.Offset))) {
        seam.BeepTime = onset;
        seam.Offset = onset - seam.FlashTime;
      }
    }
  }
  return seams;
}

double WorstSeamOffset(const std::vector<TSeamOffset>& seams)
{
  double worst = 0;
  for (const TSeamOffset& seam : seams) {
    if (std::isnan(seam.Offset))
      return NAN;
    worst = std::max(worst, std::fabs(seam.Offset));
  }
  return worst;
}

std::vector<double> SoundLevels(const std::string& fileName, const std::vector<double>& starts)
{
  constexpr int rate = 48000;
  const auto result = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(fileName) + " -map 0:a:0 -af " +
                                 SoundOnClock + " -ac 1 -ar " + std::to_string(rate) + " -f f32le -");
  const std::string& samples = result.Output;
  const size_t count = samples.size() / sizeof(float);
  std::vector<double> levels;
  for (double start : starts) {
    const size_t first = std::isfinite(start) ? std::min(count, size_t(std::max(0L, std::lround((start + 1) * rate)))) : count;
    const size_t last = std::min(count, first + size_t(0.01 * rate));
    double sum = 0;
    for (size_t i = first; i < last; ++i) {
      float sample;
      std::memcpy(&sample, samples.data() + i * sizeof sample, sizeof sample);
      sum += double(sample) * sample;
    }
    levels.push_back(last > first ? std::sqrt(sum / double(last - first)) : 0);
  }
  return levels;
}
