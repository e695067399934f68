#include "dshow/SoundMends.h"

#include "platform/SeamText.h"

#include <algorithm>

namespace {

// Below this, sound and picture are heard together anyway.
constexpr double NoteThreshold = 0.05;
// Places named in one note.
constexpr size_t MaxPlacesNamed = 3;

// "a gap of 0.50 s; 0.50 s of silence added at 00:02.00", or for several "3 gaps, 1.20 s in all;
// silence added at 00:02.00, 00:04.00 and 00:06.00".
std::string Spans(const std::vector<TSoundMends::TGap>& All, const char* One, const char* Many, const char* Done)
{
  std::vector<TSoundMends::TGap> spans;
  double total = 0;
  for (const TSoundMends::TGap& gap : All)
    if (gap.Length >= NoteThreshold) {
      spans.push_back(gap);
      total += gap.Length;
    }
  if (spans.empty())
    return "";
  if (spans.size() == 1)
    return std::string(One) + " " + SecondsText(total) + "; " + SecondsText(total) + " of " + Done + " at " +
           ClockText(spans[0].At);
  std::string text =
      std::to_string(spans.size()) + " " + Many + ", " + SecondsText(total) + " in all; " + Done + " at ";
  const size_t named = std::min(spans.size(), MaxPlacesNamed);
  for (size_t i = 0; i < named; ++i)
    text += (i == 0 ? "" : i + 1 == named && named == spans.size() ? " and " : ", ") + ClockText(spans[i].At);
  if (named < spans.size())
    text += " and " + std::to_string(spans.size() - named) + " more places";
  return text;
}

} // namespace

std::string SeamNote(const std::string& File, const TSoundMends& Mends)
{
  std::vector<std::string> parts;
  if (Mends.Late >= NoteThreshold)
    parts.push_back("the sound starts " + SecondsText(Mends.Late) + " after the picture; " + SecondsText(Mends.Late) +
                    " of silence added at " + ClockText(Mends.PictureStart));
  const std::string gaps = Spans(Mends.Gaps, "the sound has a gap of", "gaps in the sound", "silence added");
  if (!gaps.empty())
    parts.push_back(gaps);
  const std::string overlaps = Spans(Mends.Overlaps, "the sound goes back in time by",
                                     "places where the sound goes back in time", "sound left out");
  if (!overlaps.empty())
    parts.push_back(overlaps);
  // The output's pictures last whole frames, which may leave or take a little more sound.
  if (Mends.Short >= NoteThreshold)
    parts.push_back("the sound is " + SecondsText(Mends.Short) + " shorter than the picture; " +
                    SecondsText(Mends.Silence) + " of silence added at " + ClockText(Mends.SoundEnd));
  if (Mends.Long >= NoteThreshold && Mends.Cut >= NoteThreshold)
    parts.push_back("the sound is " + SecondsText(Mends.Long) + " longer than the picture; " + SecondsText(Mends.Cut) +
                    " of sound left out at " + ClockText(Mends.PictureEnd));
  return parts.empty() ? "" : SeamNoteText(File, parts);
}
