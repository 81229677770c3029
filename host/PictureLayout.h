// The scene fitted into a picture of pixels (y down): the frame, and every
// shape turned into items to paint, points and markers at their own size in
// pixels. Standard library only; PictureSvg.h writes a layout as text and
// PictureImage.h paints it with Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/PictureScene.h"

struct PictureRgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const PictureRgb&) const = default;
};

// The host colour number as drawn: colours 1..9 from a fixed table of our own;
// the SXF colours 101..356 and every other number in one neutral grey.
PictureRgb HostColorRgb(int color);

// A box in drawing units; empty when it holds nothing.
struct PictureBounds {
  bool empty = true;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// The smallest box around every coordinate of the scene (a point or marker
// counts by where it stands); empty for a scene without shapes.
PictureBounds SceneBounds(const PictureScene& scene);

// Size of the picture in pixels, the free margin on every side and the band
// for the legend below the drawing.
struct PictureSize {
  int width = 1200;
  int height = 800;
  int margin = 40;
  int legendBand = 24;
};

// The mapping from drawing units (y up) to pixels (y down): one scale for
// both axes.
struct PictureFrame {
  double scale = 1;  // pixels per drawing unit
  double offsetX = 0;
  double offsetY = 0;
  PicturePoint ToPixel(PicturePoint p) const {
    return {offsetX + p.x * scale, offsetY - p.y * scale};
  }
};

// The largest scale that fits bounds into the picture less its margins and the
// legend band, with the drawing centred there. A box of no width or height is
// fitted along its other side; a single point (or an empty box) is drawn at
// scale 1 in the middle. Never yields a scale that is not finite.
PictureFrame FitFrame(const PictureBounds& bounds, const PictureSize& size);

// One element drawn in pixels.
struct PictureItem {
  enum class Kind {
    Stroke,  // rings as polylines with a pen of `width`
    Fill,    // rings filled even-odd, no pen
    Disc,    // filled circle at centre
    Circle,  // circle outline at centre, pen of `width`
  };
  Kind kind = Kind::Stroke;
  PictureRgb color;
  double opacity = 1;
  double width = 0;
  bool closed = false;  // Stroke: each ring closes on itself
  std::vector<std::vector<PicturePoint>> rings;
  PicturePoint centre;
  double radius = 0;
};

// The items of one shape; points and markers are made of several.
struct PictureFigure {
  PictureShape::Kind shape = PictureShape::Kind::Path;
  PictureShape::Source source = PictureShape::Source::Drawing;
  PicturePoint at;  // Point, Marker: where it stands, in pixels
  std::vector<PictureItem> items;
};

// The whole picture in pixels, ready to paint or to write as SVG.
struct PictureLayout {
  PictureSize size;
  PictureFrame frame;
  std::vector<PictureFigure> figures;     // in the scene's order, which is the painting order
  std::string legend;                     // UTF-8
  PicturePoint legendAt;                  // left end of the legend's base line
  double legendPixels = 14;               // legend font height
  std::vector<PictureItem> legendSwatch;  // the first new point's look, left of the legend
};

// Fits the scene into a picture of size and turns every shape into pixel
// items: markers keep their size in pixels (5 pixels from centre to tip at
// scale 1, limited to 2..30), plain points are small dots.
PictureLayout LayOutPicture(const PictureScene& scene, const PictureSize& size = {});
