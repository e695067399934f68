#pragma once

#include "platform/Compressors.h"

#include <map>
#include <string>
#include <vector>

// One setting of an encoder, as the options dialog lists it.
struct TEncoderSetting {
  std::string Name;                 // the option's name, the key in TCompressorFilter::Options
  std::string Help;                 // FFmpeg's one-line description
  std::string Default;              // the value the encoder starts with, as text
  std::vector<std::string> Choices; // named values, when the option has them
  bool IsBool = false;
};

// The settings worth offering for an encoder: its rate, quality and key-frame controls when it
// compresses with loss, and its own options.
std::vector<TEncoderSetting> EncoderSettings(const TCompressorFilter& Filter);
bool CompressorHasOptions(const TCompressorFilter& Filter);
// Whether the encoder takes Value for its setting Name.
bool EncoderAccepts(const std::string& EncoderName, const std::string& Name, const std::string& Value);

// The few controls a person looks for first: how good, how fast, how many bits of sound.
enum class TKnobKind { Quality, Preset, BitRate };

struct TEncoderKnob {
  TKnobKind Kind;
  std::string Label;                // "Quality (CRF, lower is better)"
  std::vector<std::string> Choices; // presets and bit rates; empty for a number in Min..Max
  int Min = 0;
  int Max = 0;
  std::string Default; // what a new filter gets; empty for the encoder's own
};

// The named controls of the common encoders; none for the others.
std::vector<TEncoderKnob> EncoderKnobs(const std::string& EncoderName);
// The option names a knob sets, so that the full list leaves them to the knob.
std::vector<std::string> KnobOptionNames(const std::string& EncoderName);
// The knob's value in the filter's settings; empty while the encoder's own applies.
std::string KnobValue(const TCompressorFilter& Filter, const TEncoderKnob& Knob);
// Sets (or, with an empty value, clears) the knob in the filter's settings. Raises when the
// encoder has no such knob or the value is not one it offers.
void SetKnobValue(TCompressorFilter& Filter, TKnobKind Kind, const std::string& Value);
// The settings a new filter of the encoder starts with: its knobs' defaults, what makes it use
// every core and keeps it quiet.
std::map<std::string, std::string> DefaultEncoderOptions(const std::string& EncoderName);
