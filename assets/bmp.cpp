#include "assets/bmp.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <deque>

#include "assets/file_bytes.h"
#include "assets/report.h"
#include "platform/bytes.h"
#include "platform/gl.h"

namespace assets {
namespace {

constexpr size_t kFileHeaderSize = 14;
// Pictures up to 256 x 256 load however short their file; beyond that a file
// may declare at most 128 pixels for each byte it holds, which is what RLE's
// longest run (255 pixels in two bytes) comes to.
constexpr uint64_t kFreePixels = 65536;
constexpr uint64_t kPixelsPerByte = 128;
// No real picture is wider or taller; one row of it is 48 MiB already.
constexpr int64_t kMaxSide = int64_t{1} << 24;

enum Compression : uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kJpeg = 4,
  kPng = 5,
  kAlphaBitFields = 6,
  // OS/2 2.x gives two of the numbers other meanings.
  kOs2Huffman = 3,
  kOs2Rle24 = 4,
};

using platform::le16;
using platform::le32;

using Rgb = std::array<uint8_t, 3>;

// One colour of a 16- or 32-bit pixel, scaled from its mask's width to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  explicit Channel(uint32_t m = 0)
      : mask(m), shift(m ? std::countr_zero(m) : 0), max(m ? m >> shift : 0) {}
  uint8_t of(uint32_t pixel) const {
    if (!max) return 0;
    return static_cast<uint8_t>((uint64_t{(pixel & mask) >> shift} * 255 + max / 2) / max);
  }
};

struct Layout {
  int64_t width = 0, height = 0;
  bool topDown = false;
  uint16_t bits = 0;
  uint32_t compression = kRgb;
  Channel red, green, blue;
  std::array<Rgb, 256> palette{};  // entries the file does not give stay black
  size_t offset = 0;               // of the pixel data
  uint64_t rowBytes = 0;           // uncompressed rows, padded to 4 bytes
};

std::string unread(const std::string& what) { return what + ", which the game does not read"; }

std::string checkKind(const Layout& l, bool os2) {
  if (os2 && (l.compression == kOs2Huffman || l.compression == kOs2Rle24))
    return unread("OS/2 compression");
  switch (l.compression) {
    case kRgb:
      if (l.bits == 1 || l.bits == 4 || l.bits == 8 || l.bits == 16 || l.bits == 24 || l.bits == 32)
        return "";
      return unread(std::to_string(l.bits) + " bits per pixel");
    case kRle8:
    case kRle4:
      if (l.bits != (l.compression == kRle8 ? 8 : 4)) {
        return unread(std::string(l.compression == kRle8 ? "RLE8" : "RLE4") + " with " +
                      std::to_string(l.bits) + " bits per pixel");
      }
      return l.topDown ? "a top-down RLE bitmap, which the format does not allow" : "";
    case kBitFields:
    case kAlphaBitFields:
      if (l.bits == 16 || l.bits == 32) return "";
      return unread("bit fields with " + std::to_string(l.bits) + " bits per pixel");
    case kJpeg:
      return unread("JPEG data inside a bitmap");
    case kPng:
      return unread("PNG data inside a bitmap");
    default:
      return unread("compression " + std::to_string(l.compression));
  }
}

