#include "toolkit/qt/directPixels.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>

std::optional<DirectPixels> directPixels(QPainter& painter, const QRect& rect)
{
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || painter.hasClipping() || rect.isEmpty())
        return std::nullopt;
    // A widget's painter is redirected to the backing store: the engine knows the real device.
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return std::nullopt;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32
        && format != QImage::Format_ARGB32_Premultiplied)
        return std::nullopt;
    if (image->devicePixelRatio() != 1.0 || !image->isDetached())
        return std::nullopt;
    const QTransform& transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate || transform.dx() != std::floor(transform.dx())
        || transform.dy() != std::floor(transform.dy()))
        return std::nullopt;
    const QRect target = rect.translated(static_cast<int>(transform.dx()), static_cast<int>(transform.dy()));
    if (!image->rect().contains(target))
        return std::nullopt;
    // The system clip is what this paint may touch (the damaged area, less what covers it);
    // empty means the whole device. Qt's drawing would be cut to it; direct pixels must fit it.
    const QRegion clip = engine->systemClip();
    if (!clip.isEmpty() && std::none_of(clip.begin(), clip.end(), [&](const QRect& part) { return part.contains(target); }))
        return std::nullopt;
    const qsizetype stride = image->bytesPerLine();
    uchar* bits = image->bits() + target.y() * stride + target.x() * qsizetype{4};
    return DirectPixels{bits, stride};
}
