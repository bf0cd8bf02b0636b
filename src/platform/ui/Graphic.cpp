#include "platform/ui/Graphic.h"

namespace ui {

void TGraphic::SetTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Changed();
}

void TGraphic::Changed() {
    modified_ = true;
    if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    rtl::TFileStream stream(fileName, rtl::fmOpenRead);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) const {
    rtl::TFileStream stream(fileName, rtl::fmCreate);
    SaveToStream(stream);
}

} // namespace ui
