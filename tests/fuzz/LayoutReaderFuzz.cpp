// Any bytes read as a docking layout raise the framework's error or give plain data; what was read
// is written back and reads again the same.
#include "docking/vzDockLayout.h"

#include <cstddef>
#include <cstdint>

namespace {

std::string Written(const docking::layout::TvzLayoutData& data) {
    rtl::TMemoryStream output;
    docking::TvzBinaryDockingWriter writer(output);
    docking::layout::Write(writer, data);
    return output.Bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (bool formPlacement : {true, false}) {
        rtl::TMemoryStream input;
        input.WriteBuffer(data, static_cast<int64_t>(size));
        input.SetPosition(0);
        docking::layout::TvzLayoutData layout;
        try {
            docking::TvzBinaryDockingReader reader(input);
            layout = docking::layout::Read(reader, formPlacement);
        } catch (const docking::EvzDocking&) {
            continue;
        }
        const std::string bytes = Written(layout);
        rtl::TMemoryStream again;
        again.WriteString(bytes);
        again.SetPosition(0);
        docking::TvzBinaryDockingReader reader(again);
        // An error reading back escapes and stops the run as a crash would.
        if (Written(docking::layout::Read(reader, formPlacement)) != bytes) __builtin_trap();
    }
    return 0;
}
