#include "host/Labels.h"

#include <optional>
#include <string>

std::string LayerLabel(std::optional<int> value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  return value ? std::string(1, kHex[*value & 15]) : std::string("(current)");
}

std::string ColorLabel(std::optional<int> value) {
  if (!value) return "(current)";
  std::string text = std::to_string(*value);
  // The host numbers the 256 SXF colours from 101 on.
  if (*value >= 101 && *value <= 356) text += " (SXF-" + std::to_string(*value - 100) + ")";
  return text;
}

std::string MarkerGlyph(int kind) {
  static constexpr const char* kShapes[] = {"＊", "○", "・", "＋", "□", "△", "×"};
  if (kind >= -7 && kind <= -1) return kShapes[-kind - 1];
  return {};
}
