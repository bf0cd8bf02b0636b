// The pictures of the docking guides: our own drawings, keyed with magenta where they are see-through.
#pragma once

#include "docking/vzDockGuides.h"
#include "platform/ui/Bitmap.h"

#include <array>
#include <memory>

namespace docking::guides {

// The pixels of a guide picture that are not part of the guide.
inline constexpr ui::TColor kGuideKey = ui::RGB(255, 0, 255);

// A style's ten guide pictures (indexed like its guides), as shown and as lit under the cursor.
struct TvzGuidePictures {
    using TPictures = std::array<std::shared_ptr<const ui::TBitmap>, kGuideCount>;
    TPictures normal;
    TPictures lit;
};

// 41-pixel tiles with rounded corners, each a page with the side it docks to highlighted; lit ones
// are framed in the highlight colour. Entry 9 is entry 4.
TvzGuidePictures VS2005Pictures();
// 69-pixel pieces of a diamond, each filling the shape of its hit region in `hits`; the outer guides
// show the pieces of their sides, and a lit guide its normal picture.
TvzGuidePictures WhidbeyPictures(const TvzGuideRegions& hits);

// Guides hit where their pictures are drawn (the pixels that are not the key colour), placed by
// VS2005Offsets.
TvzGuideGeometry PictureGeometry(const TvzGuidePictures& pictures);

} // namespace docking::guides
