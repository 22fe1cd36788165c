// A round from the outside in: the frame gate and the input rules of the shell;
// play frames on a World placed by hand, read back from what they draw; the
// game-over board; then one scripted round on the generated data with the
// clock pinned, its World written out every 50 frames and compared with the
// checked-in record (TT_UPDATE_GOLDEN=1 rewrites it), and the start-up
// placement and the restarts looked at on the way.
#ifndef _WIN32
#include <dlfcn.h>
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "game/frames.h"
#include "game/world_state.h"
#include "platform/gl.h"
#ifndef _WIN32
#include "platform/message_queue.h"
#endif
#include "platform/runtime.h"
#include "shell/main_loop.h"
#include "shell/window_proc.h"
#include "tests/byte_builder.h"
#include "tests/gl_harness.h"

namespace {

using game::gFrame;
using game::gWorld;
using platform::Message;
using tt::SoundLog;

// The clock advances only when the loop waits or a frame takes time; messages
// appear at scripted times. Unsigned time, so the 32-bit wrap is defined here.
struct ScriptedHost : shell::LoopHost {
  uint32_t start = 0, now = 0, frameDuration = 0;
  int frames = 0, burst = 0;  // burst: mouse messages that arrive during the first frame
  uint32_t polled = 0;  // what held input posts as each frame falls due (two moves, or a quit)
  std::string log;      // "F<ms since start> " per frame, m per message, T for the teardown
  std::deque<std::pair<uint32_t, Message>> scheduled;
  ScriptedHost(uint32_t t, uint32_t duration, int b)
      : start(t), now(t), frameDuration(duration), burst(b) {}

  bool due(uint32_t by) const {
    return !scheduled.empty() && int32_t(scheduled.front().first - by) <= 0;
  }
  bool peekMessage(Message& out) override {
    if (!due(now)) return false;
    out = scheduled.front().second;
    scheduled.pop_front();
    return true;
  }
  void dispatchMessage(const Message&) override { log += 'm'; }
  int32_t clock() override { return static_cast<int32_t>(now); }
  void waitForMessage(int timeoutMs) override {
    EXPECT_GT(timeoutMs, 0);
    EXPECT_LE(timeoutMs, 30);
    const uint32_t until = due(now + timeoutMs) ? scheduled.front().first : now + timeoutMs;
    now = int32_t(until - now) > 0 ? until : now + 1;
  }
  void runFrame() override {
    log.append("F").append(std::to_string(now - start)).append(" ");
    for (int i = 0; i < burst && frames == 0; ++i) post(now + 5, platform::kMsgMouseMove);
    now += frameDuration;
    if (++frames == 4) post(now, platform::kMsgQuit);
  }
  void teardown() override { log += 'T'; }
  void pollInput() override {
    if (!polled) return;
    log += 'P';
    post(now, polled);
    if (polled == platform::kMsgMouseMove) post(now, polled);
  }
  void post(uint32_t at, uint32_t code, uintptr_t wParam = 0) {
    scheduled.emplace_back(at, Message{.code = code, .wParam = wParam});
  }
};

TEST(MainLoop, FramesBeginEvery30msOrAtOnceAfterASlowOneAndNeverCatchUp) {
  struct Case {
    uint32_t start, duration;
    int burst;
    bool quitFirst;  // a quit with code 3 pending as the first frame falls due
    const char* log;
    // How long before the loop the first frame's 30 ms began (the game's loading; 0: not said).
    uint32_t counted = 0;
    uint32_t polled = 0;
  };
  for (const Case& c :
       {Case{1000, 0, 0, false, "F30 F60 F90 F120 T"}, Case{0, 50, 0, false, "F30 F80 F130 F180 T"},
        Case{INT32_MAX - 10u, 0, 0, false, "F30 F60 F90 F120 T"},
        Case{0, 10, 5, false, "F30 mmmmmF60 F90 F120 T"}, Case{0, 0, 0, true, "T"},
        Case{1000, 0, 0, false, "F0 F30 F60 F90 T", 100},
        Case{1000, 0, 0, false, "F0 F30 F60 F90 T", 30},
        Case{1000, 0, 0, false, "F18 F48 F78 F108 T", 12},
        Case{INT32_MAX - 10u, 0, 0, false, "F0 F30 F60 F90 T", 40},
        // Held input is read once as each frame falls due, and what it posts is handled before
        // that frame; a quit it posts ends the loop without the frame.
        Case{0, 0, 0, false, "PmmF30 PmmF60 PmmF90 PmmF120 T", 0, platform::kMsgMouseMove},
        Case{0, 0, 0, false, "PT", 0, platform::kMsgQuit}}) {
    ScriptedHost host(c.start, c.duration, c.burst);
    host.polled = c.polled;
    if (c.quitFirst) host.post(c.start + 30, platform::kMsgQuit, 3);
    shell::FrameClock clock;
    const std::optional<int32_t> first =
        c.counted ? std::optional<int32_t>(int32_t(c.start - c.counted)) : std::nullopt;
    EXPECT_EQ(shell::runMainLoop(host, clock, first), c.quitFirst ? 3 : 0) << c.log;
    EXPECT_EQ(host.log, c.log);
  }
}

TEST(MouseTilt, EachMoveStepsEachTiltByHalfADegreeUpToTen) {
  struct Case {
    int x, y, dx, dy, moves;
    float tiltX, tiltY, spin;
  };
  for (const Case& c : {
           Case{530, 400, -50, -20, 1, -0.5f, -0.5f, 0},  // the first move from the start position
           Case{100, 100, 0, 0, 2, 0, 0, 0},              // no movement
           Case{0, 0, 900, 600, 1, 0.5f, 0.5f, 1},      // a jump of hundreds of pixels is one step
           Case{100, 100, 10, -10, 2, -1.0f, 1.0f, 2},  // diagonal
           Case{500, 100, -1, 0, 2, 0, -1.0f, 0},       // left leaves the spin
           Case{0, 400, 1, 0, 30, 0, 10.0f, 30},        // steady right: the spin goes on past 10
           Case{100, 400, -1, -1, 50, -10.0f, -10.0f, 0},  // steady up and left
           Case{0, 0, 0, 1, 50, 10.0f, 0, 0},              // steady down
           Case{5, 5, -8, -9, 1, -0.5f, -0.5f, 0},         // negative client coordinates
       }) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " by " << c.dx << "," << c.dy);
    gWorld.tiltX = gWorld.tiltY = gWorld.spinAngle = 0.0f;
    gWorld.lastMouseX = c.x, gWorld.lastMouseY = c.y;
    for (int i = 1; i <= c.moves; ++i) {
      const intptr_t at = platform::packPoint(c.x + i * c.dx, c.y + i * c.dy);
      shell::windowProc(nullptr, platform::kMsgMouseMove, 0, at);
    }
    EXPECT_EQ(std::vector<float>({gWorld.tiltX, gWorld.tiltY, gWorld.spinAngle}),
              std::vector<float>({c.tiltX, c.tiltY, c.spin}));
  }
}

