// libFuzzer entry point: arbitrary bytes as a PNG file; what loads is also read pixel by pixel and saved.

#include "imaging/uPNGObject.h"
#include "platform/rtl/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rtl::TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    input.SetPosition(0);
    imaging::TPNGObject png;
    try {
        png.LoadFromStream(input);
    } catch (const rtl::Exception&) {
        // Every failure of loading is one of the codec's errors; the chunks read so far stay.
    }
    if (!png.HasHeaderChunk()) return 0;
    for (int y = 0; y < png.Height() && y < 64; ++y)
        for (int x = 0; x < png.Width() && x < 64; ++x) {
            png.PixelColor(x, y);
            png.PixelAlpha(x, y);
        }
    png.TransparentKeyColor();
    rtl::TMemoryStream output;
    try {
        png.SaveToStream(output);
    } catch (const rtl::Exception&) {
        // A header without the chunks it needs may fail to save; it must not crash.
    }
    return 0;
}
