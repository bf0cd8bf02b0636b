// Any bytes read as a GIF picture raise the codec's error or warn; never more. A small picture that
// was read is written back too (a large one would spend the run encoding fill).
#include "imaging/uGIFImage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    imaging::TGIFImage image;
    rtl::TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    input.SetPosition(0);
    try {
        image.LoadFromStream(input);
    } catch (const imaging::GIFException&) {
        return 0;
    }
    int64_t pixels = 0;
    for (int i = 0; i < image.Images().Count(); ++i)
        pixels += image.Images().Frame(i)->Pixels().size();
    if (pixels > 65536) return 0;
    rtl::TMemoryStream output;
    try {
        image.SaveToStream(output);
    } catch (const imaging::GIFException&) {
        // A frame may hold indices past its table, or no frame may have been read.
    }
    return 0;
}
