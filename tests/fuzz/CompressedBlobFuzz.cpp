// libFuzzer entry point: arbitrary bytes as a blob value read from the server that may be stored
// compressed: adopted when it carries the header, then read whole, in part and uncompressed.

#include "dataaccess/Owned.h"
#include "dataaccess/store/uCompressedBlob.h"
#include "platform/rtl/Exception.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    dataaccess::testing::Owned<dataaccess::TCompressedBlob> blob(new dataaccess::TCompressedBlob);
    blob->SetAsString(std::string(reinterpret_cast<const char*>(data), size));
    if (!blob->AdoptCompressed()) return 0;
    try {
        // The header claims the size; stay clear of what a hostile header may claim.
        const uint32_t claimed = blob->GetSize();
        if (claimed > (1u << 24)) return 0;
        std::vector<char> whole(claimed);
        blob->Read(0, 0, whole.data());
        char part[16];
        blob->Read(claimed / 2, sizeof part, part);
        blob->SetCompressed(false);
    } catch (const rtl::Exception&) {
    }
    return 0;
}
