#include "core/DescriptionJson.h"

#include "core/FileListTexts.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>

namespace {

// The length of the valid UTF-8 sequence at `at`, or 0 when the bytes there are not one
// (overlong forms, surrogates and code points beyond U+10FFFF included).
size_t Utf8Length(const std::string& Text, size_t at)
{
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(Text[i]); };
  const uint8_t lead = byte(at);
  size_t length;
  uint32_t code;
  if (lead < 0x80)
    return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else
    return 0;
  if (at + length > Text.size())
    return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80)
      return 0;
    code = code << 6 | (byte(at + i) & 0x3F);
  }
  const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < smallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
    return 0;
  return length;
}

std::string Field(const char* Key, const std::string& Json)
{
  return std::string("\"") + Key + "\": " + Json;
}

} // namespace

std::string JsonString(const std::string& Text)
{
  static const char Hex[] = "0123456789abcdef";
  std::string json = "\"";
  for (size_t at = 0; at < Text.size();) {
    const char c = Text[at];
    const size_t length = Utf8Length(Text, at);
    if (length == 0) {
      json += "\xEF\xBF\xBD";
      ++at;
      continue;
    }
    if (c == '"' || c == '\\')
      json += {'\\', c};
    else if (c == '\n')
      json += "\\n";
    else if (c == '\t')
      json += "\\t";
    else if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F)
      json += std::string("\\u00") + Hex[c >> 4] + Hex[c & 0xF];
    else
      json.append(Text, at, length);
    at += length;
  }
  return json + "\"";
}

std::string JsonNumber(double Value)
{
  if (!std::isfinite(Value))
    return "null";
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, Value);
  return std::string(text, result.ptr);
}

std::string DescriptionToJson(const std::string& Name, const TVideoFileInfo& Info)
{
  // The Type cell is CONTAINER or CONTAINER:CODEC.
  const std::string type = TypeCellText(Info);
  const size_t colon = type.find(':');
  const std::string codec = colon == std::string::npos ? "" : type.substr(colon + 1);
  std::string json = "{" + Field("file", JsonString(Name)) + ", " +
                     Field("path", JsonString(std::filesystem::absolute(Name).string())) + ", " +
                     Field("duration", JsonNumber(Info.Duration)) + ", " +
                     Field("container", JsonString(type.substr(0, colon))) + ", " +
                     Field("codec", codec.empty() ? "null" : JsonString(codec)) + ", " +
                     Field("width", std::to_string(Info.Width)) + ", " +
                     Field("height", std::to_string(Info.Height)) + ", " +
                     Field("frame_rate", JsonNumber(Info.FrameRate)) + ", ";
  if (!Info.HasAudio)
    return json + Field("audio", "null") + "}";
  return json + Field("audio", "{" + Field("sample_rate", std::to_string(Info.SamplesPerSec)) + ", " +
                                   Field("channels", std::to_string(Info.Channels)) + ", " +
                                   Field("bits_per_sample", std::to_string(Info.BitsPerSample)) + ", " +
                                   Field("format_tag", std::to_string(Info.FormatTag)) + "}") +
         "}";
}

std::string FailedDescriptionToJson(const std::string& Name, const std::string& Message)
{
  return "{" + Field("file", JsonString(Name)) + ", " + Field("error", JsonString(Message)) + "}";
}
