#include "remux/PictureStamps.h"

#include <algorithm>
#include <vector>

namespace {

// FFmpeg stamps the packets of a stream reordered by at most 16 pictures; a stream that goes on
// longer without stamps gets stamps of its own.
constexpr size_t HoldLimit = 17;

int64_t Step(const AVPacket* packet, int64_t nominal)
{
  return std::max<int64_t>(1, packet->duration > 0 ? packet->duration : nominal);
}

} // namespace

void TPictureStamps::Push(TPacketPtr Packet, int64_t Nominal)
{
  FNominal = Nominal;
  if (Packet->pts == AV_NOPTS_VALUE)
    Packet->pts = Packet->dts != AV_NOPTS_VALUE ? Packet->dts : FNextPts;
  FNextPts = Packet->pts + Step(Packet.get(), Nominal);
  FRecentPts.push_back(Packet->pts);
  if (FRecentPts.size() > 3 * HoldLimit)
    FRecentPts.pop_front();
  if (Packet->dts == AV_NOPTS_VALUE || FOwnTimes) {
    FTimes.insert(Packet->pts);
    FHeld.push_back(std::move(Packet));
    if (FHeld.size() >= HoldLimit)
      StampFirstHeld();
    return;
  }
  StampHeldBefore(Packet->dts);
  FLastDts = Packet->dts;
  FReady.push_back(std::move(Packet));
}

void TPictureStamps::Finish()
{
  while (!FHeld.empty())
    StampFirstHeld();
  FFinished = true;
}

TPacketPtr TPictureStamps::Pop()
{
  if (FReady.empty())
    return nullptr;
  if (FReady.front()->duration <= 0) {
    // The next picture shown follows within the reordering.
    if (!FFinished && FReady.size() < HoldLimit)
      return nullptr;
    TimeFront();
  }
  TPacketPtr packet = std::move(FReady.front());
  FReady.pop_front();
  return packet;
}

void TPictureStamps::TimeFront()
{
  AVPacket* front = FReady.front().get();
  int64_t next = INT64_MAX;
  for (const int64_t pts : FRecentPts)
    if (pts > front->pts)
      next = std::min(next, pts);
  if (next != INT64_MAX) {
    front->duration = next - front->pts;
    FShortestStep = FShortestStep > 0 ? std::min(FShortestStep, front->duration) : front->duration;
  } else {
    front->duration = FShortestStep > 0 ? FShortestStep : FNominal;
  }
}

void TPictureStamps::StampHeldBefore(int64_t Dts)
{
  // Backwards from the stamped packet, a frame each, and never after a picture's own time, so
  // that every picture is decoded before it is shown.
  int64_t dts = Dts;
  for (auto held = FHeld.rbegin(); held != FHeld.rend(); ++held) {
    dts = std::min(dts - Step(held->get(), FNominal), (*held)->pts);
    (*held)->dts = dts;
  }
  for (TPacketPtr& held : FHeld)
    FReady.push_back(std::move(held));
  FHeld.clear();
  FTimes.clear();
}

void TPictureStamps::StampFirstHeld()
{
  if (!FOwnTimes) {
    // The presentation times in their order, moved early by the most that any picture held is
    // shown before its turn in the file: each then decodes before it shows.
    std::vector<int64_t> order(FTimes.begin(), FTimes.end());
    for (size_t i = 0; i < FHeld.size(); ++i)
      FEarly = std::max(FEarly, order[i] - FHeld[i]->pts);
    FOwnTimes = true;
  }
  // The k-th packet decodes at the k-th presentation time, which the packets held have shown.
  TPacketPtr packet = std::move(FHeld.front());
  FHeld.pop_front();
  int64_t dts = *FTimes.begin() - FEarly;
  FTimes.erase(FTimes.begin());
  if (FLastDts != AV_NOPTS_VALUE)
    dts = std::max(dts, FLastDts + 1); // equal times must not give equal stamps
  packet->dts = FLastDts = dts;
  FReady.push_back(std::move(packet));
}