std::string readLayout(const uint8_t* d, size_t size, Layout& l) {
  if (size < 2 || d[0] != 'B' || d[1] != 'M') return notA(d, size, "a bitmap");
  if (size < kFileHeaderSize + 4) return "cut short in its headers";
  // OS/2 wrote 12 and 16 (or 64) bytes; Windows 40, and more in later versions.
  const uint32_t infoSize = le32(d + kFileHeaderSize);
  if (infoSize != 12 && infoSize != 16 && infoSize < 40)
    return "a header of " + std::to_string(infoSize) + " bytes, which no bitmap has";
  if (size < kFileHeaderSize + std::min(infoSize, 40u)) return "cut short in its headers";
  const uint8_t* h = d + kFileHeaderSize;
  const bool core = infoSize == 12;  // OS/2 1.x: 16-bit sides, 3-byte colours
  if (core) {
    l.width = le16(h + 4);
    l.height = le16(h + 6);
    l.bits = le16(h + 10);
  } else {
    l.width = static_cast<int32_t>(le32(h + 4));
    l.height = static_cast<int32_t>(le32(h + 8));
    l.bits = le16(h + 14);
    l.compression = infoSize >= 40 ? le32(h + 16) : kRgb;
  }
  if (l.width <= 0) return "a width of " + std::to_string(l.width);
  if (l.height == 0) return "a height of 0";
  l.topDown = l.height < 0;
  l.height = std::abs(l.height);
  if (const std::string kind = checkKind(l, infoSize == 16 || infoSize == 64); !kind.empty())
    return kind;

  size_t table = kFileHeaderSize + infoSize;  // where a colour table would start
  const size_t pixelOffset = le32(d + 10);
  uint32_t masks[3] = {0xFF0000, 0xFF00, 0xFF};
  if (l.bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  if (l.compression == kBitFields || l.compression == kAlphaBitFields) {
    // Newer headers hold the masks; after a 40-byte one they follow it.
    const size_t at = infoSize >= 52 ? kFileHeaderSize + 40 : table;
    if (infoSize < 52) table += l.compression == kAlphaBitFields ? 16 : 12;
    if (at + 12 <= size && (infoSize >= 52 || pixelOffset == 0 || at + 12 <= pixelOffset)) {
      for (int k = 0; k < 3; ++k) masks[k] = le32(d + at + 4 * k);
    } else if (l.bits == 16) {
      // Declared but not written, as ImageMagick 6 does: at 16 bits, fields
      // are declared to say 5-6-5 rather than the plain 5-5-5.
      masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F;
    }
  }
  l.red = Channel(masks[0]), l.green = Channel(masks[1]), l.blue = Channel(masks[2]);
  if (l.bits <= 8) {
    const uint32_t used = infoSize >= 40 ? le32(h + 32) : 0;
    const size_t count = used && used < (1u << l.bits) ? used : 1u << l.bits;
    const size_t entry = core ? 3 : 4;
    for (size_t i = 0; i < count && table + entry * (i + 1) <= size; ++i) {
      const uint8_t* c = d + table + entry * i;
      l.palette[i] = {c[2], c[1], c[0]};
    }
    table += entry * count;
  }
  l.offset = pixelOffset ? pixelOffset : table;
  l.rowBytes = (static_cast<uint64_t>(l.width) * l.bits + 31) / 32 * 4;
  const bool rle = l.compression == kRle8 || l.compression == kRle4;
  if (l.offset >= size || size - l.offset < (rle ? 2u : (l.bits + 7u) / 8)) return "no pixel data";
  const uint64_t area = static_cast<uint64_t>(l.width) * static_cast<uint64_t>(l.height);
  if (l.width > kMaxSide || l.height > kMaxSide ||
      area > kFreePixels + kPixelsPerByte * (size - l.offset)) {
    return std::to_string(l.width) + " x " + std::to_string(l.height) + " pixels, more than its " +
           std::to_string(size) + " bytes hold";
  }
  return "";
}

// One pixel of a plain (uncompressed) row; Bits is the file's bit depth, so
// each kind's rows get their own loop with nothing to decide per pixel.
template <int Bits>
Rgb pixelAt(const Layout& l, const uint8_t* row, int64_t x) {
  if constexpr (Bits == 24) {
    const uint8_t* p = row + x * 3;
    return {p[2], p[1], p[0]};
  } else if constexpr (Bits == 16 || Bits == 32) {
    const uint32_t v = Bits == 16 ? le16(row + x * 2) : le32(row + x * 4);
    return {l.red.of(v), l.green.of(v), l.blue.of(v)};
  } else {  // an index, the leftmost pixel in the high bits
    const uint64_t bit = static_cast<uint64_t>(x) * Bits;
    return l.palette[(row[bit / 8] >> (8 - Bits - bit % 8)) & ((1u << Bits) - 1)];
  }
}

// (a + d / 2) / d for the one d of a picture, by a multiplication and at
// most one step of correction: a 64-bit division per byte was most of the
// time a resampled picture took. Exact while a + d / 2 stays below 2^53,
// far above 255 times the largest area a file may declare.
class RoundedDivision {
 public:
  explicit RoundedDivision(uint64_t d) : d_(d), half_(d / 2), inverse_(1.0 / double(d)) {}
  uint8_t operator()(uint64_t a) const {
    const uint64_t n = a + half_;
    uint64_t q = static_cast<uint64_t>(double(n) * inverse_);
    if (q * d_ > n) {
      --q;
    } else if ((q + 1) * d_ <= n) {
      ++q;
    }
    return static_cast<uint8_t>(q);
  }

 private:
  uint64_t d_, half_;
  double inverse_;
};

// Receives a picture's rows in file order and resamples them to a new size,
// each new pixel the mean of the area it covers, weighted by how much of each
// old pixel lies in it. Sides stay whole numbers: old column x spans
// [xW, (x+1)W) and new column t spans [tw, (t+1)w), so every weight is an
// integer and the weights of a new pixel sum to w * h. Only the new rows that
// old rows still reach are held. A reader writes each row where row() says
// and then calls done(): when the size stays, that is the picture itself.
class Resampler {
 public:
  Resampler(int64_t w, int64_t h, int32_t outW, int32_t outH, bool topDown)
      : w_(w),
        h_(h),
        outW_(outW),
        outH_(outH),
        topDown_(topDown),
        same_(w == outW && h == outH),
        divide_(uint64_t(w) * uint64_t(h)) {
    out_.width = outW;
    out_.height = outH;
    out_.rgb.resize(size_t(outW) * size_t(outH) * 3);
    if (same_) return;
    in_.resize(size_t(w) * 3);
    row_.resize(size_t(outW) * 3);
    // The old columns each new column covers, with their weights: the same
    // for every row.
    firstColumn_.resize(size_t(outW) + 1);
    for (int64_t u = 0, x = 0; u < outW_; ++u) {
      const int64_t lo = u * w_, hi = lo + w_;
      while ((x + 1) * outW_ <= lo) ++x;
      firstColumn_[size_t(u)] = {uint32_t(x), uint32_t(weights_.size())};
      for (int64_t k = x; k * outW_ < hi; ++k)
        weights_.push_back(uint32_t(std::min(hi, (k + 1) * outW_) - std::max(lo, k * outW_)));
    }
    firstColumn_.back() = {0, uint32_t(weights_.size())};
  }

  uint8_t* row() { return same_ ? rowOut(f_) : in_.data(); }

  void done() {
    if (same_) {
      ++f_;
      return;
    }
    if (h_ == outH_) {  // each old row is one new row, of weight h
      widen(rowOut(f_++), [this](uint64_t sum) { return divide_(sum * uint64_t(h_)); });
      return;
    }
    uint64_t* const wide = row_.data();
    widen(wide, [](uint64_t sum) { return sum; });
    const size_t n = row_.size();
    const int64_t lo = f_ * outH_, hi = lo + outH_;
    for (int64_t r = lo / h_; r * h_ < hi; ++r) {
      const uint64_t weight = uint64_t(std::min(hi, (r + 1) * h_) - std::max(lo, r * h_));
      const bool fresh = r - first_ >= int64_t(pending_.size());
      if (fresh) {
        if (spare_.empty()) spare_.emplace_back(n);
        pending_.push_back(std::move(spare_.back()));
        spare_.pop_back();
      }
      uint64_t* const acc = pending_[size_t(r - first_)].data();
      if (fresh) {
        for (size_t i = 0; i < n; ++i) acc[i] = wide[i] * weight;
      } else {
        for (size_t i = 0; i < n; ++i) acc[i] += wide[i] * weight;
      }
    }
    ++f_;
    // New rows that no later old row reaches are done.
    while (!pending_.empty() && (first_ + 1) * h_ <= f_ * outH_) {
      uint8_t* const out = rowOut(first_++);
      const uint64_t* const acc = pending_.front().data();
      for (size_t i = 0; i < n; ++i) out[i] = divide_(acc[i]);
      spare_.push_back(std::move(pending_.front()));
      pending_.pop_front();
    }
  }

  void add(const uint8_t* rgb) {
    std::memcpy(row(), rgb, size_t(w_) * 3);
    done();
  }

  RgbImage take() { return std::move(out_); }

 private:
  struct Column {
    uint32_t x, weight;  // the first old column and where its weights start
  };

  // The row just read at the new width, each weighted sum through `store`.
  template <typename Out, typename Store>
  void widen(Out* to, Store store) const {
    const uint8_t* const in = in_.data();
    const uint32_t* const weights = weights_.data();
    for (size_t u = 0; u < size_t(outW_); ++u) {
      const uint8_t* from = in + size_t(firstColumn_[u].x) * 3;
      uint64_t r = 0, g = 0, b = 0;
      for (uint32_t k = firstColumn_[u].weight; k < firstColumn_[u + 1].weight; ++k, from += 3) {
        r += uint64_t{weights[k]} * from[0];
        g += uint64_t{weights[k]} * from[1];
        b += uint64_t{weights[k]} * from[2];
      }
      to[u * 3] = store(r);
      to[u * 3 + 1] = store(g);
      to[u * 3 + 2] = store(b);
    }
  }

  uint8_t* rowOut(int64_t fileRow) {
    const int64_t row = topDown_ ? outH_ - 1 - fileRow : fileRow;
    return out_.rgb.data() + size_t(row) * size_t(outW_) * 3;
  }

  int64_t w_, h_, outW_, outH_;
  bool topDown_, same_;
  RoundedDivision divide_;
  std::vector<uint8_t> in_;    // the row being read, when it is resampled
  std::vector<uint64_t> row_;  // that row at the new width
  std::vector<Column> firstColumn_;
  std::vector<uint32_t> weights_;
  std::deque<std::vector<uint64_t>> pending_;  // new rows first_, first_ + 1, ...
  std::vector<std::vector<uint64_t>> spare_;   // rows done with, for reuse
  int64_t first_ = 0, f_ = 0;
  RgbImage out_;
};

template <int Bits>
void readPlainRows(const Layout& l, const uint8_t* pixels, uint64_t held, Resampler& sink) {
  const uint64_t pixelBytes = (uint64_t{Bits} * uint64_t(l.width) + 7) / 8;
  Rgb last{};  // of the last whole pixel read
  for (int64_t f = 0; f < l.height; ++f) {
    const uint64_t start = static_cast<uint64_t>(f) * l.rowBytes;
    const uint8_t* in = pixels + start;
    uint8_t* out = sink.row();
    if (start + pixelBytes <= held) {  // the whole row is in the file
      if constexpr (Bits == 24) {
        for (int64_t x = 0; x < l.width; ++x, in += 3, out += 3) {
          out[0] = in[2];
          out[1] = in[1];
          out[2] = in[0];
        }
      } else {
        for (int64_t x = 0; x < l.width; ++x, out += 3) {
          const Rgb c = pixelAt<Bits>(l, in, x);
          out[0] = c[0], out[1] = c[1], out[2] = c[2];
        }
      }
      out -= 3;
      last = {out[0], out[1], out[2]};
    } else {  // cut short: what the file holds, then the last pixel again
      for (int64_t x = 0; x < l.width; ++x, out += 3) {
        if (start + (static_cast<uint64_t>(x + 1) * Bits + 7) / 8 <= held)
          last = pixelAt<Bits>(l, in, x);
        std::memcpy(out, last.data(), 3);
      }
    }
    sink.done();
  }
}

// Runs of one index (RLE4: two alternating), and escapes: 0 0 ends the row,
// 0 1 the picture, 0 2 dx dy jumps ahead, 0 n gives n indices as they are,
// padded to an even count of bytes. What no run reaches keeps colour 0.
void readRleRows(const Layout& l, const uint8_t* p, uint64_t held, Resampler& sink) {
  const bool four = l.compression == kRle4;
  std::vector<uint8_t> blank;
  for (int64_t x = 0; x < l.width; ++x)
    blank.insert(blank.end(), l.palette[0].begin(), l.palette[0].end());
  std::vector<uint8_t> row = blank;
  int64_t x = 0, y = 0;
  const auto put = [&](unsigned index) {
    if (x < l.width) std::memcpy(&row[static_cast<size_t>(x) * 3], l.palette[index].data(), 3);
    ++x;
  };
  const auto nextRow = [&] {
    sink.add(row.data());
    row = blank;
    ++y;
  };
  uint64_t at = 0;
  while (y < l.height && at + 2 <= held) {
    const unsigned n = p[at], c = p[at + 1];
    at += 2;
    if (n > 0) {
      for (unsigned i = 0; i < n; ++i) put(four ? (i % 2 ? c & 0x0F : c >> 4) : c);
    } else if (c == 0) {
      nextRow();
      x = 0;
    } else if (c == 1) {
      break;
    } else if (c == 2) {
      if (at + 2 > held) break;
      x += p[at];
      for (unsigned k = 0; k < p[at + 1] && y < l.height; ++k) nextRow();
      at += 2;
    } else {
      const uint64_t bytes = four ? (c + 1) / 2 : c;
      for (unsigned i = 0; i < c && at + (four ? i / 2 : i) < held; ++i) {
        const uint8_t b = p[at + (four ? i / 2 : i)];
        put(four ? (i % 2 ? b & 0x0F : b >> 4) : b);
      }
      at += bytes + bytes % 2;
    }
  }
  while (y < l.height) nextRow();
}

void readRows(const Layout& l, const uint8_t* data, size_t size, Resampler& sink) {
  const uint8_t* pixels = data + l.offset;
  const uint64_t held = size - l.offset;
  if (l.compression == kRle8 || l.compression == kRle4) return readRleRows(l, pixels, held, sink);
  switch (l.bits) {
    case 1:
      return readPlainRows<1>(l, pixels, held, sink);
    case 4:
      return readPlainRows<4>(l, pixels, held, sink);
    case 8:
      return readPlainRows<8>(l, pixels, held, sink);
    case 16:
      return readPlainRows<16>(l, pixels, held, sink);
    case 24:
      return readPlainRows<24>(l, pixels, held, sink);
    default:
      return readPlainRows<32>(l, pixels, held, sink);
  }
}

std::optional<RgbImage> decode(const uint8_t* data, size_t size, int32_t maxSide,
                               std::string* problem) {
  Layout l;
  if (std::string why = readLayout(data, size, l); !why.empty()) {
    if (problem) *problem = std::move(why);
    return std::nullopt;
  }
  const auto [outW, outH] = maxSide > 0 ? textureSize(int32_t(l.width), int32_t(l.height), maxSide)
                                        : std::pair<int32_t, int32_t>(l.width, l.height);
  Resampler resampler(l.width, l.height, outW, outH, l.topDown);
  readRows(l, data, size, resampler);
  return resampler.take();
}

// GLU's rounding to a power of two: 3 goes up to 4, 5 down to 4, 6 up to 8.
int32_t nearestPower(int32_t value) {
  int32_t power = 1;
  for (;;) {
    if (value <= 1) return power;
    if (value == 3) return power * 4;
    value >>= 1;
    power *= 2;
  }
}

}  // namespace

