// Paints a picture layout (host/PictureLayout.h) into an image with QPainter. Needs
// a QGuiApplication for the legend's font; works on the offscreen platform.
#pragma once

#include <QImage>

#include "host/PictureLayout.h"

// The layout painted on white, antialiased, in the layout's size; the legend
// in the default sans-serif font, cut short with "…" where it is too long.
QImage PaintPicture(const PictureLayout& layout);
