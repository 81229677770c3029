#include "host/HostReport.h"

#include <QImage>
#include <QString>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "exchange/JwwGaibu.h"
#include "host/Answer.h"
#include "host/PictureImage.h"
#include "host/PictureLayout.h"
#include "host/PictureScene.h"
#include "host/PictureSvg.h"

namespace fs = std::filesystem;

namespace {

// Draws the drawing read into the exchange tables with the answer's points on
// top into png and svg (either may be empty); false with a message when a
// picture cannot be written.
bool WritePictures(const std::vector<AnswerCommand>& answer, const QString& png,
                   const QString& svg) {
  PictureScene scene = SceneFromExchange();
  AddAnswerToScene(scene, answer, HostLc);
  const PictureLayout layout = LayOutPicture(scene);
  bool ok = true;
  if (!png.isEmpty() && !PaintPicture(layout).save(png, "PNG")) {
    Fail("cannot write the picture " + png.toStdString());
    ok = false;
  }
  if (!svg.isEmpty() && !WriteFile(PathOf(svg), PictureSvg(layout))) {
    Fail("cannot write the picture " + svg.toStdString());
    ok = false;
  }
  return ok;
}

}  // namespace

HostStatus ReportAnswer(const fs::path& exchangeFile, const QString& png, const QString& svg) {
  const std::optional<std::string> answer = ReadFile(exchangeFile);
  if (!answer) {
    Fail("the tool left no answer in " + Shown(exchangeFile));
    return kBadAnswer;
  }
  const AnswerCheck check = CheckAnswer(*answer);
  if (!check.Ok()) {
    if (check.problemLine == 0) {
      Fail("malformed answer in " + Shown(exchangeFile) + ": " + check.problem);
    } else {
      Fail("malformed answer in " + Shown(exchangeFile) + ", line " +
           std::to_string(check.problemLine) + " \"" + PrintableBytes(check.problemText) +
           "\": " + check.problem);
    }
    return kBadAnswer;
  }
  const std::string report = DescribeAnswer(check.commands);
  std::fwrite(report.data(), 1, report.size(), stdout);
  std::fflush(stdout);
  if ((!png.isEmpty() || !svg.isEmpty()) && !WritePictures(check.commands, png, svg)) {
    return kUsage;
  }
  return kOk;
}
