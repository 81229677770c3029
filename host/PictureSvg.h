// The picture as SVG text. Standard library only.
#pragma once

#include <string>

#include "host/PictureLayout.h"

// The layout as a standalone SVG document (UTF-8): a white background, the
// drawing's figures, each drawing point as <g class="drawing-point">, each new
// point as <g class="new-point">, and the legend as <text class="legend">.
std::string PictureSvg(const PictureLayout& layout);