std::optional<RgbImage> decodeBmp(const uint8_t* data, size_t size, std::string* problem) {
  return decode(data, size, 0, problem);
}

std::pair<int32_t, int32_t> textureSize(int32_t width, int32_t height, int32_t maxSide) {
  int32_t w = nearestPower(width), h = nearestPower(height);
  while (w > maxSide || h > maxSide) {
    w = std::max(w / 2, 1);
    h = std::max(h / 2, 1);
  }
  return {w, h};
}

std::optional<RgbImage> decodeBmpForTexture(const uint8_t* data, size_t size, int32_t maxSide,
                                            std::string* problem) {
  return decode(data, size, std::max(maxSide, 1), problem);
}

int32_t loadBmpTexture(const char* path, GLuint texture) {
  std::vector<uint8_t> bytes;
  const char* unreadable = nullptr;
  if (!readFileBytes(path, bytes, &unreadable)) {
    reportProblem(path, unreadable);
    return -1;
  }
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  std::string problem;
  const std::optional<RgbImage> image =
      decodeBmpForTexture(bytes.data(), bytes.size(),
                          std::min<GLint>(std::max<GLint>(maxSide, 64), kMaxTextureSide), &problem);
  if (!image) {
    reportProblem(path, problem);
    return -1;
  }
  std::vector<uint8_t>().swap(bytes);  // a photo's file is large, and GLU copies the picture

  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_REPEAT));
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_REPEAT));
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  static_cast<GLfloat>(GL_LINEAR_MIPMAP_NEAREST));
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_REPLACE));
  // Rows were repacked without padding; only a width whose rows are not whole
  // 4-byte words needs the unpack alignment lowered for the upload.
  const bool oddRows = (image->width * 3) % 4 != 0;
  GLint alignment = 4;
  if (oddRows) {
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  }
  gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE,
                    image->rgb.data());
  if (oddRows) glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
  return 1;
}

}  // namespace assets
