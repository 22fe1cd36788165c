#include "game/frames.h"
#include "game/world_state.h"
#include "text/text.h"

namespace game {
namespace {

struct Line {
  const char* text;
  float size;
  float x;
  float y;
};

// The letter on the back: read from behind, so every line starts at x 13.3
// and runs toward -x. Its 17 upper lines are each 27.5 wide and stack into
// one solid paper block; the half-height strips of spaces frame the address.
constexpr Line kBackLines[] = {
    {"     Congratulations!    ", 1.1f, 13.3f, 7.8f},
    {"You are very observant :)", 1.1f, 13.3f, 6.7f},
    {"Now you've found a magic ", 1.1f, 13.3f, 5.6f},
    {"letter!  Send  this game ", 1.1f, 13.3f, 4.5f},
    {"to at least three of your", 1.1f, 13.3f, 3.4f},
    {"friends,think of a person", 1.1f, 13.3f, 2.3f},
    {"you  don't  like, and  a ", 1.1f, 13.3f, 1.2f},
    {"terrorist  roach   will  ", 1.1f, 13.3f, 0.1f},
    {"attack his kitchen!      ", 1.1f, 13.3f, -1.0f},
    {"Also, please donate a few", 1.1f, 13.3f, -2.1f},
    {"bucks at                 ", 1.1f, 13.3f, -3.2f},
    {"                                                  ", 0.55f, 13.3f, -3.75f},
    {"   www.tabletumble.org   ", 1.1f, 13.3f, -4.85f},
    {"                                                  ", 0.55f, 13.3f, -5.4f},
    {"We have to keep a secret ", 1.1f, 13.3f, -6.5f},
    {"terrorist roach  training", 1.1f, 13.3f, -7.6f},
    {"camp. It's rather costly.", 1.1f, 13.3f, -8.7f},
    {"Written by the Tabletumble team", 0.35f, 13.3f, -9.6f},
};

constexpr Line kWinLines[] = {
    {"Yeahhhhhh !!", 1.0f, 0.3f, 6.0f},   {"All roaches ", 1.0f, 0.3f, 4.0f},
    {"around are  ", 1.0f, 0.3f, 2.0f},   {"terrified :)", 1.0f, 0.3f, 0.0f},
    {"Your score is", 1.0f, 0.3f, -3.0f},
};

constexpr Line kLoseLines[] = {
    {"Agrrrrhhh.....", 1.0f, 0.3f, 6.0f}, {"Don't worry ;)", 1.0f, 0.3f, 4.0f},
    {"next time ", 1.0f, 1.3f, 2.0f},     {"you'll kill ", 1.0f, 1.9f, 0.0f},
    {"them all ! ", 1.0f, 2.5f, -2.0f},
};

constexpr Line kClosingLines[] = {
    {"Press Esc to ", 0.6f, 5.3f, -8.5f},
    {"start again", 0.6f, 5.4f, -9.1f},
};

template <size_t N>
void drawLines(const Line (&lines)[N], float z, float angle) {
  for (const Line& line : lines) text::drawText(line.size, line.x, line.y, z, angle, line.text);
}

}  // namespace

void gameOverFrame() {
  const World& w = gWorld;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glPushMatrix();
  glTranslatef(0.0f, 0.0f, -25.0f);
  glRotatef(w.spinAngle, 0.0f, 1.0f, 0.0f);
  const bool won = w.score != 0;
  drawLines(kBackLines, -0.1f, 180.0f);

  glBindTexture(GL_TEXTURE_2D, won ? w.winTexture : w.loseTexture);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(-15.0f, 10.0f, 0.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(15.0f, 10.0f, 0.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(15.0f, -10.0f, 0.0f);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(-15.0f, -10.0f, 0.0f);
  glEnd();

  if (won) {
    drawLines(kWinLines, 0.1f, 0.0f);
    text::drawText(1.4f, 8.0f, -6.0f, 0.1f, 0.0f, formatDecimal(w.score, gFrame.numberText));
  } else {
    drawLines(kLoseLines, 0.1f, 0.0f);
  }
  drawLines(kClosingLines, 0.1f, 0.0f);
  glFlush();
  glPopMatrix();
  platform::swapBuffers(gFrame.deviceContext);
}

}  // namespace game
