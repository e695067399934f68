#include "platform/EncoderSettings.h"

#include "platform/Exceptions.h"
#include "platform/FFmpegPtr.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <iterator>
#include <memory>

namespace {

// The codec context's own settings that matter to a user: rate, key frames, quality bounds.
const char* const CommonVideoOptions[] = {"b", "maxrate", "bufsize", "g", "bf", "qmin", "qmax"};
const char* const CommonAudioOptions[] = {"b"};

// FFmpeg's own encoders take a fixed quantiser through a flag and the context's quality, in
// lambda units; the knob shows it as the quantiser.
const std::string FixedQuantiser = "qscale";
constexpr int LambdaPerQuantiser = FF_QP2LAMBDA;

const std::vector<std::string> X26xPresets = {"ultrafast", "superfast", "veryfast", "faster",  "fast",
                                              "medium",    "slow",      "slower",   "veryslow"};
const std::vector<std::string> AudioBitRates = {"64k", "96k", "128k", "160k", "192k", "256k", "320k"};

std::vector<std::string> Numbers(int First, int Last)
{
  std::vector<std::string> numbers;
  for (int i = First; i <= Last; ++i)
    numbers.push_back(std::to_string(i));
  return numbers;
}

struct TKnobEntry {
  const char* Encoder;
  TEncoderKnob Knob;
  std::string Option;
  // Set beside a quality value: VP9 keeps to a bit rate unless it is 0.
  std::string CompanionName = {};
  std::string CompanionValue = {};
};

const char* const CrfLabel = "Quality (CRF, lower is better)";
const char* const QuantiserLabel = "Quality (quantiser, lower is better)";
const char* const SpeedLabel = "Speed (higher is faster)";

const std::vector<TKnobEntry>& KnobEntries()
{
  static const std::vector<TKnobEntry> entries = {
      {"libx264", {TKnobKind::Quality, CrfLabel, {}, 0, 51, "20"}, "crf"},
      {"libx264", {TKnobKind::Preset, "Speed preset", X26xPresets, 0, 0, "medium"}, "preset"},
      {"libx265", {TKnobKind::Quality, CrfLabel, {}, 0, 51, "24"}, "crf"},
      {"libx265", {TKnobKind::Preset, "Speed preset", X26xPresets, 0, 0, "medium"}, "preset"},
      {"libvpx-vp9", {TKnobKind::Quality, CrfLabel, {}, 0, 63, "32"}, "crf", "b", "0"},
      {"libvpx-vp9", {TKnobKind::Preset, SpeedLabel, Numbers(0, 8), 0, 0, "4"}, "cpu-used"},
      {"libaom-av1", {TKnobKind::Quality, CrfLabel, {}, 0, 63, "30"}, "crf", "b", "0"},
      {"libaom-av1", {TKnobKind::Preset, SpeedLabel, Numbers(0, 8), 0, 0, "6"}, "cpu-used"},
      {"libsvtav1", {TKnobKind::Quality, CrfLabel, {}, 1, 63, "35"}, "crf"},
      {"libsvtav1", {TKnobKind::Preset, SpeedLabel, Numbers(0, 13), 0, 0, "8"}, "preset"},
      {"librav1e", {TKnobKind::Quality, QuantiserLabel, {}, 0, 255, "100"}, "qp"},
      {"librav1e", {TKnobKind::Preset, SpeedLabel, Numbers(0, 10), 0, 0, "6"}, "speed"},
      // The AVI road's encoders keep their own rate unless the user asks for a quantiser.
      {"mpeg4", {TKnobKind::Quality, QuantiserLabel, {}, 1, 31, ""}, FixedQuantiser},
      {"libxvid", {TKnobKind::Quality, QuantiserLabel, {}, 1, 31, ""}, FixedQuantiser},
      {"aac", {TKnobKind::BitRate, "Audio bit rate", AudioBitRates, 0, 0, "192k"}, "b"},
      {"libmp3lame", {TKnobKind::BitRate, "Audio bit rate", AudioBitRates, 0, 0, "192k"}, "b"},
      {"libopus", {TKnobKind::BitRate, "Audio bit rate", AudioBitRates, 0, 0, "128k"}, "b"},
      {"libvorbis", {TKnobKind::BitRate, "Audio bit rate", AudioBitRates, 0, 0, "192k"}, "b"},
  };
  return entries;
}

const TKnobEntry* FindKnob(const std::string& Encoder, TKnobKind Kind)
{
  for (const TKnobEntry& entry : KnobEntries())
    if (entry.Encoder == Encoder && entry.Knob.Kind == Kind)
      return &entry;
  return nullptr;
}

// Without row threads VP9 and AV1 encode on one core; x265 would print its banner on the console.
const std::map<std::string, std::map<std::string, std::string>> FixedOptions = {
    {"libvpx-vp9", {{"row-mt", "1"}}},
    {"libaom-av1", {{"row-mt", "1"}}},
    {"libx265", {{"x265-params", "log-level=error"}}},
};

// A context of the encoder with every option at its default; options are read and tried on it.
TCodecContextPtr DefaultContext(const std::string& EncoderName, const AVCodec** Codec)
{
  *Codec = avcodec_find_encoder_by_name(EncoderName.c_str());
  return TCodecContextPtr(*Codec != nullptr ? avcodec_alloc_context3(*Codec) : nullptr);
}

bool IsOffered(const AVOption* option, bool audio)
{
  switch (option->type) {
  case AV_OPT_TYPE_INT:
  case AV_OPT_TYPE_INT64:
  case AV_OPT_TYPE_UINT64:
  case AV_OPT_TYPE_DOUBLE:
  case AV_OPT_TYPE_FLOAT:
  case AV_OPT_TYPE_STRING:
  case AV_OPT_TYPE_BOOL:
  case AV_OPT_TYPE_FLAGS:
  case AV_OPT_TYPE_RATIONAL:
  case AV_OPT_TYPE_DURATION:
    break;
  default:
    return false;
  }
  const int kind = audio ? AV_OPT_FLAG_AUDIO_PARAM : AV_OPT_FLAG_VIDEO_PARAM;
  return (option->flags & AV_OPT_FLAG_ENCODING_PARAM) && (option->flags & kind) &&
         !(option->flags & (AV_OPT_FLAG_DEPRECATED | AV_OPT_FLAG_READONLY));
}

std::string CurrentValue(AVCodecContext* context, const char* name)
{
  uint8_t* value = nullptr;
  if (av_opt_get(context, name, AV_OPT_SEARCH_CHILDREN, &value) < 0 || value == nullptr)
    return {};
  std::string text(reinterpret_cast<const char*>(value));
  av_free(value);
  return text;
}

// `object` is the context or its private data: the structure whose class declares the option.
TEncoderSetting MakeSetting(AVCodecContext* context, void* object, const AVOption* option)
{
  TEncoderSetting setting;
  setting.Name = option->name;
  setting.Help = option->help != nullptr ? option->help : "";
  setting.Default = CurrentValue(context, option->name);
  if (option->type == AV_OPT_TYPE_BOOL) {
    setting.IsBool = true;
    if (option->min < 0)
      setting.Choices.push_back("auto");
    setting.Choices.insert(setting.Choices.end(), {"false", "true"});
  } else if (option->unit != nullptr && option->type != AV_OPT_TYPE_FLAGS) {
    int64_t value = 0;
    const bool isNumber = av_opt_get_int(object, option->name, 0, &value) >= 0;
    const AVOption* named = nullptr;
    while ((named = av_opt_next(object, named)) != nullptr) {
      if (named->type != AV_OPT_TYPE_CONST || named->unit == nullptr || std::string(named->unit) != option->unit)
        continue;
      setting.Choices.push_back(named->name);
      if (isNumber && named->default_val.i64 == value)
        setting.Default = named->name;
    }
  }
  return setting;
}

} // namespace

