// Names of layers, colours and point-marker shapes as the host's report and
// the legend of its picture write them. Standard library only.
#pragma once

#include <optional>
#include <string>

// A layer group or layer as its hex digit "0".."F"; "(current)" when the
// answer set none.
std::string LayerLabel(std::optional<int> value);

// A colour number, the SXF colours 101..356 with their own number
// ("105 (SXF-5)"); "(current)" when the answer set none.
std::string ColorLabel(std::optional<int> value);

// The shape of point-marker kind -1..-7, "＊" "○" "・" "＋" "□" "△" "×";
// empty for every other kind.
std::string MarkerGlyph(int kind);
