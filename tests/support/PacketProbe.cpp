#include "support/PacketProbe.h"

#include "support/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

namespace {

double Seconds(const std::string& text)
{
  return std::strtod(text.c_str(), nullptr);
}

} // namespace

int TProbe::FirstOfKind(const std::string& kind) const
{
  const auto found = std::find(Kinds.begin(), Kinds.end(), kind);
  return found == Kinds.end() ? -1 : int(found - Kinds.begin());
}

double TProbe::LargestHole(int stream) const
{
  double largest = 0, end = NAN;
  for (const TProbePacket& packet : Packets) {
    if (packet.Stream != stream || packet.Hidden)
      continue;
    if (!std::isnan(end))
      largest = std::max(largest, packet.Pts - end);
    end = packet.Pts + packet.Duration;
  }
  return largest;
}

TProbe Probe(const std::string& file)
{
  const auto result = RunCommand("ffprobe -v error -show_data_hash MD5 -show_chapters -show_entries "
                                 "packet=stream_index,pts_time,dts_time,duration_time,flags,data_hash:"
                                 "stream=index,codec_type,codec_name:stream_disposition=attached_pic:"
                                 "stream_side_data=rotation:stream_tags=language:"
                                 "format_tags=creation_time -of flat " +
                                 ShellQuote(file));
  // "packets.packet.12.pts_time" and the like: one record per packet, stream and chapter.
  std::map<int, std::map<std::string, std::string>> packets, streams, chapters;
  std::map<std::string, std::string> format;
  std::istringstream lines(result.Output);
  for (std::string line; std::getline(lines, line);) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos)
      continue;
    std::string key = line.substr(0, equals);
    std::string value = line.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '"')
      value = value.substr(1, value.size() - 2);
    for (auto [prefix, records] : {std::pair{"packets.packet.", &packets}, std::pair{"streams.stream.", &streams},
                                   std::pair{"chapters.chapter.", &chapters}}) {
      if (key.rfind(prefix, 0) == 0) {
        char* rest = nullptr;
        const long index = std::strtol(key.c_str() + std::strlen(prefix), &rest, 10);
        (*records)[int(index)][rest + 1] = value;
      }
    }
    if (key.rfind("format.", 0) == 0)
      format[key.substr(7)] = value;
  }
  TProbe probe;
  for (auto& [index, fields] : streams) {
    std::string kind = fields["codec_type"];
    if (kind == "video" && fields["disposition.attached_pic"] == "1")
      kind = "cover";
    // MP4 and MOV keep their chapters in a text track, which FFmpeg reads as data.
    if (kind == "data" && fields["codec_name"] == "bin_data")
      kind = "chapters";
    probe.Kinds.resize(std::max<size_t>(probe.Kinds.size(), size_t(std::atoi(fields["index"].c_str())) + 1));
    probe.Kinds[size_t(std::atoi(fields["index"].c_str()))] = kind;
    if (kind == "video" && probe.Rotation.empty())
      probe.Rotation = fields["side_data_list.side_data.0.rotation"];
    if (kind == "audio" && probe.Language.empty())
      probe.Language = fields["tags.language"];
  }
  for (auto& [index, fields] : chapters)
    probe.Chapters.push_back({Seconds(fields["start_time"]), fields["tags.title"]});
  probe.CreationTime = format["tags.creation_time"];
  const int video = probe.FirstOfKind("video");
  std::map<int, double> lastDts;
  double first = INFINITY, end = -INFINITY;
  for (auto& [index, fields] : packets) {
    TProbePacket packet;
    packet.Stream = std::atoi(fields["stream_index"].c_str());
    packet.Pts = Seconds(fields["pts_time"]);
    packet.Dts = Seconds(fields["dts_time"]);
    packet.Duration = Seconds(fields["duration_time"]);
    packet.Hidden = fields["flags"].find('D') != std::string::npos;
    packet.Hash = fields["data_hash"];
    probe.Packets.push_back(packet);
    auto [last, fresh] = lastDts.emplace(packet.Stream, packet.Dts);
    if (!fresh) {
      probe.DtsRise = probe.DtsRise && packet.Dts > last->second;
      last->second = packet.Dts;
    }
    const std::string& kind = size_t(packet.Stream) < probe.Kinds.size() ? probe.Kinds[size_t(packet.Stream)] : "";
    if (packet.Stream == video) {
      probe.VideoHashes.push_back(packet.Hash);
      probe.VideoShown.push_back(!packet.Hidden);
      probe.VideoKey.push_back(fields["flags"].find('K') != std::string::npos);
      if (!packet.Hidden) {
        first = std::min(first, packet.Pts);
        end = std::max(end, packet.Pts + packet.Duration);
      }
    } else if (kind == "audio") {
      ++probe.AudioPackets;
    }
  }
  probe.VideoLength = end - first;
  return probe;
}

std::string ProbeEntries(const std::string& file, const std::string& entries)
{
  return RunCommand("ffprobe -v error -show_entries " + entries + " -of csv=p=0 " + ShellQuote(file)).Output;
}
