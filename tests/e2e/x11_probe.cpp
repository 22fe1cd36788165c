// What the end-to-end tests need from X that xdotool does not give:
//   x11_probe close WINDOW         asks the window to close as a window manager
//                                  does (WM_PROTOCOLS / WM_DELETE_WINDOW)
//   x11_probe look WINDOW [FILE]   reads the window's pixels and prints "W H LIT RED":
//                                  its size, the per-mille of lit (not black) and
//                                  of red pixels; FILE gets a PPM copy
//   x11_probe hash WINDOW X Y W H  prints a hash of the pixels of one rectangle
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

int onXError(Display* display, XErrorEvent* error) {
  char text[256];
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "x11_probe: X error: %s\n", text);
  std::exit(2);
}

int closeWindow(Display* display, Window window) {
  XEvent event{};  // data.l[1], the time, stays 0: CurrentTime
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  return 0;
}

unsigned long channel(unsigned long pixel, unsigned long mask) {
  for (; mask && !(mask & 1); mask >>= 1) pixel >>= 1;
  return pixel & mask;
}

int look(Display* display, Window window, const char* ppmPath) {
  XWindowAttributes attributes;
  XGetWindowAttributes(display, window, &attributes);
  const int w = attributes.width, h = attributes.height;
  XImage* image = XGetImage(display, window, 0, 0, w, h, AllPlanes, ZPixmap);
  if (!image) return 2;
  long lit = 0, red = 0;
  std::vector<unsigned char> rgb;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y), r = channel(pixel, image->red_mask),
                          g = channel(pixel, image->green_mask),
                          b = channel(pixel, image->blue_mask);
      lit += r > 16 || g > 16 || b > 16;
      red += r >= 100 && r > g + 60 && r > b + 60;  // the cloth's red checks, and pink on white
      for (unsigned long c : {r, g, b}) rgb.push_back(static_cast<unsigned char>(c));
    }
  }
  XDestroyImage(image);
  const long pixels = static_cast<long>(w) * h;
  std::printf("%d %d %ld %ld\n", w, h, lit * 1000 / pixels, red * 1000 / pixels);
  if (!ppmPath) return 0;
  std::FILE* file = std::fopen(ppmPath, "wb");
  if (!file) return 2;
  std::fprintf(file, "P6\n%d %d\n255\n", w, h);
  std::fwrite(rgb.data(), 1, rgb.size(), file);
  std::fclose(file);
  return 0;
}

int hash(Display* display, Window window, char** rect) {
  const int x = std::atoi(rect[0]), y = std::atoi(rect[1]);
  const unsigned w = std::atoi(rect[2]), h = std::atoi(rect[3]);
  XImage* image = XGetImage(display, window, x, y, w, h, AllPlanes, ZPixmap);
  if (!image) return 2;
  unsigned long long fnv = 14695981039346656037ull;  // FNV-1a over the 24-bit pixels
  for (unsigned row = 0; row < h; ++row) {
    for (unsigned column = 0; column < w; ++column) {
      const unsigned long pixel = XGetPixel(image, column, row) & 0xFFFFFF;
      for (int shift = 0; shift < 24; shift += 8)
        fnv = (fnv ^ ((pixel >> shift) & 0xFF)) * 1099511628211ull;
    }
  }
  XDestroyImage(image);
  std::printf("%016llx\n", fnv);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string verb = argc >= 3 ? argv[1] : "";
  if (verb != "close" && verb != "look" && !(verb == "hash" && argc == 7)) {
    std::fprintf(stderr, "usage: x11_probe close|look WINDOW [FILE] | hash WINDOW X Y W H\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "x11_probe: cannot open display\n");
    return 2;
  }
  XSetErrorHandler(onXError);
  const Window window = static_cast<Window>(std::strtoul(argv[2], nullptr, 0));
  const int status = verb == "hash"    ? hash(display, window, argv + 3)
                     : verb == "close" ? closeWindow(display, window)
                                       : look(display, window, argc > 3 ? argv[3] : nullptr);
  XCloseDisplay(display);
  return status;
}
