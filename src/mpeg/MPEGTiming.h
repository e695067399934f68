#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

// When an MPEG file's picture is shown, read from its first and last few hundred kilobytes: a
// system stream's time stamps, or an elementary stream's group time codes (its pictures counted
// where those do not add up).
struct TMPEGTiming {
  int64_t FrameTicks = 0; // one picture in 90 kHz ticks, from the sequence header; 0 when unknown
  std::optional<int64_t> Start, End; // the first picture's showing time, and the end of the last
  std::map<uint8_t, int64_t> FirstClock; // system streams: each stream's first DTS (else PTS) in file order
  std::optional<int64_t> SoundEnd; // system streams: where the sound that lasts longest ends

  // Seconds of picture; 0 when unknown.
  double Length() const;
};

// A system stream's clocks count 33 bits of 90 kHz ticks and start again from 0 after some 26
// hours; a file may be cut from a recording across that moment. Times are compared once unwrapped:
// each clock is taken as the one of its values nearest to the file's first.
class TClockUnwrap {
public:
  static constexpr int64_t Range = int64_t(1) << 33;
  TClockUnwrap() = default;
  explicit TClockUnwrap(int64_t Near) : FNear(Near) {}
  int64_t operator()(int64_t Clock);

private:
  std::optional<int64_t> FNear; // the first clock seen, unless given
};

// Raises the system error when the file cannot be opened.
TMPEGTiming ScanSystemStreamTiming(const std::string& FileName);
TMPEGTiming ScanElementaryStreamTiming(const std::string& FileName);