TEST(WindowMessages, KeysAndCloseRequestsInOrder) {
  using namespace platform;
  struct Step {
    int32_t setPlaying;     // < 0: as the step before left it
    uint32_t code, posted;  // posted 0: nothing
    uintptr_t key;
    int32_t playing, timer;
  };
  const Step steps[] = {
      {1, kMsgKeyDown, 0, 'A', 1, 7},
      {0, kMsgKeyDown, 0, 'A', 0, 7},
      // Confirm plays again on the board and does nothing during a round.
      {0, kMsgKeyDown, 0, kKeySpace, 1, 3000},
      {0, kMsgKeyDown, 0, kKeyReturn, 1, 3000},
      {1, kMsgKeyDown, 0, kKeyReturn, 1, 7},
      {1, kMsgKeyDown, 0, kKeySpace, 1, 7},
      {1, kMsgKeyDown, kMsgQuit, kKeyEscape, 1, 7},
      // A held Esc on the board: the first key-down restarts, the next (the repeat) quits.
      {0, kMsgKeyDown, 0, kKeyEscape, 1, 3000},
      {-1, kMsgKeyDown, kMsgQuit, kKeyEscape, 1, 7},
      {-1, kMsgDestroy, 0, 0, 1, 7},
      {-1, kMsgClose, kMsgQuit, 0, 1, 7},
      {-1, kMsgSysKeyDown, kMsgClose, kKeyF4, 1, 7},
  };
  Message m;
  while (peekMessage(m)) continue;
  for (const Step& s : steps) {
    SCOPED_TRACE(&s - steps);
    if (s.setPlaying >= 0) gWorld.playing = s.setPlaying;
    gWorld.roundTimer = 7;
    EXPECT_EQ(shell::windowProc(nullptr, s.code, s.key, 0), 0);
    m = Message{};
    EXPECT_EQ(peekMessage(m) ? m.code : 0u, s.posted);
    EXPECT_EQ(m.wParam, 0u);  // the quit code
    EXPECT_FALSE(peekMessage(m));
    EXPECT_EQ(std::make_pair(gWorld.playing, gWorld.roundTimer),
              std::make_pair(s.playing, s.timer));
  }
}

#ifndef _WIN32
// SDL versions mark keys without a character with different flag bits (SDL 2's, SDL 1.3's).
TEST(WindowMessages, SdlKeyCodesBecomeTheProceduresKeyCodes) {
  constexpr int32_t kSdl2Flag = 1 << 30, kOldFlag = 1 << 10, kF4 = 61, kF5 = 62;
  struct Case {
    int32_t key, flag;
    uintptr_t code;
  };
  for (const Case& c :
       {Case{27, kSdl2Flag, platform::kKeyEscape}, Case{27, kOldFlag, platform::kKeyEscape},
        Case{kF4 | kSdl2Flag, kSdl2Flag, platform::kKeyF4},
        Case{kF4 | kOldFlag, kOldFlag, platform::kKeyF4},
        Case{kF4 | kOldFlag, kSdl2Flag, (kF4 | kOldFlag) | 0x10000u},
        Case{kF5 | kSdl2Flag, kSdl2Flag, kF5 | 0x10000u}, Case{'a', kSdl2Flag, 'A'},
        Case{'z', kOldFlag, 'Z'}, Case{' ', kSdl2Flag, ' '}, Case{'1', kSdl2Flag, '1'}}) {
    EXPECT_EQ(platform::queue::virtualKey(c.key, c.flag), c.code) << c.key << " flag " << c.flag;
  }
}
#endif

