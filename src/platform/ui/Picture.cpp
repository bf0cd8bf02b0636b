#include "platform/ui/Picture.h"

#include "platform/data/NameCompare.h"
#include "platform/rtl/Format.h"

#include <algorithm>

namespace ui {

namespace {

struct FileFormat {
    std::string extension;
    std::string description;
    TGraphicClass graphicClass;
};

std::vector<FileFormat>& Formats() {
    static std::vector<FileFormat> formats = {
        {"bmp", "Bitmaps", &GraphicClassOf<TBitmap>},
        {"ico", "Icons", &GraphicClassOf<TIcon>},
    };
    return formats;
}

std::string ExtensionOf(const std::string& fileName) {
    const size_t dot = fileName.find_last_of('.');
    const size_t slash = fileName.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return fileName.substr(dot + 1);
}

} // namespace

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TGraphicClass graphicClass) {
    auto& formats = Formats();
    std::erase_if(formats, [&](const FileFormat& f) { return data::SameName(f.extension, extension); });
    formats.push_back({extension, description, graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass) {
    std::erase_if(Formats(), [&](const FileFormat& f) { return f.graphicClass == graphicClass; });
}

TGraphicClass TPicture::ClassForExtension(const std::string& extension) {
    for (const FileFormat& f : Formats())
        if (data::SameName(f.extension, extension)) return f.graphicClass;
    return nullptr;
}

std::string TPicture::GraphicFilter() {
    std::string all;
    std::string each;
    for (const FileFormat& f : Formats()) {
        const std::string mask = "*." + f.extension;
        all += (all.empty() ? "" : ";") + mask;
        each += "|" + f.description + " (" + mask + ")|" + mask;
    }
    return "All (" + all + ")|" + all + each;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

void TPicture::Hold(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    if (graphic_) graphic_->OnChange = [this](TObject*) { Changed(); };
    Changed();
}

void TPicture::SetGraphic(const TGraphic* graphic) {
    if (!graphic) {
        Hold(nullptr);
        return;
    }
    // A copy of the same class: look the class up by what it answers to.
    std::unique_ptr<TGraphic> copy;
    for (const FileFormat& f : Formats()) {
        auto candidate = f.graphicClass();
        if (typeid(*candidate) == typeid(*graphic)) {
            copy = std::move(candidate);
            break;
        }
    }
    if (!copy) throw EInvalidGraphic(rtl::Format("Cannot assign a %s to a TPicture", graphic->ClassName()));
    copy->Assign(graphic);
    Hold(std::move(copy));
}

TBitmap* TPicture::Bitmap() {
    if (auto bitmap = dynamic_cast<TBitmap*>(graphic_.get())) return bitmap;
    auto bitmap = std::make_unique<TBitmap>();
    if (graphic_ && !graphic_->Empty()) {
        bitmap->SetSize(graphic_->Width(), graphic_->Height());
        bitmap->Canvas()->Draw(0, 0, graphic_.get());
    }
    TBitmap* result = bitmap.get();
    Hold(std::move(bitmap));
    return result;
}

void TPicture::LoadFromFile(const std::string& fileName) {
    const std::string extension = ExtensionOf(fileName);
    const TGraphicClass graphicClass = ClassForExtension(extension);
    if (!graphicClass) throw EInvalidGraphic(rtl::Format("Unknown picture file extension (.%s)", extension));
    auto graphic = graphicClass();
    graphic->LoadFromFile(fileName);
    Hold(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) const {
    if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::Assign(const TPersistent* source) {
    if (!source) {
        SetGraphic(nullptr);
    } else if (auto picture = dynamic_cast<const TPicture*>(source)) {
        SetGraphic(picture->graphic_.get());
    } else if (auto graphic = dynamic_cast<const TGraphic*>(source)) {
        SetGraphic(graphic);
    } else {
        TPersistent::Assign(source);
    }
}

} // namespace ui
