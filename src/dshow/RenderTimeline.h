#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The description of a join that the render engine carries out: one video and one audio track,
// each holding sources placed on the timeline. Times are in seconds.

// How a source picture is fitted to the output frame.
enum TStretchMode {
  RESIZEF_STRETCH = 0,                        // fill the frame, aspect ratio not kept
  RESIZEF_CROP = 1,                           // not scaled, cut to the frame, centred
  RESIZEF_PRESERVEASPECTRATIO = 2,            // fit inside the frame, black bars
  RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX = 3 // cover the frame, what sticks out is cut off
};

// The video track holds every input once, in order; the audio track those with sound. The render
// engine plays each video source from MediaStart to the end of its pictures, back to back, and
// each audio source with its input's picture: Start and Stop are the estimated place, for
// progress.
struct TTimelineSrc {
  std::string MediaName;
  double Start = 0; // estimated place on the timeline
  double Stop = 0;
  double MediaStart = 0; // the file's time played at Start
  TStretchMode StretchMode = RESIZEF_STRETCH;
  size_t Clip = 0; // the index of the input's source on the video track
};

struct TTimelineTrack {
  std::vector<TTimelineSrc> Sources;
  void SrcAdd(TTimelineSrc Source) { Sources.push_back(std::move(Source)); }
};

struct TTimeline {
  int32_t FrameWidth = 0;
  int32_t FrameHeight = 0;
  double OutputFPS = 0;
  bool FullChroma = true; // every video source keeps colour for every pixel (4:4:4 or RGB)
  TTimelineTrack VideoTrack;
  TTimelineTrack AudioTrack;

  // The estimated end of the last source of either track.
  double GetDuration() const;
};
