#include "host/PictureSvg.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Ring = std::vector<PicturePoint>;

std::string Number(double value) {
  if (!std::isfinite(value)) value = 0;
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
  std::string out(text, result.ptr);
  // "12.50" -> "12.5", "3.00" -> "3", and never "-0".
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  return out == "-0" ? "0" : out;
}

std::string Hex(PictureRgb color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", color.r, color.g, color.b);
  return text;
}

std::string EscapeXml(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string PointList(const Ring& ring) {
  std::string text;
  for (const PicturePoint& p : ring) {
    if (!text.empty()) text += ' ';
    text += Number(p.x) + ',' + Number(p.y);
  }
  return text;
}

std::string PaintAttributes(const PictureItem& item) {
  std::string text;
  const std::string color = Hex(item.color);
  const bool pen = item.kind == PictureItem::Kind::Stroke || item.kind == PictureItem::Kind::Circle;
  if (pen) {
    text = " fill=\"none\" stroke=\"" + color + "\" stroke-width=\"" + Number(item.width) +
           "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
    if (item.opacity < 1) text += " stroke-opacity=\"" + Number(item.opacity) + "\"";
  } else {
    text = " fill=\"" + color + "\"";
    if (item.opacity < 1) text += " fill-opacity=\"" + Number(item.opacity) + "\"";
  }
  return text;
}

void WriteItem(std::string& svg, const PictureItem& item) {
  const std::string paint = PaintAttributes(item);
  switch (item.kind) {
    case PictureItem::Kind::Stroke:
      for (const Ring& ring : item.rings) {
        svg += std::string(item.closed ? "<polygon" : "<polyline") + " points=\"" +
               PointList(ring) + "\"" + paint + "/>\n";
      }
      break;
    case PictureItem::Kind::Fill: {
      std::string path;
      for (const Ring& ring : item.rings) {
        for (size_t i = 0; i < ring.size(); ++i) {
          path += (i == 0 ? (path.empty() ? "M" : " M") : " L") + Number(ring[i].x) + ' ' +
                  Number(ring[i].y);
        }
        if (!ring.empty()) path += " Z";
      }
      svg += "<path d=\"" + path + "\" fill-rule=\"evenodd\"" + paint + "/>\n";
      break;
    }
    case PictureItem::Kind::Disc:
    case PictureItem::Kind::Circle:
      svg += "<circle cx=\"" + Number(item.centre.x) + "\" cy=\"" + Number(item.centre.y) +
             "\" r=\"" + Number(item.radius) + "\"" + paint + "/>\n";
      break;
  }
}

}  // namespace

std::string PictureSvg(const PictureLayout& layout) {
  const std::string w = std::to_string(layout.size.width);
  const std::string h = std::to_string(layout.size.height);
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
      w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h +
      "\">\n"
      "<rect width=\"" +
      w + "\" height=\"" + h + "\" fill=\"#ffffff\"/>\n";
  for (const PictureFigure& figure : layout.figures) {
    const bool point =
        figure.shape == PictureShape::Kind::Point || figure.shape == PictureShape::Kind::Marker;
    if (point) {
      svg += figure.source == PictureShape::Source::Answer ? "<g class=\"new-point\">\n"
                                                           : "<g class=\"drawing-point\">\n";
    }
    for (const PictureItem& item : figure.items) WriteItem(svg, item);
    if (point) svg += "</g>\n";
  }
  if (!layout.legendSwatch.empty()) {
    svg += "<g class=\"legend-swatch\">\n";
    for (const PictureItem& item : layout.legendSwatch) WriteItem(svg, item);
    svg += "</g>\n";
  }
  svg += "<text class=\"legend\" x=\"" + Number(layout.legendAt.x) + "\" y=\"" +
         Number(layout.legendAt.y) + "\" font-family=\"sans-serif\" font-size=\"" +
         Number(layout.legendPixels) + "\" fill=\"#303030\">" + EscapeXml(layout.legend) +
         "</text>\n</svg>\n";
  return svg;
}
