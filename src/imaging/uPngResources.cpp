#include "imaging/uPngResources.h"

#include "imaging/uProgramArtwork.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Resources.h"

namespace imaging {

std::unique_ptr<TPNGObject> LoadPngResource(std::u16string_view name) {
    ProgramArtwork();
    const std::optional<std::string_view> bytes =
        ui::FindResource("PNG", std::string_view(rtl::Utf16ToUtf8(name)));
    if (!bytes) return nullptr;
    rtl::TMemoryStream stream;
    stream.WriteString(*bytes);
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

} // namespace imaging
