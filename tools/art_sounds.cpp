// Sound effects, synthesised. Each ends with short fades (no clicks) and is
// normalised to a peak of -3 dBFS.
#include "art.h"

namespace gen {
namespace {

using Wave = std::vector<float>;
constexpr float kRate = float(kSampleRate);
constexpr float kTwoPi = 2.0f * kPi;

Wave blank(float seconds) { return Wave(size_t(seconds * kRate), 0.0f); }
float timeOf(size_t n) { return float(n) / kRate; }

void finish(Wave& w, float fadeIn, float fadeOut) {
  const float len = timeOf(w.size());
  float peak = 0;
  for (size_t n = 0; n < w.size(); ++n) {
    const float t = timeOf(n);
    float g = 1;
    if (t < fadeIn) g *= 0.5f - 0.5f * std::cos(kPi * t / fadeIn);
    if (t > len - fadeOut) g *= 0.5f - 0.5f * std::cos(kPi * (len - t) / fadeOut);
    w[n] *= g;
    peak = std::max(peak, std::fabs(w[n]));
  }
  const float gain = peak > 0 ? 0.708f / peak : 0.0f;  // -3 dBFS
  for (float& s : w) s *= gain;
}

// Two-pole resonator: a band of noise or a vowel formant.
struct Resonator {
  float a1 = 0, a2 = 0, gain = 0, y1 = 0, y2 = 0;
  void tune(float freq, float bandwidth) {
    const float r = std::exp(-kPi * bandwidth / kRate);
    a1 = 2 * r * std::cos(kTwoPi * freq / kRate);
    a2 = -r * r;
    gain = 1 - r;
  }
  float step(float x) {
    const float y = gain * x + a1 * y1 + a2 * y2;
    y2 = y1, y1 = y;
    return y;
  }
};

struct LowPass {
  float y = 0;
  float step(float x, float cutoff) {
    const float k = 1 - std::exp(-kTwoPi * cutoff / kRate);
    return y += k * (x - y);
  }
};

float white(Rng& rng) { return rng.range(-1, 1); }

}  // namespace

std::vector<float> makeBeep() {
  // 880 Hz with a touch of octave, soft attack.
  Wave w = blank(0.12f);
  for (size_t n = 0; n < w.size(); ++n) {
    const float t = timeOf(n);
    w[n] = std::sin(kTwoPi * 880 * t) + 0.12f * std::sin(kTwoPi * 1760 * t);
  }
  finish(w, 0.012f, 0.04f);
  return w;
}

std::vector<float> makeBump() {
  // A dull thud: a low sine whose pitch drops fast, plus a puff of noise.
  Wave w = blank(0.15f);
  Rng rng(81);
  LowPass lp;
  float phase = 0;
  for (size_t n = 0; n < w.size(); ++n) {
    const float t = timeOf(n);
    phase += kTwoPi * (55 + 120 * std::exp(-t / 0.025f)) / kRate;
    const float body = std::sin(phase) * std::exp(-t / 0.05f);
    const float puff = lp.step(white(rng), 900) * std::exp(-t / 0.012f);
    w[n] = body + 1.2f * puff;
  }
  finish(w, 0.0015f, 0.03f);
  return w;
}

std::vector<float> makeSqueakX() {
  // A creaky wooden squeak: a bright tone rising 700 -> 1400 Hz, chopped
  // by irregular stick-slip pulses, with a little rasp.
  Wave w = blank(0.35f);
  Rng rng(82);
  Resonator rasp;
  float phase = 0, chop = 0;
  for (size_t n = 0; n < w.size(); ++n) {
    const float t = timeOf(n),
                f = 700 * std::exp2(t / 0.35f) * (1 + 0.012f * std::sin(kTwoPi * 23 * t));
    phase += kTwoPi * f / kRate;
    chop += (55 + 25 * noise2(t * 40, 0.5f, 83)) / kRate;
    float tone = 0;
    for (int k = 1; k <= 5; ++k) tone += std::sin(float(k) * phase) / float(k);
    const float slip = 0.35f + 0.65f * std::pow(std::fabs(std::sin(kPi * chop)), 3.0f);
    rasp.tune(2 * f, 300);
    w[n] = tone * slip + 3.5f * rasp.step(white(rng)) * slip;
  }
  finish(w, 0.015f, 0.07f);
  return w;
}

std::vector<float> makeSqueakY() {
  // A rubbery squeak, falling 1500 -> 800 Hz: purer, with a quick warble.
  Wave w = blank(0.3f);
  float phase = 0;
  for (size_t n = 0; n < w.size(); ++n) {
    const float t = timeOf(n), f = 1500 * std::pow(800.0f / 1500.0f, t / 0.3f) *
                                   (1 + 0.03f * std::sin(kTwoPi * 14 * t));
    phase += kTwoPi * f / kRate;
    const float swell = 0.7f + 0.3f * std::sin(kPi * t / 0.3f);
    w[n] = swell * (std::sin(phase) + 0.25f * std::sin(2 * phase) + 0.08f * std::sin(3 * phase));
  }
  finish(w, 0.01f, 0.06f);
  return w;
}

std::vector<float> makeLaugh() {
  // "Ha-ha-ha-ha-ha": five vowel bursts of falling pitch, each a breathy
  // 'h' into an 'a' (formants ~750, 1150, 2500 Hz).
  Wave w = blank(1.2f);
  Rng rng(84);
  Resonator f1, f2, f3;
  f1.tune(750, 90), f2.tune(1150, 110), f3.tune(2500, 160);
  const float start[5] = {0.0f, 0.21f, 0.42f, 0.63f, 0.85f}, pitch[5] = {330, 305, 280, 255, 225};
  float phase = 0;
  for (size_t n = 0; n < w.size(); ++n) {
    const float t = timeOf(n);
    int s = 4;
    while (s > 0 && t < start[s]) --s;
    const float local = t - start[s], dur = s == 4 ? 0.3f : 0.16f;
    float src = 0;
    if (local < dur) {
      const float f0 = pitch[s] * (1 - 0.15f * local / dur);
      phase += kTwoPi * f0 / kRate;
      // Band-limited buzz of the vocal folds.
      for (int k = 1; float(k) * f0 < 4000; ++k) src += std::sin(float(k) * phase) / float(k);
      const float voice = smoothstep(0.02f, 0.045f, local) * std::exp(-local / (0.6f * dur));
      const float breath = smoothstep(0.0f, 0.01f, local) * smoothstep(0.05f, 0.02f, local);
      src = src * voice + 3.0f * white(rng) * breath;
      src *= smoothstep(dur, dur - 0.03f, local);
    }
    w[n] = f1.step(src) + 0.6f * f2.step(src) + 0.25f * f3.step(src);
  }
  finish(w, 0.003f, 0.05f);
  return w;
}

std::vector<float> makeSquash() {
  // Wet crunch: a low thump, a noise splat closing from bright to dull, a
  // squelch in a falling resonance, and the crackle of the shell.
  Wave w = blank(0.4f);
  Rng rng(85);
  LowPass splatLp;
  Resonator squelch, crackRes;
  crackRes.tune(3500, 1500);
  float phase = 0, crackle = 0;
  for (size_t n = 0; n < w.size(); ++n) {
    const float t = timeOf(n);
    phase += kTwoPi * (45 + 80 * std::exp(-t / 0.03f)) / kRate;
    const float thump = std::sin(phase) * std::exp(-t / 0.06f);
    const float splat =
        splatLp.step(white(rng), 300 + 2700 * std::exp(-t / 0.06f)) * std::exp(-t / 0.09f);
    squelch.tune(180 + 300 * std::exp(-t / 0.08f), 60);
    const float bubbles = 0.6f + 0.4f * std::sin(kTwoPi * 28 * t);
    const float wet =
        squelch.step(white(rng)) * smoothstep(0.01f, 0.05f, t) * std::exp(-t / 0.12f) * bubbles;
    // Clicks come thick at first and thin out.
    if (rng.uniform() < 0.02f * std::exp(-t / 0.08f))
      crackle = rng.range(0.5f, 1.0f) * (rng.uniform() < 0.5f ? -1 : 1);
    crackle *= 0.93f;
    const float crack = crackRes.step(crackle * white(rng));
    w[n] = 0.9f * thump + 2.2f * splat + 14.0f * wet + 6.0f * crack;
  }
  finish(w, 0.002f, 0.06f);
  return w;
}

}  // namespace gen
