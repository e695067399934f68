#pragma once

#include "dshow/RenderFFmpeg.h"
#include "dshow/RenderOutput.h"
#include "dshow/RenderPlaces.h"
#include "dshow/RenderTimeline.h"
#include "dshow/SoundMends.h"

#include <atomic>
#include <map>
#include <string>
#include <vector>

// Produces the audio group: each source of the audio track resampled to stereo at the encoder's
// rate (44100 Hz unless it takes only others) in its sample format, placed with its input's
// picture as the video group found it (see TSourcePlaces) and by its own time stamps: a late start and holes become silence, sound that
// goes back in time or runs past the picture's end is left out, sound that ends early is
// followed by silence. Silence where no source plays; encoded in frames of the encoder's size.
class TAudioRenderer {
public:
  TAudioRenderer(const TTimeline& Timeline, AVRational FrameRate, TRenderOutput& Output, TSourcePlaces& Places,
                 const std::atomic<bool>& Stopping);

  // Encodes the whole group and drains the encoder; stops early when stopping. Raises on failure.
  void Run();
  // After Run: a line per input whose sound needed mending worth telling.
  const std::vector<std::string>& Notes() const { return FNotes; }
  // After Run: how long the sound of each input decoded, by the input's clip.
  const std::map<size_t, double>& SoundLengths() const { return FSoundLengths; }

private:
  void RenderSource(const TTimelineSrc& Source);
  // Places decoded samples that belong at `At`: mends a gap or an overlap before them, and
  // gives them out as far as the picture reaches. False once the picture has ended.
  bool Place(const TTimelineSrc& Source, int64_t At, uint8_t* const* Samples, int64_t Count, bool First,
             TSoundMends& Mends);
  // Gives out `Count` samples (null: silence) as far as the source's picture reaches, waiting for
  // the video group where it has not got so far yet. False once the picture has ended there.
  bool Emit(size_t Clip, uint8_t* const* Samples, int64_t Count);
  // Adds `Count` samples (null: silence) and encodes every whole frame.
  void Append(uint8_t* const* Samples, int64_t Count);
  void EncodeWholeFrames();
  void EncodeFrame(int Count);
  // The output sample at which output frame `Frame` starts, and the first frame that starts at
  // or after sample `Sample`.
  int64_t SampleOf(int64_t Frame) const;
  int64_t FrameOf(int64_t Sample) const;
  double Seconds(int64_t Sample) const { return double(Sample) / FEncoder->sample_rate; }

  const TTimeline& FTimeline;
  AVRational FFrameRate;
  TRenderOutput& FOutput;
  TSourcePlaces& FPlaces;
  AVCodecContext* FEncoder;
  const std::atomic<bool>& FStopping;
  int FFrameSize;
  int FPlanes;      // of the encoder's sample format
  int FSampleBytes; // bytes of one sample of one plane
  TAudioFifoPtr FFifo;
  int64_t FPosition = 0; // samples appended so far
  int64_t FSent = 0;     // samples given to the encoder
  int64_t FPriming;      // first samples that still make way for the encoder's own
  std::vector<std::string> FNotes;
  std::map<size_t, double> FSoundLengths;
};
