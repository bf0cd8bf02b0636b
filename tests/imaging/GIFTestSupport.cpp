#include "imaging/GIFTestSupport.h"

#include <QByteArray>
#include <QImage>

namespace imaging::test {

TWarnedImage::TWarnedImage() {
    image.OnCodecWarning = [this](const data::TPersistent*, int, const std::string& message) {
        warnings.push_back(message);
    };
}

TGIFSubImage& AddFrame(TGIFImage& image, int width, int height, const std::vector<uint8_t>& pixels) {
    auto owned = std::make_unique<TGIFSubImage>(&image);
    TGIFSubImage& frame = *owned;
    image.Images().Add(std::move(owned));
    frame.PlaceFrame(0, 0, width, height);
    frame.Pixels() = pixels;
    return frame;
}

void AddGreys(TGIFColorMap& table, int count) {
    for (int i = 0; i < count; ++i) {
        int grey = count == 1 ? 0 : i * 255 / (count - 1);
        table.AppendColor(ui::RGB(grey, grey, grey));
    }
}

std::string SaveToBytes(TGIFImage& image) {
    rtl::TMemoryStream stream;
    image.SaveToStream(stream);
    return stream.Bytes();
}

void LoadFromBytes(TGIFImage& image, const std::string& bytes) {
    rtl::TMemoryStream stream;
    stream.WriteString(bytes);
    stream.SetPosition(0);
    image.LoadFromStream(stream);
}

std::vector<uint32_t> QtDecodedColors(const std::string& bytes, int* width, int* height) {
    QImage decoded = QImage::fromData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), "GIF");
    if (decoded.isNull()) return {};
    if (width) *width = decoded.width();
    if (height) *height = decoded.height();
    std::vector<uint32_t> colors;
    for (int y = 0; y < decoded.height(); ++y)
        for (int x = 0; x < decoded.width(); ++x)
            colors.push_back(decoded.pixel(x, y) & 0xFFFFFF);
    return colors;
}

std::vector<uint32_t> FrameColors(TGIFSubImage& frame) {
    std::vector<uint32_t> colors;
    for (uint8_t index : frame.Pixels()) {
        ui::TColor color = frame.ActiveColorMap().ColorAt(index);
        colors.push_back(static_cast<uint32_t>(ui::GetRValue(color) << 16 | ui::GetGValue(color) << 8 |
                                               ui::GetBValue(color)));
    }
    return colors;
}

std::string HeaderBytes(int width, int height, int colors) {
    std::string bytes = "GIF89a";
    bytes += static_cast<char>(width & 0xFF);
    bytes += static_cast<char>(width >> 8);
    bytes += static_cast<char>(height & 0xFF);
    bytes += static_cast<char>(height >> 8);
    int bits = 0;
    while (colors > 0 && (2 << bits) < colors)
        ++bits;
    bytes += static_cast<char>(colors > 0 ? 0x80 | bits : 0);
    bytes += '\0'; // background
    bytes += '\0'; // aspect ratio
    for (int i = 0; i < colors; ++i) {
        char grey = static_cast<char>(i * 255 / (colors - 1));
        bytes.append(3, grey);
    }
    return bytes;
}

std::string ImageData(int minimumCodeSize, const std::vector<std::pair<int, int>>& codesAndWidths) {
    std::string packed;
    uint32_t bucket = 0;
    int bits = 0;
    for (auto [code, width] : codesAndWidths) {
        bucket |= static_cast<uint32_t>(code) << bits;
        bits += width;
        for (; bits >= 8; bits -= 8, bucket >>= 8)
            packed += static_cast<char>(bucket & 0xFF);
    }
    if (bits > 0) packed += static_cast<char>(bucket & 0xFF);
    std::string data(1, static_cast<char>(minimumCodeSize));
    for (size_t at = 0; at < packed.size(); at += 255) {
        std::string block = packed.substr(at, 255);
        data += static_cast<char>(block.size());
        data += block;
    }
    data += '\0';
    return data;
}

} // namespace imaging::test