std::vector<TEncoderSetting> EncoderSettings(const TCompressorFilter& Filter)
{
  const AVCodec* codec = nullptr;
  const TCodecContextPtr context = DefaultContext(Filter.EncoderName, &codec);
  if (!context)
    return {};
  std::vector<TEncoderSetting> settings;
  // Rate and quality mean nothing to an encoder that keeps every bit.
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec->id);
  if (descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_LOSSY)) {
    const auto first = Filter.Audio ? std::begin(CommonAudioOptions) : std::begin(CommonVideoOptions);
    const auto last = Filter.Audio ? std::end(CommonAudioOptions) : std::end(CommonVideoOptions);
    for (auto name = first; name != last; ++name) {
      const AVOption* option = av_opt_find(context.get(), *name, nullptr, 0, 0);
      if (option != nullptr && IsOffered(option, Filter.Audio))
        settings.push_back(MakeSetting(context.get(), context.get(), option));
    }
  }
  if (codec->priv_class != nullptr && context->priv_data != nullptr) {
    const AVOption* option = nullptr;
    while ((option = av_opt_next(context->priv_data, option)) != nullptr) {
      const bool known = std::any_of(settings.begin(), settings.end(),
                                     [&](const TEncoderSetting& setting) { return setting.Name == option->name; });
      if (!known && IsOffered(option, Filter.Audio))
        settings.push_back(MakeSetting(context.get(), context->priv_data, option));
    }
  }
  return settings;
}

