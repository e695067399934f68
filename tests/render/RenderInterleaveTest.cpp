#include "dshow/RenderInterleave.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>

namespace {

struct TStreamCase {
  int Packets;   // how many the stream sends
  double Period; // seconds between two of its packets
  int WaitEvery; // the sending thread pauses after this many packets (0: never)
};

struct TWritten {
  int Stream;
  double Seconds;
};

} // namespace

TEST(PacketInterleaver, WritesEveryPacketInTimeOrderWhateverTheStreamsRates)
{
  const struct {
    const char* What;
    TStreamCase Video, Audio;
  } cases[] = {
      {"one picture every five seconds", {4, 5.0, 0}, {500, 1152.0 / 44100, 7}},
      {"120 pictures a second", {600, 1.0 / 120, 50}, {200, 1152.0 / 44100, 0}},
      {"no sound at all", {50, 0.04, 0}, {0, 0.02, 0}},
      {"sound far longer than the picture", {3, 0.04, 0}, {400, 2048.0 / 44100, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    std::vector<TWritten> written;
    std::atomic<int> pushed = 0;
    size_t mostQueued = 0;
    TPacketInterleaver interleaver(2, [&](AVPacket* packet) {
      written.push_back({packet->stream_index, double(packet->dts) / 1000});
      mostQueued = std::max(mostQueued, size_t(pushed - int(written.size())));
    });
    const auto send = [&](int stream, const TStreamCase& s) {
      for (int i = 0; i < s.Packets; ++i) {
        TPacketPtr packet = NewPacket();
        packet->stream_index = stream;
        packet->dts = std::llround(i * s.Period * 1000);
        ++pushed;
        interleaver.Push(stream, std::move(packet), i * s.Period);
        if (s.WaitEvery > 0 && i % s.WaitEvery == 0)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      interleaver.End(stream);
    };
    auto run = std::async(std::launch::async, [&] {
      std::thread video(send, 0, c.Video);
      send(1, c.Audio);
      video.join();
      interleaver.Flush();
    });
    if (run.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
      ADD_FAILURE() << "the interleaver hangs";
      std::abort();
    }
    run.get();
    ASSERT_EQ(written.size(), size_t(c.Video.Packets + c.Audio.Packets));
    for (size_t i = 1; i < written.size(); ++i)
      ASSERT_LE(written[i - 1].Seconds, written[i].Seconds) << "packet " << i;
    // Both queues stay bounded, also while one stream is far ahead of the other.
    EXPECT_LE(mostQueued, 70u);
  }
}

TEST(PacketInterleaver, AStreamWaitingForAnotherIsReleasedWhenThatOneWaitsOrTheRunStops)
{
  const struct {
    const char* What;
    std::function<void(TPacketInterleaver&)> Release;
  } cases[] = {
      {"the other stream waits for this one", [](TPacketInterleaver& i) { i.Idle(1, true); }},
      {"the run stops", [](TPacketInterleaver& i) { i.Abort(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TPacketInterleaver interleaver(2, [](AVPacket*) {});
    auto sender = std::async(std::launch::async, [&] {
      // The other stream sends nothing: the queue fills and the sender waits.
      for (int i = 0; i < 1000; ++i)
        interleaver.Push(0, NewPacket(), i * 0.01);
    });
    EXPECT_EQ(sender.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    c.Release(interleaver);
    EXPECT_EQ(sender.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  }
}
