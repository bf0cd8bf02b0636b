// The base of images that draw themselves and load and save a format.
#pragma once

#include "platform/rtl/Streams.h"
#include "platform/ui/Types.h"

#include <string>

namespace ui {

class TCanvas;

// An image's bytes are not of its format ("Bitmap image is not valid", ...).
RTL_DECLARE_EXCEPTION(EInvalidGraphic, rtl::Exception);

// An image of some format that can draw itself on a canvas and be loaded and saved.
class TGraphic : public TPersistent {
public:
    TNotifyEvent OnChange;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    // Whether parts of the image let the background show through when drawn.
    virtual bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool transparent);
    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    virtual void LoadFromStream(rtl::TStream& stream) = 0;
    virtual void SaveToStream(rtl::TStream& stream) const = 0;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

protected:
    friend class TCanvas;
    // Draws the image scaled into `rect`.
    virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;
    // Marks the image modified and tells OnChange.
    void Changed();

private:
    bool transparent_ = false;
    bool modified_ = false;
};

} // namespace ui