// The cues asked for since `log` began, as letters (bump, squash, beep, laugh, squeaks), each
// followed by its flags in hex when `flags` is set: "L5" is a laugh that cuts in, "X15" a squeak
// dropped while another clip sounds.
std::string heard(const SoundLog& log, bool flags = true) {
  const game::World& w = gWorld;
  const uint8_t* images[] = {w.bumpClip.data,  w.squashClip.data,  w.beepClip.data,
                             w.laughClip.data, w.squeakxClip.data, w.squeakyClip.data};
  std::string out;
  for (const auto& [image, f] : log.plays) {
    if (flags && !out.empty()) out += ' ';
    out += "USBLXY?"[std::find(images, images + 6, image) - images];
    char hex[9];
    std::snprintf(hex, sizeof hex, "%x", f);
    if (flags) out += hex;
  }
  return out;
}

// Every model of the World, the last member first.
std::vector<assets::Model*> models() {
  game::World& w = gWorld;
  std::vector<assets::Model*> out = {&w.squashSpot};
  for (int i = world::kRoachParts - 1; i >= 0; --i) out.push_back(&w.roach.parts[i]);
  out.push_back(&w.pizza);
  for (int i = game::kCupCount - 1; i >= 0; --i) out.push_back(&w.cups[i]);
  out.insert(out.end(), {&w.ball, &w.table});
  return out;
}

// The SDL backend's requests; a Windows build gets what its driver makes of
// the pixel format record, and its GL library's calls cannot be caught this way.
#ifndef _WIN32
TEST(PixelFormat, IsRgbOfEightBitsWithADepthBufferOfSixteenAndNothingElse) {
  tt::ensureGlContext();
  const GLenum names[] = {GL_RED_BITS,   GL_GREEN_BITS,   GL_BLUE_BITS,      GL_ALPHA_BITS,
                          GL_DEPTH_BITS, GL_STENCIL_BITS, GL_ACCUM_RED_BITS, GL_AUX_BUFFERS};
  std::vector<GLint> bits;
  for (GLenum name : names) glGetIntegerv(name, &bits.emplace_back(-1));
  EXPECT_EQ(bits, std::vector<GLint>({8, 8, 8, 0, 16, 0, 0, 0}));
}

// While set, every name given to glDeleteTextures is noted here.
std::vector<GLuint>* gDeletedTextures = nullptr;

TEST(World, ReleasesTheModelsTexturesLastMemberFirst) {
  tt::ensureGlContext();
  const std::vector<assets::Model*> order = models();
  std::vector<GLuint> kept, standIns, deleted;
  for (assets::Model* m : order) {
    kept.push_back(std::exchange(m->texture, 900 + GLuint(standIns.size())));  // no texture's
    standIns.push_back(m->texture);
  }
  gDeletedTextures = &deleted;
  game::releaseWorldTextures();
  gDeletedTextures = nullptr;
  EXPECT_EQ(deleted, standIns);
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(order[i]->texture, 0u);
    order[i]->texture = kept[i];
  }
}
#endif

// A frame's starting point: by default nothing near anything, the roach about
// to walk 1.4 along its heading from (0, -1.4) to exactly (0, 0), and what the
// frame should leave.
constexpr float F = 1000;
struct Case {
  int32_t timer = 2000;
  float roachX = 0, roachY = -1.4f, heading = 0, ballX = 0, ballY = -152.0f, ballVx = 0;
  float cupX = F, cupY = F, pizzaX = 0, pizzaY = F, tiltX = 0, tiltY = 0;
  int32_t dirX = 1, dirY = 1;
  float turned = NAN;                                                        // NaN: not looked at
  int32_t points = 0, score = 0, playing = 1, dirXAfter = 1, dirYAfter = 1;  // score: squashes
  std::string heard = "";
};

void place(const Case& c) {
  tt::resetGlState();
  game::World& w = gWorld;
  w.roundTimer = c.timer, w.playing = 1, w.score = c.points, w.roach.walkPhase = 0;
  w.roach.x = c.roachX, w.roach.y = c.roachY, w.roach.heading = c.heading, w.roach.speed = 1.4f;
  w.ball.x = c.ballX, w.ball.y = c.ballY, w.ball.vx = c.ballVx, w.ball.vy = 0.0f;
  for (world::Prop& cup : w.cups) cup.x = cup.y = F;
  w.cups[1].x = c.cupX, w.cups[1].y = c.cupY, w.pizza.x = c.pizzaX, w.pizza.y = c.pizzaY;
  w.tiltX = c.tiltX, w.tiltY = c.tiltY, w.spinAngle = 7.0f;
  gFrame.squeakDirX = c.dirX, gFrame.squeakDirY = c.dirY;
  w.squashSpot.clear();
  // Small stand-in clips on the heap, as loaded ones are: a later set-up frees them.
  for (assets::SoundClip* clip :
       {&w.squashClip, &w.beepClip, &w.bumpClip, &w.squeakxClip, &w.squeakyClip, &w.laughClip}) {
    assets::freeSoundClip(*clip);
    *clip = {new uint8_t[4]{'R', 'I', 'F', 'F'}, 4};
  }
  w.ball.bumpClip = &w.bumpClip;
  w.squashSpot.squashClip = &w.squashClip;
}

// A clockwise turn from heading 0 by 3 * factor degrees, wrapped.
constexpr float cw(float factor) { return 360.0f - 3.0f * factor; }

