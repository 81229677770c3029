// The picture of what the host shows once the tool has answered: the drawing's
// entities as the exchange tables hold them, and the answer's new points on
// top in the colour the answer chose. Everything here needs the standard
// library alone: the scene in drawing coordinates (y up), its fit into a
// picture of pixels (y down), and the SVG text. PictureImage.h paints the same
// layout into an image with Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/Answer.h"

// A point in drawing units (scene) or in pixels (layout).
struct PicturePoint {
  double x = 0;
  double y = 0;
};

struct PictureRgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const PictureRgb&) const = default;
};

// The host colour number as drawn: colours 1..9 from a fixed table of our own;
// the SXF colours 101..356 and every other number in one neutral grey.
PictureRgb HostColorRgb(int color);

// One thing of the drawing or of the answer, in drawing coordinates.
struct PictureShape {
  enum class Kind {
    Path,    // open polylines, thin pen (lines, arcs)
    Band,    // open polylines, thick pen (linear and circumference solids)
    Fill,    // closed rings filled even-odd (polygon, circle and annulus solids)
    Point,   // a plain point: a small dot at `at`
    Marker,  // a point marker of markerKind at markerScale at `at`
  };
  enum class Source { Drawing, Answer };

  Kind kind = Kind::Path;
  Source source = Source::Drawing;
  int color = 0;                                 // host colour number
  bool closed = false;                           // Path, Band: each ring closes on itself
  std::vector<std::vector<PicturePoint>> rings;  // Path, Band, Fill
  PicturePoint at;                               // Point, Marker
  int markerKind = 0;                            // -1 "＊" .. -7 "×"; others a plain dot
  double markerScale = 1;
};

// The shapes in drawing order (the drawing's entities in file order, the
// drawing's points, then the answer's points) and the legend line (UTF-8).
struct PictureScene {
  std::vector<PictureShape> shapes;
  std::string legend;
};

// The scene of the entities that JwwReadFile left in the exchange tables:
// lines, circles, arcs and elliptical arcs, the lines of dimensions, all seven
// kinds of solid and the points and point markers, in file order. Texts and
// block references are not drawn. A shape with a coordinate that is not a
// finite number is left out. The legend is empty. Reads the tables only.
PictureScene SceneFromExchange();

// Adds the points of a well-formed answer on top, each in the point colour
// ("pn") in force where it stands (hostColor before any), and sets the legend:
// the number of new points by layer group, layer and colour, or that the tool
// answered "hq".
void AddAnswerToScene(PictureScene& scene, const std::vector<AnswerCommand>& answer, int hostColor);

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

// The layout as a standalone SVG document (UTF-8): a white background, the
// drawing's figures, each drawing point as <g class="drawing-point">, each new
// point as <g class="new-point">, and the legend as <text class="legend">.
std::string PictureSvg(const PictureLayout& layout);
