// q527-grab: saves what an X window shows as a PNG picture.
//   q527-grab WINDOW_ID FILE.png
// WINDOW_ID is decimal or 0x-hexadecimal, as xdotool and xwininfo print it.
// Exit status 0 when the picture was written, 1 otherwise.

#include <QImage>

// After Qt: Xlib defines macros such as Status and Bool.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The position of the lowest set bit of mask and the number of bits it spans.
void MaskShape(unsigned long mask, int& shift, int& bits) {
  shift = 0;
  bits = 0;
  if (mask == 0) return;
  while (!(mask & 1UL)) {
    mask >>= 1;
    ++shift;
  }
  while (mask & 1UL) {
    mask >>= 1;
    ++bits;
  }
}

// One colour channel of pixel scaled to 0..255.
int Channel(unsigned long pixel, unsigned long mask) {
  int shift = 0;
  int bits = 0;
  MaskShape(mask, shift, bits);
  if (bits == 0) return 0;
  const unsigned long value = (pixel & mask) >> shift;
  return static_cast<int>(value * 255 / ((1UL << bits) - 1));
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fputs("usage: q527-grab WINDOW_ID FILE.png\n", stderr);
    return 1;
  }
  char* end = nullptr;
  const Window window = std::strtoul(argv[1], &end, 0);
  if (end == argv[1] || *end != '\0' || window == 0) {
    std::fprintf(stderr, "q527-grab: not a window id: %s\n", argv[1]);
    return 1;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fputs("q527-grab: cannot open the display\n", stderr);
    return 1;
  }
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) {
    std::fprintf(stderr, "q527-grab: window %s is not shown\n", argv[1]);
    XCloseDisplay(display);
    return 1;
  }
  XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height,
                            AllPlanes, ZPixmap);
  if (!image) {
    std::fputs("q527-grab: cannot read the window's picture\n", stderr);
    XCloseDisplay(display);
    return 1;
  }
  QImage picture(attributes.width, attributes.height, QImage::Format_RGB32);
  for (int y = 0; y < attributes.height; ++y) {
    for (int x = 0; x < attributes.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      picture.setPixel(x, y,
                       qRgb(Channel(pixel, image->red_mask), Channel(pixel, image->green_mask),
                            Channel(pixel, image->blue_mask)));
    }
  }
  XDestroyImage(image);
  XCloseDisplay(display);
  if (!picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "q527-grab: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
