// Where a rectangle may be written straight into the image a painter paints on: the window's
// backing store under a widget's painter, when nothing (a clip that cuts it, a transform, a
// pixel format) would make Qt's own drawing put it elsewhere or differently. Writing opaque
// 32-bit pixels there then shows exactly what drawImage of an opaque RGB32 image would.
#pragma once

#include <QtGlobal>

#include <optional>

class QPainter;
class QRect;

struct DirectPixels {
    uchar* bits = nullptr;   // the rectangle's top left pixel
    qsizetype stride = 0;    // bytes from one line of pixels to the next
};

// The pixels of rect (in the painter's coordinates), or none where drawing must go through Qt.
std::optional<DirectPixels> directPixels(QPainter& painter, const QRect& rect);
