// A picture that holds a graphic of any registered class.
#pragma once

#include "platform/ui/Bitmap.h"
#include "platform/ui/Graphic.h"
#include "platform/ui/Icon.h"

#include <memory>
#include <string>
#include <vector>

namespace ui {

// Makes an empty graphic of one class.
using TGraphicClass = std::unique_ptr<TGraphic> (*)();

template <class Graphic>
std::unique_ptr<TGraphic> GraphicClassOf() {
    return std::make_unique<Graphic>();
}

// A holder of one graphic of any registered format, chosen by file extension when loading.
class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;

    // Formats by extension (without the dot, compared without case); a later registration of an
    // extension replaces the earlier one. BMP and ICO are registered from the start.
    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   TGraphicClass graphicClass);
    static void UnregisterGraphicClass(TGraphicClass graphicClass);
    // The class registered for an extension, or null.
    static TGraphicClass ClassForExtension(const std::string& extension);
    // "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|..." for open dialogs.
    static std::string GraphicFilter();

    TGraphic* Graphic() const { return graphic_.get(); }
    // Holds a copy of `graphic` (null empties the picture).
    void SetGraphic(const TGraphic* graphic);
    // The graphic as a bitmap: an empty picture becomes an empty bitmap; another format is replaced
    // by a bitmap drawn from it.
    TBitmap* Bitmap();
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // Raises EInvalidGraphic "Unknown picture file extension (.%s)" for an unregistered extension.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    void Assign(const TPersistent* source) override;
    TNotifyEvent OnChange;

private:
    void Changed();
    void Hold(std::unique_ptr<TGraphic> graphic);

    std::unique_ptr<TGraphic> graphic_;
};

} // namespace ui
