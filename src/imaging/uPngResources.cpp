#include "imaging/uPngResources.h"

#include "imaging/uProgramArtwork.h"

#include <algorithm>

namespace imaging {

namespace {

bool SameName(std::u16string_view wide, const char* name) {
    const std::string_view narrow(name);
    auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
    return wide.size() == narrow.size() &&
           std::equal(wide.begin(), wide.end(), narrow.begin(),
                      [&](char16_t a, char b) { return upper(a) == upper(static_cast<unsigned char>(b)); });
}

} // namespace

std::unique_ptr<TPNGObject> LoadPngResource(std::u16string_view name) {
    for (const TArtwork& artwork : ProgramArtwork()) {
        if (std::string_view(artwork.type) != "PNG" || !SameName(name, artwork.name)) continue;
        rtl::TMemoryStream stream;
        stream.WriteBuffer(artwork.data, static_cast<int64_t>(artwork.size));
        stream.SetPosition(0);
        auto png = std::make_unique<TPNGObject>();
        try {
            png->LoadFromStream(stream);
        } catch (const rtl::Exception&) {
            // A damaged resource is as good as a missing one to the callers.
            return nullptr;
        }
        return png;
    }
    return nullptr;
}

} // namespace imaging
