#include "mpeg/MPEGTiming.h"

#include "mpeg/MPEG1SysRead.h"
#include "mpeg/MPEGVideoScan.h"
#include "platform/FileIO.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int64_t HeadBytes = 256 << 10;  // enough for the first group and every stream's start
constexpr int64_t HeadAfterStart = 64 << 10;
constexpr int64_t TailBytes = 256 << 10;  // the last group of pictures, at common bit rates
constexpr int64_t MaxTailBytes = 16 << 20;


// Feeds the data of stream 0xE0's packets from the current unit on, until Stop, which sees
// every unit first, says so.
template <typename TStop>
void FeedVideo(TMPEG1SystemReader& Reader, TMPEGVideoScan& Scan, TClockUnwrap& Unwrap, TStop Stop)
{
  while (!Stop() && Reader.Next()) {
    const TMPEGPacketInfo& packet = Reader.Packet();
    if (Reader.UnitKind() != ukPacket || packet.StreamID != VideoStream0 || packet.PayloadSize == 0)
      continue;
    const uint8_t* unit = Reader.UnitData();
    if (unit == nullptr)
      break; // cut off by the end of the file
    Scan.Feed(unit + (packet.PayloadPos - Reader.UnitPos()), packet.PayloadSize,
              packet.HasPTS ? std::optional<int64_t>(Unwrap(packet.PTS)) : std::nullopt);
  }
}

// A packet lasts until the next one of its stream starts; the last one as long as the one before.
void FindSoundEnd(TMPEGTiming& Timing, const std::map<uint8_t, std::vector<int64_t>>& Sound)
{
  for (const auto& [stream, times] : Sound) {
    const size_t n = times.size();
    const int64_t end = times[n - 1] + (n > 1 ? times[n - 1] - times[n - 2] : 0);
    Timing.SoundEnd = std::max(Timing.SoundEnd.value_or(end), end);
  }
}

} // namespace

int64_t TClockUnwrap::operator()(int64_t Clock)
{
  if (!FNear)
    FNear = Clock;
  int64_t ahead = ((Clock - *FNear) % Range + Range) % Range;
  if (ahead >= Range / 2)
    ahead -= Range; // a little before the first clock, rather than a day after it
  return *FNear + ahead;
}

double TMPEGTiming::Length() const
{
  return Start && End && *End > *Start ? double(*End - *Start) / 90000 : 0;
}

TMPEGTiming ScanSystemStreamTiming(const std::string& FileName)
{
  TMPEGTiming timing;
  TMPEG1SystemReader reader;
  reader.Open(FileName, TMPEG1SystemReader::MinWindowSize);

  // The head: the rate, the first picture's time, and where each stream's clock starts.
  TMPEGVideoScan head;
  TClockUnwrap unwrap;
  int64_t startSeenAt = -1;
  FeedVideo(reader, head, unwrap, [&] {
    const int64_t at = reader.UnitPos() + reader.UnitSize();
    if (reader.UnitKind() == ukPacket && reader.Packet().HasPTS) {
      const TMPEGPacketInfo& packet = reader.Packet();
      timing.FirstClock.emplace(packet.StreamID, unwrap(packet.HasDTS ? packet.DTS : packet.PTS));
    }
    if (startSeenAt < 0 && head.FirstGroupStart() && head.FrameTicks() > 0)
      startSeenAt = at;
    return at >= HeadBytes || (startSeenAt >= 0 && at - startSeenAt >= HeadAfterStart);
  });
  timing.FrameTicks = head.FrameTicks();
  if (head.HasStamps())
    timing.Start = head.FirstGroupStart();
  if (timing.FrameTicks == 0 || !timing.Start)
    return timing;

  // The tail, from a pack on, grown until it holds a picture with a time stamp.
  for (int64_t tail = TailBytes;; tail *= 4) {
    reader.SeekTo(std::max<int64_t>(0, reader.FileSize() - tail));
    while (reader.Next() && reader.UnitKind() != ukPack) {
    }
    TMPEGVideoScan scan(timing.FrameTicks);
    std::map<uint8_t, std::vector<int64_t>> sound; // each sound stream's packet times
    FeedVideo(reader, scan, unwrap, [&] {
      if (reader.UnitKind() == ukPacket && reader.Packet().HasPTS && IsSoundStream(reader.Packet().StreamID))
        sound[reader.Packet().StreamID].push_back(unwrap(reader.Packet().PTS));
      return false;
    });
    if (scan.HasStamps()) {
      timing.End = scan.End();
      FindSoundEnd(timing, sound);
      break;
    }
    if (tail >= reader.FileSize() || tail >= MaxTailBytes)
      break;
  }
  return timing;
}

TMPEGTiming ScanElementaryStreamTiming(const std::string& FileName)
{
  TMPEGTiming timing;
  TFile file = TFile::OpenRead(FileName, TShareMode::DenyWrite);
  const int64_t size = file.Size();
  const auto buffer = std::make_unique_for_overwrite<uint8_t[]>(TailBytes);
  // Feeds the bytes from Position to the end, or Limit of them.
  const auto feed = [&](TMPEGVideoScan& scan, int64_t position, int64_t limit) {
    if (file.Seek(position, TSeekOrigin::Begin) < 0)
      return;
    for (int64_t done = 0; done < limit;) {
      const int64_t n = file.Read(buffer.get(), uint32_t(std::min<int64_t>(TailBytes, limit - done)));
      if (n <= 0)
        return;
      scan.Feed(buffer.get(), size_t(n));
      done += n;
    }
  };
  TMPEGVideoScan head;
  feed(head, 0, std::min(size, HeadBytes));
  timing.FrameTicks = head.FrameTicks();
  if (timing.FrameTicks == 0)
    return timing;
  if (size > HeadBytes + TailBytes) {
    // Group time codes tell the length when they count the pictures in between.
    TMPEGVideoScan tail(timing.FrameTicks);
    feed(tail, size - TailBytes, TailBytes);
    if (head.TimeCodesConsistent() && tail.TimeCodesConsistent() && head.FirstGroupStart() && tail.End()) {
      timing.Start = head.FirstGroupStart();
      timing.End = tail.End();
      return timing;
    }
  }
  TMPEGVideoScan all(timing.FrameTicks);
  feed(all, 0, size);
  timing.Start = 0;
  timing.End = all.Pictures() * timing.FrameTicks;
  return timing;
}
