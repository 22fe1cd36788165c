// The frame gate with an injected clock and message source.
#include "shell/main_loop.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace {

using platform::Message;

// A scripted world around the loop: the clock advances only when told, and
// messages appear at scripted times.
class ScriptedHost : public shell::LoopHost {
 public:
  int32_t now = 0;
  int frameDuration = 0;  // how long each frame takes, ms
  int maxFrames = 10;     // quit posted after this many frames
  std::vector<int32_t> frameStarts;
  std::vector<std::string> log;
  std::deque<std::pair<int32_t, Message>> scheduled;  // (time, message)
  std::function<void(ScriptedHost&)> duringFrame;
  bool tornDown = false;

  bool peekMessage(Message& out) override {
    if (!scheduled.empty() && scheduled.front().first <= now) {
      out = scheduled.front().second;
      scheduled.pop_front();
      return true;
    }
    return false;
  }
  void dispatchMessage(const Message& m) override {
    log.push_back("msg@" + std::to_string(m.code));
  }
  int32_t clock() override { return now; }
  void waitForMessage(int timeoutMs) override {
    EXPECT_GT(timeoutMs, 0);
    EXPECT_LE(timeoutMs, 30);
    int32_t until = now + timeoutMs;
    if (!scheduled.empty() && scheduled.front().first < until) until = scheduled.front().first;
    now = until > now ? until : now + 1;
  }
  void runFrame() override {
    frameStarts.push_back(now);
    log.push_back("frame");
    if (duringFrame) duringFrame(*this);
    now += frameDuration;
    if (static_cast<int>(frameStarts.size()) == maxFrames) post(now, platform::kMsgQuit);
  }
  void teardown() override { tornDown = true; }

  void post(int32_t at, uint32_t code) {
    Message m;
    m.code = code;
    scheduled.emplace_back(at, m);
  }
};

int run(ScriptedHost& host) {
  shell::FrameClock clock;
  return shell::runMainLoop(host, clock);
}

TEST(MainLoop, FramesBeginEvery30msAndNotAt29) {
  ScriptedHost host;
  host.now = 1000;
  host.maxFrames = 4;
  EXPECT_EQ(run(host), 0);
  EXPECT_TRUE(host.tornDown);
  ASSERT_EQ(host.frameStarts.size(), 4u);
  EXPECT_EQ(host.frameStarts[0], 1030);
  for (size_t i = 1; i < host.frameStarts.size(); ++i) {
    EXPECT_EQ(host.frameStarts[i] - host.frameStarts[i - 1], 30);
  }
}

TEST(MainLoop, ASlowFrameIsFollowedAtOnceAndNothingCatchesUp) {
  ScriptedHost host;
  host.frameDuration = 50;
  host.maxFrames = 4;
  run(host);
  ASSERT_EQ(host.frameStarts.size(), 4u);
  for (size_t i = 1; i < host.frameStarts.size(); ++i) {
    EXPECT_EQ(host.frameStarts[i] - host.frameStarts[i - 1], 50)
        << "one frame per 50 ms, none doubled";
  }
}

TEST(MainLoop, QuitPendingWhenAFrameIsDueTearsDownWithoutThatFrame) {
  ScriptedHost host;
  host.maxFrames = 100;
  host.post(30, platform::kMsgQuit);  // arrives exactly as the first frame falls due
  EXPECT_EQ(run(host), 0);
  EXPECT_TRUE(host.frameStarts.empty());
  EXPECT_TRUE(host.tornDown);
}

TEST(MainLoop, QuitCarriesItsExitCode) {
  ScriptedHost host;
  Message quit;
  quit.code = platform::kMsgQuit;
  quit.wParam = 3;
  host.scheduled.emplace_back(0, quit);
  EXPECT_EQ(run(host), 3);
}

TEST(MainLoop, MessagesArrivingDuringAFrameAreAllHandledBeforeTheNext) {
  ScriptedHost host;
  host.maxFrames = 3;
  host.frameDuration = 10;
  host.duringFrame = [](ScriptedHost& h) {
    if (h.frameStarts.size() == 1) {
      for (int i = 0; i < 5; ++i) h.post(h.now + 5, platform::kMsgMouseMove);
    }
  };
  run(host);
  const std::vector<std::string> expected = {"frame",   "msg@512", "msg@512", "msg@512",
                                             "msg@512", "msg@512", "frame",   "frame"};
  EXPECT_EQ(host.log, expected);
}

TEST(MainLoop, AStreamOfMessagesOnlyDelaysTheFrame) {
  ScriptedHost host;
  host.maxFrames = 1;
  // A message every ms from 25 to 44: the gate stays shut while the queue has work.
  for (int t = 25; t < 45; ++t) host.post(t, platform::kMsgMouseMove);
  run(host);
  ASSERT_EQ(host.frameStarts.size(), 1u);
  EXPECT_GE(host.frameStarts[0], 30);
  EXPECT_LE(host.frameStarts[0], 45);
}

TEST(MainLoop, TheTickDifferenceWrapsLikeThe32BitCounter) {
  ScriptedHost host;
  host.now = INT32_MAX - 10;
  host.maxFrames = 2;
  run(host);
  ASSERT_EQ(host.frameStarts.size(), 2u);
  EXPECT_EQ(static_cast<uint32_t>(host.frameStarts[1]) - static_cast<uint32_t>(host.frameStarts[0]),
            30u);
}

}  // namespace
