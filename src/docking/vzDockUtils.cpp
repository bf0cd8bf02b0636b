#include "docking/vzDockUtils.h"

#include "platform/data/Component.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/ImageList.h"

#include <cmath>
#include <limits>
#include <utility>

namespace docking {

void TvzWindowEventFilter::Attach(ui::HWND window) {
    Detach();
    watcher_ = std::make_unique<ui::TWindowWatcher>(window, [this](ui::TWindowEvent event) {
        const auto report = [this](const std::function<void(TvzWindowEventFilter*)>& handler) {
            if (handler) handler(this);
        };
        switch (event) {
        case ui::weMove:
            report(OnMove);
            break;
        case ui::weResize:
            report(OnSize);
            break;
        case ui::weDestroy:
            report(OnDestroy);
            break;
        default:
            break;
        }
    });
}

std::string UniqueName(const std::string& base, const ui::TComponent* owner) {
    if (!owner) return base + "1";
    for (int64_t n = 1; n < std::numeric_limits<int32_t>::max(); ++n) {
        std::string candidate = base + std::to_string(n);
        if (!owner->FindComponent(candidate)) return candidate;
    }
    throw rtl::EAssertionFailed("TvzEmptyDesigner.UniqueName failed to find unique component name");
}

void GuardEvent(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        data::HandleApplicationException(std::current_exception());
    }
}

int Distance(ui::TPoint a, ui::TPoint b) {
    const double dx = a.X - b.X, dy = a.Y - b.Y;
    return static_cast<int>(std::lround(std::sqrt(dx * dx + dy * dy)));
}

namespace {

void WriteUInt32(rtl::TStream& stream, uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    stream.WriteBuffer(bytes, 4);
}

int32_t ReadInt32(rtl::TStream& stream) {
    uint8_t bytes[4];
    stream.ReadBuffer(bytes, 4);
    return static_cast<int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                static_cast<uint32_t>(bytes[3]) << 24);
}

} // namespace

void WriteStreamString(rtl::TStream& stream, const std::string& text) {
    WriteUInt32(stream, static_cast<uint32_t>(text.size()));
    stream.WriteString(text);
}

std::string ReadStreamString(rtl::TStream& stream) {
    const int32_t length = ReadInt32(stream);
    std::string text(length > 0 ? length : 0, '\0');
    if (length > 0) stream.ReadBuffer(text.data(), length);
    return text;
}

void WriteGuid(rtl::TStream& stream, const TGuid& guid) {
    stream.WriteBuffer(guid.data(), guid.size());
}

TGuid ReadGuid(rtl::TStream& stream) {
    TGuid guid{};
    stream.ReadBuffer(guid.data(), guid.size());
    return guid;
}

bool IsEmptyRegion(const ui::TRegion* region) {
    return !region || region->IsEmpty();
}

bool EqualRegions(const ui::TRegion* a, const ui::TRegion* b) {
    if (!a || !b) return !a && !b;
    return *a == *b;
}

ui::TRegion RegionFromImage(const ui::TCustomImageList& images, int index) {
    ui::TBitmap image;
    images.GetBitmap(index, &image);
    ui::TRegion region;
    for (int y = 0; y < image.Height(); ++y) {
        const auto* row = static_cast<const uint32_t*>(std::as_const(image).ScanLine(y));
        // Each run of pixels the mask lets through becomes one rectangle.
        for (int x = 0; x < image.Width();) {
            if ((row[x] >> 24) == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < image.Width() && (row[x] >> 24) != 0)
                ++x;
            region = region | ui::TRegion(ui::TRect{start, y, x, y + 1});
        }
    }
    return region;
}

} // namespace docking