TEST(PlayFrame, OneFrameOnAPlacedWorld) {
  // clang-format off
  const Case cases[] = {
      // Straight ahead: the ball, a cup, the pizza; no squash at exactly 20.
      {.ballY = 49.9f, .turned = cw(1.0f)}, {.ballY = 50, .turned = cw(0.6f)},
      {.ballY = 99.9f, .turned = cw(0.6f)}, {.ballY = 100, .turned = cw(0.3f)},
      {.ballY = 149.9f, .turned = cw(0.3f)}, {.ballY = 150, .turned = 0},
      {.ballY = 20, .turned = cw(1.0f)}, {.ballY = 19.9f, .score = 1},
      {.cupX = 0, .cupY = 25, .turned = cw(3.0f)}, {.cupX = 0, .cupY = 25.5f, .turned = cw(1.2f)},
      {.cupX = 0, .cupY = 39.9f, .turned = cw(1.2f)}, {.cupX = 0, .cupY = 40, .turned = 0},
      {.pizzaX = 0, .pizzaY = 74.9f, .turned = cw(1.2f)}, {.pizzaX = 0, .pizzaY = 75, .turned = 0},
      // The ball ahead to the right turns the roach 3 degrees counter-clockwise before the cup
      // to its left is tested, which brings that cup within 110 degrees of the heading.
      {.ballX = 25.98f, .ballY = 15, .cupX = -27.81f, .cupY = -11.24f,
       .turned = 3.0f - 1.2f * 3.0f + 360.0f},
      // Beyond x 200 with the pizza 112 degrees to the left: the pizza is tested before the edge
      // turns the roach toward it, so only the edge turns it.
      {.roachX = 210, .roachY = 0, .heading = 293, .pizzaX = 171.3f, .pizzaY = 40.5f,
       .turned = 299},
      // The ball rolls from -101 to -100 and meets the obstacle head on.
      {.ballX = -101, .ballY = -100, .ballVx = 1, .cupX = -74, .cupY = -100},
      {.ballX = -101, .ballY = -100, .ballVx = 1, .cupX = -74.01f, .cupY = -100, .heard = "U5"},
      {.ballX = -101, .ballY = -100, .ballVx = 1, .pizzaX = -41, .pizzaY = -100},
      {.ballX = -101, .ballY = -100, .ballVx = 1, .pizzaX = -41.01f, .pizzaY = -100,
       .heard = "U5"},
      // Edge bands: the roach heads 10 degrees clockwise of the outward direction, so it turns
      // clockwise by 3 * the band's factor.
      {.roachX = 210, .roachY = 0, .heading = 260, .turned = 254},      // band 1: (1, 0), 2.0
      {.roachX = -210, .roachY = 0, .heading = 80, .turned = 74},       // band 2: (-1, 0), 2.0
      {.roachX = 210, .roachY = 130, .heading = 350, .turned = 344},    // band 3: (0, 1), 2.0
      {.roachX = 0, .roachY = -130, .heading = 170, .ballY = 100, .turned = 164},  // band 4
      {.roachX = 230, .roachY = 130, .heading = 260, .turned = 248},    // band 5: (1, 0), 4.0
      {.roachX = -230, .roachY = 0, .heading = 80, .turned = 68},       // band 6: (-1, 0), 4.0
      {.roachX = 230, .roachY = 150, .heading = 350, .turned = 338},    // band 7: (0, 1), 4.0
      {.roachX = -230, .roachY = -150, .heading = 170, .turned = 158},  // band 8: (0, -1), 4.0
      {.roachX = 190, .roachY = 110, .heading = 350, .turned = 350},
      // The cues of the countdown; the last frame ends the round and still counts a squash.
      {.timer = 3000}, {.timer = 2401, .heard = "L5"}, {.timer = 2400},
      {.timer = 1801, .heard = "L5"}, {.timer = 1201, .heard = "L5"},
      {.timer = 601, .heard = "L5"}, {.timer = 600}, {.timer = 151, .heard = "B5"},
      {.timer = 150}, {.timer = 121, .heard = "B5"}, {.timer = 91, .heard = "B5"},
      {.timer = 61, .heard = "B5"}, {.timer = 31, .heard = "B5"}, {.timer = 30},
      {.timer = 2, .points = 12}, {.timer = 1, .playing = 0},
      {.timer = 1, .ballY = 10, .score = 1, .playing = 0},
      // The ball in play up to the table's edges, and beyond.
      {.ballX = 235, .ballY = 0}, {.ballX = 235.01f, .ballY = 0, .playing = 0},
      {.ballX = -235, .ballY = 0}, {.ballX = -235.01f, .ballY = 0, .playing = 0},
      {.ballY = 155}, {.ballY = 155.01f, .playing = 0}, {.ballY = -155},
      {.ballY = -155.01f, .playing = 0}, {.ballX = 235, .ballY = 155},
      // Each tilt squeaks once per swing past five.
      {.tiltX = 5.5f}, {.tiltX = -5.0f},
      {.tiltX = -5.5f, .dirXAfter = -1, .heard = "X15"},
      {.tiltX = -5.5f, .dirX = -1, .dirXAfter = -1}, {.tiltX = 5.0f, .dirX = -1, .dirXAfter = -1},
      {.tiltX = 5.5f, .dirX = -1, .heard = "X15"},
      {.tiltX = 5.5f, .tiltY = -5.5f, .dirYAfter = -1, .heard = "Y15"},
      {.tiltX = -5.5f, .tiltY = 5.5f, .dirY = -1, .dirXAfter = -1, .heard = "X15 Y15"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << &c - cases);
    place(c);
    const game::World& w = gWorld;
    SoundLog log;
    // The countdown at the upper left and the score at the upper right, as the frame began.
    const std::vector<tt::TextLine> hud = {
        {std::to_string((c.timer - 1) / 10), 0.5f, -12, 7.5f, -20, 1},
        {std::to_string(c.points), 0.5f, 11, 7.5f, -20, 1}};
    EXPECT_EQ(tt::readText(tt::capture(game::playFrame, -480, -320)), hud);
    EXPECT_TRUE(std::isnan(c.turned) || w.roach.heading == c.turned) << w.roach.heading;
    EXPECT_EQ(heard(log), c.heard);
    EXPECT_EQ(std::vector<int32_t>(
                  {w.roundTimer, w.score, w.playing, gFrame.squeakDirX, gFrame.squeakDirY}),
              std::vector<int32_t>(
                  {c.timer - 1, c.points + c.score, c.playing, c.dirXAfter, c.dirYAfter}));
    EXPECT_EQ(w.spinAngle, c.playing ? 7.0f : 0.0f);
    if (c.ballVx == 0) continue;
    // Rolled on untouched, or bounced straight back.
    const bool rolledOn = w.ball.vx == c.ballVx && w.ball.x == c.ballX + c.ballVx;
    EXPECT_TRUE(c.heard.empty() ? rolledOn : w.ball.vx < -0.99f) << w.ball.x << " " << w.ball.vx;
  }
}

