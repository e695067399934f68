#pragma once

#include <string>
#include <vector>

// What the recompressing join did to one input's sound to keep it with its picture; times are
// seconds, places on the output's clock.
struct TSoundMends {
  double PictureStart = 0;
  double PictureEnd = 0;
  double Late = 0;     // silence before the sound's first sample
  double Short = 0;    // by how much the sound ends before the picture, in the input
  double Silence = 0;  // silence after its last sample, up to the picture's end in the output
  double SoundEnd = 0; // where that silence starts
  double Long = 0;     // by how much the sound ends after the picture, in the input
  double Cut = 0;      // sound left out past the picture's end in the output
  struct TGap {
    double At;
    double Length;
  };
  std::vector<TGap> Gaps;     // holes in the sound's time stamps, filled with silence
  std::vector<TGap> Overlaps; // sound whose time stamps go back, left out
};

// The line that tells the user about the mends of `File` (shown by its name without folders), or
// an empty text when none is worth telling: differences below what anyone hears are left out.
std::string SeamNote(const std::string& File, const TSoundMends& Mends);
