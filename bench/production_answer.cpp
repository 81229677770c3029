// Writes a generated drawing and the answer of one whole run to it, so that
// the answers of two builds can be compared byte for byte:
//
//   production_answer ENTITIES SEED points|markers DRAWING ANSWER
//
// The run is the tool's own, with the default choices or with markers. With
// "-" for ENTITIES and SEED the drawing is not written but read as it is,
// so that timing the process times the tool's run alone.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/Session.h"
#include "bench/DrawingGenerator.h"
#include "exchange/JwwGaibu.h"

int main(int argc, char** argv) {
  const std::string mode = argc == 6 ? argv[3] : "";
  if (mode != "points" && mode != "markers") {
    std::fprintf(stderr, "usage: %s ENTITIES|- SEED|- points|markers DRAWING ANSWER\n", argv[0]);
    return 2;
  }
  const bool given = std::string(argv[1]) == "-" && std::string(argv[2]) == "-";
  const int entities = std::atoi(argv[1]);
  const auto seed = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
  const std::filesystem::path drawing = argv[4];
  const std::filesystem::path answer = argv[5];
  if (!given && !WriteDrawing(drawing.string(), entities, seed)) {
    std::fprintf(stderr, "cannot write %s\n", drawing.string().c_str());
    return 1;
  }
  // The tool's folder beside the answer: the drawing goes in as the
  // exchange file, the answer comes out of it.
  const std::filesystem::path folder = answer.string() + ".run";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  TSession session(folder / "q527");
  std::filesystem::copy_file(drawing, session.Paths().Exchange,
                             std::filesystem::copy_options::overwrite_existing, error);
  session.Open();
  TSettings settings;
  if (mode == "markers") {
    settings.PointType = PointTypeMarker;
    settings.MarkerKind = 3;
    settings.Scale = 0.37;
  }
  session.Produce(settings, nullptr);
  session.Close();
  std::filesystem::rename(session.Paths().Exchange, answer, error);
  std::filesystem::remove_all(folder);
  return error ? 1 : 0;
}
