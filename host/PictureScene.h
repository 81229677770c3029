// The scene of what the host shows once the tool has answered: the drawing's
// entities as the exchange tables hold them, and the answer's new points on
// top, as shapes in drawing coordinates (y up). Standard library only;
// PictureLayout.h fits the scene into pixels.
#pragma once

#include <string>
#include <vector>

#include "host/Answer.h"

// A point in drawing units (scene) or in pixels (layout).
struct PicturePoint {
  double x = 0;
  double y = 0;
};

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
