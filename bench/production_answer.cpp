// Writes a generated drawing and the answer of one whole production to it,
// so that the answers of two builds can be compared byte for byte:
//
//   production_answer ENTITIES SEED points|markers DRAWING ANSWER
//
// It uses the public operations only (those of production_bench), and builds
// against any revision of the sources.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/DrawingGenerator.h"
#include "endpoints/EndPoints.h"
#include "exchange/JwwGaibu.h"

int main(int argc, char** argv) {
  const std::string mode = argc == 6 ? argv[3] : "";
  if (mode != "points" && mode != "markers") {
    std::fprintf(stderr, "usage: %s ENTITIES SEED points|markers DRAWING ANSWER\n", argv[0]);
    return 2;
  }
  const int entities = std::atoi(argv[1]);
  const auto seed = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
  const std::string drawing = argv[4];
  const std::string answer = argv[5];
  if (!WriteDrawing(drawing, entities, seed)) {
    std::fprintf(stderr, "cannot write %s\n", drawing.c_str());
    return 1;
  }
  JwwInit();
  JwwReadFile(drawing);
  ResetEmitState();
  if (BzFlag) AddCommandLine("bz");
  EmitLayerGroup(HostLg);
  EmitLayer(HostLy);
  EmitLineColor(0, 1);
  EmitPointColor(0, 1);
  EmitLineType(1, 0);
  EmitLineWidth(0);
  TEndPointChoices choices;
  if (mode == "markers") {
    choices.Markers = true;
    choices.MarkerIndex = 3;
    choices.Scale = 0.37;
  }
  TPlacedPointList placed;
  EndPointWalk(choices, placed, nullptr);
  std::printf("%d points\n", placed.PlacedCount());
  placed.Clear();
  const bool written = WriteCommandFile(answer);
  JwwFree();
  return written ? 0 : 1;
}
