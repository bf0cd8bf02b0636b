#include "app/uArtworkImages.h"

#include "imaging/uProgramArtwork.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"

namespace app {

std::unique_ptr<imaging::TPNGObject> LoadArtwork(std::string_view name) {
    for (const imaging::TArtwork& artwork : imaging::ProgramArtwork()) {
        if (name != artwork.name) continue;
        rtl::TMemoryStream stream;
        stream.WriteBuffer(artwork.data, static_cast<int64_t>(artwork.size));
        stream.SetPosition(0);
        auto png = std::make_unique<imaging::TPNGObject>();
        png->LoadFromStream(stream);
        return png;
    }
    return nullptr;
}

void AddArtworkImages(imaging::TPngImageList& list, std::initializer_list<std::string_view> names) {
    for (std::string_view name : names) {
        std::unique_ptr<imaging::TPNGObject> png = LoadArtwork(name);
        if (!png) throw rtl::Exception(rtl::Format("The program has no picture %s", name));
        list.PngImages()->Add(false)->SetPicture(std::move(png));
    }
}

} // namespace app