// A positive tiltY lowers the table's +x side and a positive tiltX raises its +y side; the ball
// speeds up downhill. The table is one triangle, its middle and the points 100 along x and y.
TEST(PlayFrame, TheTableTurnsWithTheTiltsAndTheBallRollsDownhill) {
  struct Case {
    float tiltX, tiltY;
    std::array<float, 6> tips;  // eye x y z of the +x tip, then of the +y tip
    float vx, vy;
  };
  const Case cases[] = {
      {10, 0, {100, 0, -430, 0, 98.4808f, -412.635f}, 0, -0.035f},
      {0, 10, {98.4808f, 0, -447.365f, 0, 100, -430}, 0.035f, 0},
      {10, 10, {98.4808f, 3.0154f, -447.101f, 0, 98.4808f, -412.635f}, 0.035f, -0.035f},
  };
  assets::Mesh& table = gWorld.table.mesh;
  table.vertexCount = 3, table.faceCount = 1;
  const float corners[3][3] = {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}};
  std::memcpy(table.vertices, corners, sizeof corners);
  for (int i = 0; i < 3; ++i) table.faces[0][i] = i;
  for (const Case& c : cases) {
    place({.tiltX = c.tiltX, .tiltY = c.tiltY});
    const tt::Polygons drawn = tt::capture(game::playFrame, -480, -320);
    const auto it = std::find_if(drawn.begin(), drawn.end(), [](const auto& p) {
      return p.size() == 3 && std::hypot(p[0].x, p[0].y, p[0].z + 430) < 1e-3;
    });
    ASSERT_NE(it, drawn.end());
    const auto& p = *it;
    const std::array<float, 6> tips = {p[1].x, p[1].y, p[1].z, p[2].x, p[2].y, p[2].z};
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(tips[k], c.tips[k], 2e-3) << c.tiltX << " " << k;
    EXPECT_EQ(std::make_pair(gWorld.ball.vx, gWorld.ball.vy), std::make_pair(c.vx, c.vy));
  }
  table.vertexCount = table.faceCount = 0;
}

