#include "remux/PictureStamps.h"

#include <algorithm>
#include <vector>

namespace {

// FFmpeg stamps the packets of a stream reordered by at most this many pictures; a stream that
// goes on longer without stamps is stamped by its own times rather than held without bound.
constexpr size_t HoldLimit = 17;

int64_t Step(const AVPacket* packet)
{
  return std::max<int64_t>(1, packet->duration);
}

} // namespace

void TPictureStamps::Push(TPacketPtr Packet)
{
  if (Packet->dts == AV_NOPTS_VALUE && Packet->pts == AV_NOPTS_VALUE && FHeld.empty() &&
      FNextDts != AV_NOPTS_VALUE)
    Packet->dts = FNextDts; // a packet without any time follows the one before
  if (Packet->dts == AV_NOPTS_VALUE) {
    FHeld.push_back(std::move(Packet));
    if (FHeld.size() >= HoldLimit)
      StampHeldFromOwnTimes();
    return;
  }
  StampHeldBefore(Packet->dts);
  if (Packet->pts == AV_NOPTS_VALUE)
    Packet->pts = Packet->dts;
  FNextDts = Packet->dts + Step(Packet.get());
  FReady.push_back(std::move(Packet));
}

void TPictureStamps::Finish()
{
  StampHeldFromOwnTimes();
}

TPacketPtr TPictureStamps::Pop()
{
  if (FReady.empty())
    return nullptr;
  TPacketPtr packet = std::move(FReady.front());
  FReady.pop_front();
  return packet;
}

void TPictureStamps::StampHeldBefore(int64_t Dts)
{
  // Backwards from the stamped packet, a frame each, and never after a picture's own time, so
  // that every picture is decoded before it is shown.
  int64_t dts = Dts;
  for (auto held = FHeld.rbegin(); held != FHeld.rend(); ++held) {
    dts -= Step(held->get());
    if ((*held)->pts != AV_NOPTS_VALUE)
      dts = std::min(dts, (*held)->pts);
    (*held)->dts = dts;
    if ((*held)->pts == AV_NOPTS_VALUE)
      (*held)->pts = dts;
  }
  for (TPacketPtr& held : FHeld)
    FReady.push_back(std::move(held));
  FHeld.clear();
}

void TPictureStamps::StampHeldFromOwnTimes()
{
  if (FHeld.empty())
    return;
  // Decoding times are the presentation times in their order, all moved early by the most that
  // any picture is shown before its turn in the file: each then decodes before it shows, and
  // the stamps rise with the file.
  int64_t last = FHeld.front()->pts != AV_NOPTS_VALUE ? FHeld.front()->pts : FNextDts != AV_NOPTS_VALUE ? FNextDts : 0;
  std::vector<int64_t> times;
  for (TPacketPtr& held : FHeld) {
    if (held->pts == AV_NOPTS_VALUE)
      held->pts = last; // told apart from its neighbours by the shift below
    last = held->pts + Step(held.get());
    times.push_back(held->pts);
  }
  std::vector<int64_t> order = times;
  std::sort(order.begin(), order.end());
  int64_t early = 0;
  for (size_t i = 0; i < times.size(); ++i)
    early = std::max(early, order[i] - times[i]);
  // Equal times would give equal stamps: a tick apart keeps them rising.
  for (size_t i = 0; i < times.size(); ++i)
    FHeld[i]->dts = order[i] - early - int64_t(times.size() - i);
  FNextDts = FHeld.back()->dts + Step(FHeld.back().get());
  for (TPacketPtr& held : FHeld)
    FReady.push_back(std::move(held));
  FHeld.clear();
}
