// JPEG files for the tests, made by Qt's writer from one flat colour.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <string>

namespace jpegbuild {

inline std::string JpegBytes(int w, int h, QRgb color = qRgb(200, 40, 40)) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "JPEG", 85);
    return bytes.toStdString();
}

} // namespace jpegbuild
