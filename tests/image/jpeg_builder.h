// Picture files for the tests, made by Qt's writers; JPEG files from one flat colour.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <string>

namespace jpegbuild {

// Img in a format Qt can write ("PNG", "BMP", "JPEG"); empty if it cannot.
inline std::string Encoded(const QImage& img, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format, quality);
    return bytes.toStdString();
}

inline std::string JpegBytes(int w, int h, QRgb color = qRgb(200, 40, 40)) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    return Encoded(img, "JPEG", 85);
}

} // namespace jpegbuild