TEST(PlayFrame, ASquashLeavesTheSpotAndRestartsTheRoachFromTheMiddle) {
  place({.roachX = 50, .roachY = 30, .ballX = 50, .ballY = 40});
  gWorld.roach.walkPhase = 3;
  platform::seedRandom(4242);
  SoundLog log;
  game::playFrame();
  EXPECT_EQ(heard(log), "");
  std::srand(4242);
  const world::SquashSpot& spot = gWorld.squashSpot;
  // The spot is where the roach stood after its step of 1.4 (in double), with
  // its heading, turned 3 degrees by the ball straight ahead.
  EXPECT_EQ(std::vector<float>(
                {spot.x, spot.y, spot.rotation, spot.scale, gWorld.roach.x, gWorld.roach.y}),
            std::vector<float>(
                {50.0f, static_cast<float>(30.0 + double{1.4f}), 357.0f, 0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(gWorld.roach.heading, static_cast<float>(std::rand() % 360));
  EXPECT_EQ(std::vector<int32_t>({gWorld.score, spot.frame, gWorld.roach.walkPhase}),
            std::vector<int32_t>({1, 1, 4}));
  // The next frame's stain animation plays the squash sound.
  game::playFrame();
  EXPECT_EQ(heard(log), "S5");
  EXPECT_EQ(std::make_pair(spot.frame, spot.scale), std::make_pair(2, 0.25f));
}

// The corners of the polygons whose texture spans all of s (a glyph's spans a tenth of the font):
// x, y and z to a thousandth, the feedback's rounding, then s and t.
using Corners = std::set<std::array<float, 5>>;
Corners pictureCorners(const tt::Polygons& drawn) {
  const auto milli = [](float v) { return std::round(v * 1000) / 1000; };
  Corners corners;
  for (const auto& polygon : drawn) {
    const auto [lo, hi] = std::minmax_element(polygon.begin(), polygon.end(),
                                              [](auto& a, auto& b) { return a.s < b.s; });
    for (const tt::Corner& k : polygon)
      if (hi->s - lo->s == 1) corners.insert({milli(k.x), milli(k.y), milli(k.z), k.s, k.t});
  }
  return corners;
}

// The board for each variant, unturned: its texts front and back, read from the glyphs' cells,
// and the picture on its left half. Turned by 30, its right edge goes away from the viewer.
TEST(GameOver, TheBoardShowsThePictureAndItsTextsFrontAndBack) {
  struct Line {
    const char* text;
    float size, x, y;
  };
  // The letter on the back, read from behind: every line starts at x 13.3 and runs toward -x,
  // from y 7.8 each just below the one above (the strips round the address are half high), then
  // the signature.
  const std::string strip(50, ' ');
  const std::string letter[] = {"     Congratulations!    ", "You are very observant :)",
                                "Now you've found a magic ", "letter!  Send  this game ",
                                "to at least three of your", "friends,think of a person",
                                "you  don't  like, and  a ", "terrorist  roach   will  ",
                                "attack his kitchen!      ", "Also, please donate a few",
                                "bucks at                 ", strip,
                                "   www.tabletumble.org   ", strip,
                                "We have to keep a secret ", "terrorist roach  training",
                                "camp. It's rather costly."};
  const Line lose[] = {{"Agrrrrhhh.....", 1, 0.3f, 6},    {"Don't worry ;)", 1, 0.3f, 4},
                       {"next time ", 1, 1.3f, 2},        {"you'll kill ", 1, 1.9f, 0},
                       {"them all ! ", 1, 2.5f, -2},      {"Press Esc to ", 0.6f, 5.3f, -8.5f},
                       {"start again", 0.6f, 5.4f, -9.1f}};
  const Line win[] = {{"Yeahhhhhh !!", 1, 0.3f, 6},         {"All roaches ", 1, 0.3f, 4},
                      {"around are  ", 1, 0.3f, 2},         {"terrified :)", 1, 0.3f, 0},
                      {"Your score is", 1, 0.3f, -3},       {"1", 1.4f, 8, -6},
                      {"Press Esc to ", 0.6f, 5.3f, -8.5f}, {"start again", 0.6f, 5.4f, -9.1f}};
  tt::resetGlState();
  GLuint pictures[2];  // one colour each: the lose picture red, the win picture blue
  glGenTextures(2, pictures);
  const uint8_t colours[2][3] = {{200, 0, 0}, {0, 0, 200}};
  for (int k = 0; k < 2; ++k) {
    glBindTexture(GL_TEXTURE_2D, pictures[k]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, colours[k]);
  }
  game::World& w = gWorld;
  const GLuint kept[2] = {std::exchange(w.loseTexture, pictures[0]),
                          std::exchange(w.winTexture, pictures[1])};
  for (const int32_t score : {0, 1}) {
    SCOPED_TRACE(score);
    w.score = score;
    w.spinAngle = 0;
    std::vector<tt::TextLine> want;
    float y = 7.8f + 1.1f;
    for (const std::string& l : letter) {
      const float size = l == strip ? 0.55f : 1.1f;
      want.push_back({l, size, 13.3f, y -= size, -25.1f, -1});
    }
    want.push_back({"Written by the Tabletumble team", 0.35f, 13.3f, -9.6f, -25.1f, -1});
    for (const Line& l : score ? std::span<const Line>(win) : std::span<const Line>(lose))
      want.push_back({l.text, l.size, l.x, l.y, -24.9f, 1});
    const tt::Polygons board = tt::capture(game::gameOverFrame, -480, -320);
    EXPECT_EQ(tt::readText(board), want);
    // The whole picture on the 30 x 20 quad, upright.
    EXPECT_EQ(pictureCorners(board), (Corners{{-15, -10, -25, 0, 0},
                                              {-15, 10, -25, 0, 1},
                                              {15, -10, -25, 1, 0},
                                              {15, 10, -25, 1, 1}}));
    tt::resetGlState();
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    game::gameOverFrame();
    const uint8_t* c = colours[score ? 1 : 0];
    EXPECT_EQ(tt::readPixel(170, 474), (tt::Rgb{c[0], c[1], c[2]}));  // board point (-10, 5)
    w.spinAngle = 30;
    const Corners turned = pictureCorners(tt::capture(game::gameOverFrame, -480, -320));
    EXPECT_EQ(turned.count({12.99f, 10, -32.5f, 1, 1}), 1u);  // the upper right corner
    tt::resetGlState();
  }
  w.loseTexture = kept[0], w.winTexture = kept[1];
  glDeleteTextures(2, pictures);
}

// Sounds since the last line show as letters.
void dump(std::string& out, const char* label, int frame, SoundLog& log) {
  const game::World& w = gWorld;
  const float* v0 = w.ball.mesh.vertices[0];
  const std::string sounds = heard(log, false);
  char line[640];
  std::snprintf(
      line, sizeof line,
      "%s %d timer %d playing %d score %d tilt %.9g %.9g spin %.9g ball %.9g %.9g v %.9g %.9g"
      " roll %.9g %.9g %.9g roach %.9g %.9g %.9g %d spot %d %.9g %.9g %.9g %.9g"
      " cups %.9g %.9g %.9g %.9g sounds %s\n",
      label, frame, w.roundTimer, w.playing, w.score, w.tiltX, w.tiltY, w.spinAngle, w.ball.x,
      w.ball.y, w.ball.vx, w.ball.vy, v0[0], v0[1], v0[2], w.roach.x, w.roach.y, w.roach.heading,
      w.roach.walkPhase, w.squashSpot.frame, w.squashSpot.x, w.squashSpot.y, w.squashSpot.scale,
      w.squashSpot.rotation, w.cups[0].x, w.cups[1].x, w.cups[2].x, w.cups[3].x,
      sounds.empty() ? "-" : sounds.c_str());
  out += line;
  log.plays.clear();
}

int step(float want, float have) { return want > have ? 1 : want < have ? -1 : 0; }

// The player's hand: steer the ball at a point ahead of the roach, kept off
// the edges, with the ball's speed damped. The mouse moves one pixel a frame
// on each axis toward the tilts that would do it.
void moveMouse(int& x, int& y) {
  const game::World& w = gWorld;
  const double h = w.roach.heading * M_PI / 180.0;
  const float aimX =
      std::clamp(static_cast<float>(w.roach.x - 42.0 * std::sin(h)), -180.0f, 180.0f);
  const float aimY =
      std::clamp(static_cast<float>(w.roach.y + 42.0 * std::cos(h)), -100.0f, 100.0f);
  // tiltY speeds the ball toward +x, tiltX toward -y.
  x += step(0.2f * (aimX - w.ball.x) - 6.0f * w.ball.vx, w.tiltY);
  y += step(-(0.2f * (aimY - w.ball.y) - 6.0f * w.ball.vy), w.tiltX);
  shell::windowProc(nullptr, platform::kMsgMouseMove, 0, platform::packPoint(x, y));
}

// Where a start or a restart puts things: the ball, the cups and the roach's heading.
std::vector<float> placement() {
  const game::World& w = gWorld;
  return {w.ball.x, w.cups[0].x, w.cups[1].x, w.cups[2].x, w.cups[3].x, w.roach.heading};
}

void expectPlacedInRange() {
  const game::World& w = gWorld;
  EXPECT_TRUE(w.ball.x >= 0 && w.ball.x <= 99) << w.ball.x;
  EXPECT_TRUE(w.cups[0].x >= 110 && w.cups[0].x <= 129 && w.cups[2].x >= -129 &&
              w.cups[2].x <= -110);
  EXPECT_TRUE(w.cups[1].x >= 140 && w.cups[1].x <= 149 && w.cups[3].x >= -149 &&
              w.cups[3].x <= -140);
  // The rest never changes: the cups' y, the pizza, and the ball and roach start points.
  EXPECT_EQ(std::vector<float>({w.cups[0].y, w.cups[1].y, w.cups[2].y, w.cups[3].y, w.pizza.x,
                                w.pizza.y, w.ball.y, w.ball.vx, w.ball.vy, w.roach.x, w.roach.y}),
            std::vector<float>({70, -42, -70, 40, 0, 0, -80, 0, 0, 0, 0}));
  for (const world::Prop& cup : w.cups) EXPECT_EQ(cup.rotation, w.pizza.rotation);
}

TEST(Round, AScriptedRoundPlaysTheSameBitForBit) {
  if (!game::dataFileFaults(tt::dataDir()).empty()) GTEST_SKIP() << "no generated data";
  tt::resetGlState();
  platform::pinCalendarSeconds(1700000000);
  tt::inDirectory(tt::dataDir(), [] { game::setUpWorld(); });
  expectPlacedInRange();
  // Within one second the cups mirror.
  EXPECT_EQ(gWorld.cups[2].x, -gWorld.cups[0].x);
  EXPECT_EQ(gWorld.cups[3].x, -gWorld.cups[1].x);
  const float rotation = gWorld.pizza.rotation;
  gWorld.roundTimer = 3000;
  gWorld.playing = 1;
  gWorld.score = 0;
  gWorld.tiltX = gWorld.tiltY = gWorld.spinAngle = 0.0f;
  gWorld.lastMouseX = game::kStartMouseX;
  gWorld.lastMouseY = game::kStartMouseY;
  gFrame.squeakDirX = gFrame.squeakDirY = 1;
  // A known point on the ball's surface, so its roll does not hang on the mesh file.
  float* v0 = gWorld.ball.mesh.vertices[0];
  v0[0] = 0.0f, v0[1] = 0.0f, v0[2] = 10.0f;
  std::string record;
  SoundLog sounds;
  int x = game::kStartMouseX, y = game::kStartMouseY, frame = 0;
  dump(record, "start", frame, sounds);
  while (gWorld.playing == 1) {
    moveMouse(x, y);
    game::playFrame();
    if (++frame == 1) glViewport(0, 0, 1, 1);  // frames are not looked at: one pixel is quick
    if (frame % 50 == 0 || gWorld.playing != 1) dump(record, "frame", frame, sounds);
  }
  EXPECT_EQ(gWorld.spinAngle, 0.0f);
  EXPECT_GT(gWorld.score, 0);
  for (int i = 1; i <= 3; ++i) {
    shell::windowProc(nullptr, platform::kMsgMouseMove, 0, platform::packPoint(x + i, y));
    game::gameOverFrame();
  }
  dump(record, "board", frame, sounds);
  shell::windowProc(nullptr, platform::kMsgKeyDown, platform::kKeyEscape, 0);
  dump(record, "restart", frame, sounds);
  tt::resetGlState();
  const std::string path = TT_SOURCE_DIR "/tests/golden/replay.txt";
  if (std::getenv("TT_UPDATE_GOLDEN")) std::ofstream(path, std::ios::binary) << record;
  const std::vector<uint8_t> golden = tt::readWholeFile(path);
  EXPECT_EQ(record, std::string(golden.begin(), golden.end()));

  // A restart keeps the rotations; two within one second place alike.
  expectPlacedInRange();
  EXPECT_EQ(gWorld.pizza.rotation, rotation);
  const std::vector<float> first = placement();
  game::restartRound();
  EXPECT_EQ(placement(), first);
  platform::pinCalendarSeconds(1700000001);
  game::restartRound();
  expectPlacedInRange();
  EXPECT_NE(placement(), first);
  platform::pinCalendarSeconds(std::nullopt);
}

// Every level of a texture's chain, one after another.
std::vector<uint8_t> chainOf(GLuint texture) {
  std::vector<uint8_t> texels;
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  for (GLint level = 0, w = 0, h = 0;; ++level) {
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
    if (w == 0 || h == 0) break;
    const size_t at = texels.size();
    texels.resize(at + size_t(w) * size_t(h) * 3);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, texels.data() + at);
  }
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  return texels;
}

// Every texture the set-up makes repeats both ways, magnifies linearly, takes the nearest mipmap
// level linearly filtered when minified, and is drawn replacing the fragment's colour: a modulated
// texture would look the same under white, but not once anything sets a colour. The game starts
// before the board's pictures are read; once they are, each texture holds the very chain an
// all-at-once set-up gives it.
TEST(World, TexturesAreMadeAlikeAndTheBoardsPicturesComeLaterAsTheSameTexels) {
  if (!game::dataFileFaults(tt::dataDir()).empty()) GTEST_SKIP() << "no generated data";
  tt::resetGlState();
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  platform::pinCalendarSeconds(1700000000);
  const game::World& w = gWorld;
  const auto chains = [&w] {
    std::vector<std::vector<uint8_t>> all;
    for (GLuint t : {w.fontTexture, w.loseTexture, w.winTexture}) all.push_back(chainOf(t));
    return all;
  };
  const auto release = [&w] {
    game::releaseWorldTextures();
    for (GLuint t : {w.fontTexture, w.loseTexture, w.winTexture}) glDeleteTextures(1, &t);
  };
  tt::inDirectory(tt::dataDir(), [] { game::setUpWorld(game::BoardPictures::kNow); });
  // The font, the two pictures, then the models from the squash spot to the table.
  std::vector<GLuint> textures = {w.fontTexture, w.winTexture, w.loseTexture};
  for (const assets::Model* m : models()) textures.push_back(m->texture);
  const std::pair<GLenum, GLint> wanted[] = {{GL_TEXTURE_WRAP_S, GL_REPEAT},
                                             {GL_TEXTURE_WRAP_T, GL_REPEAT},
                                             {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                                             {GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST}};
  for (size_t i = 0; i < textures.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "texture " << i);
    ASSERT_NE(textures[i], 0u);
    glBindTexture(GL_TEXTURE_2D, textures[i]);
    for (const auto& [parameter, value] : wanted) {
      GLint got = -1;
      glGetTexParameteriv(GL_TEXTURE_2D, parameter, &got);
      EXPECT_EQ(got, value) << "parameter 0x" << std::hex << parameter;
    }
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_GT(width, 0);
  }
  GLint mode = -1;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
  EXPECT_EQ(mode, GL_REPLACE);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  const std::vector<std::vector<uint8_t>> whole = chains();
  release();
  for (const std::vector<uint8_t>& chain : whole) EXPECT_GT(chain.size(), 512u * 512 * 3);

  tt::inDirectory(tt::dataDir(), [] { game::setUpWorld(game::BoardPictures::kLater); });
  const std::vector<std::vector<uint8_t>> before = chains();
  EXPECT_EQ(before[0], whole[0]);  // the font is there for the first frame
  EXPECT_NE(w.loseTexture, w.winTexture);
  EXPECT_TRUE(before[1].empty() && before[2].empty()) << "the pictures came with the rest";
  tt::inDirectory(tt::dataDir(), [] { game::loadBoardPictures(); });
  EXPECT_TRUE(chains() == whole);
  release();
  tt::resetGlState();
  platform::pinCalendarSeconds(std::nullopt);
}

}  // namespace

#ifndef _WIN32
// The game's calls reach this definition first: it notes the names, then
// hands them to the driver's.
void GLAPIENTRY glDeleteTextures(GLsizei n, const GLuint* textures) {
  using Real = void(GLAPIENTRY*)(GLsizei, const GLuint*);
  static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "glDeleteTextures"));
  if (gDeletedTextures) gDeletedTextures->insert(gDeletedTextures->end(), textures, textures + n);
  real(n, textures);
}
#endif