bool CompressorHasOptions(const TCompressorFilter& Filter)
{
  return !EncoderSettings(Filter).empty() || !EncoderKnobs(Filter.EncoderName).empty();
}

bool EncoderAccepts(const std::string& EncoderName, const std::string& Name, const std::string& Value)
{
  const AVCodec* codec = nullptr;
  const TCodecContextPtr context = DefaultContext(EncoderName, &codec);
  return context && av_opt_set(context.get(), Name.c_str(), Value.c_str(), AV_OPT_SEARCH_CHILDREN) >= 0;
}

std::vector<TEncoderKnob> EncoderKnobs(const std::string& EncoderName)
{
  std::vector<TEncoderKnob> knobs;
  for (const TKnobEntry& entry : KnobEntries())
    if (entry.Encoder == EncoderName)
      knobs.push_back(entry.Knob);
  return knobs;
}

std::vector<std::string> KnobOptionNames(const std::string& EncoderName)
{
  std::vector<std::string> names;
  for (const TKnobEntry& entry : KnobEntries()) {
    if (entry.Encoder != EncoderName)
      continue;
    if (entry.Option == FixedQuantiser)
      names.insert(names.end(), {"flags", "global_quality"});
    else
      names.push_back(entry.Option);
  }
  return names;
}

std::string KnobValue(const TCompressorFilter& Filter, const TEncoderKnob& Knob)
{
  const TKnobEntry* entry = FindKnob(Filter.EncoderName, Knob.Kind);
  if (entry == nullptr)
    return {};
  if (entry->Option == FixedQuantiser) {
    const auto flags = Filter.Options.find("flags");
    const auto quality = Filter.Options.find("global_quality");
    if (flags == Filter.Options.end() || flags->second.find("qscale") == std::string::npos ||
        quality == Filter.Options.end())
      return {};
    return std::to_string(std::atoi(quality->second.c_str()) / LambdaPerQuantiser);
  }
  const auto value = Filter.Options.find(entry->Option);
  return value != Filter.Options.end() ? value->second : std::string();
}

void SetKnobValue(TCompressorFilter& Filter, TKnobKind Kind, const std::string& Value)
{
  static const char* const kindNames[] = {"quality", "preset", "audio bit rate"};
  const TKnobEntry* entry = FindKnob(Filter.EncoderName, Kind);
  if (entry == nullptr)
    throw Exception(Filter.EncoderName + " has no " + kindNames[int(Kind)] + " setting");
  const TEncoderKnob& knob = entry->Knob;
  if (!Value.empty()) {
    bool valid;
    if (knob.Choices.empty()) {
      char* end = nullptr;
      const long number = std::strtol(Value.c_str(), &end, 10);
      valid = *end == 0 && number >= knob.Min && number <= knob.Max;
    } else {
      valid = std::find(knob.Choices.begin(), knob.Choices.end(), Value) != knob.Choices.end();
    }
    if (!valid) {
      std::string offered = knob.Choices.empty() ? std::to_string(knob.Min) + " to " + std::to_string(knob.Max) : "";
      for (const std::string& choice : knob.Choices)
        offered += (offered.empty() ? "" : ", ") + choice;
      throw Exception("'" + Value + "' is not a " + kindNames[int(Kind)] + " of " + Filter.EncoderName + "; it takes " +
                      offered);
    }
  }
  auto set = [&](const std::string& name, const std::string& value) {
    if (Value.empty())
      Filter.Options.erase(name);
    else
      Filter.Options[name] = value;
  };
  if (entry->Option == FixedQuantiser) {
    set("flags", "+qscale");
    set("global_quality", Value.empty() ? "" : std::to_string(std::atoi(Value.c_str()) * LambdaPerQuantiser));
  } else {
    set(entry->Option, Value);
  }
  if (!entry->CompanionName.empty())
    set(entry->CompanionName, entry->CompanionValue);
}

std::map<std::string, std::string> DefaultEncoderOptions(const std::string& EncoderName)
{
  TCompressorFilter filter{EncoderName, false, {}};
  for (const TEncoderKnob& knob : EncoderKnobs(EncoderName))
    if (!knob.Default.empty())
      SetKnobValue(filter, knob.Kind, knob.Default);
  const auto fixed = FixedOptions.find(EncoderName);
  if (fixed != FixedOptions.end())
    filter.Options.insert(fixed->second.begin(), fixed->second.end());
  return filter.Options;
}
