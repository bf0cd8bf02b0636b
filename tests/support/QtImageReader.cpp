#include "QtImageReader.h"

#include <QByteArray>
#include <QImage>

namespace uitest {

QtDecodedImage DecodeWithQt(const std::string& bytes, const char* format) {
    QImage image;
    if (!image.loadFromData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), format))
        return {};
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA64);
    QtDecodedImage decoded{rgba.width(), rgba.height(), {}};
    for (int y = 0; y < rgba.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgba64*>(rgba.constScanLine(y));
        for (int x = 0; x < rgba.width(); ++x)
            decoded.pixels.push_back({row[x].red(), row[x].green(), row[x].blue(), row[x].alpha()});
    }
    return decoded;
}

} // namespace uitest
