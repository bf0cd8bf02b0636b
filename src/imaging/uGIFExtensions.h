// The extension blocks that precede a GIF frame, and the registries that pick a class for a block
// while reading.
#pragma once

#include "imaging/uGIFItems.h"

#include <array>
#include <string>
#include <vector>

namespace imaging {

namespace gif_text {
inline constexpr const char* UnknownExtension = "Unknown extension type";
inline constexpr const char* BadIntroducer = "Invalid extension introducer";
inline constexpr const char* LabelMismatch =
    "Internal error: Extension Instance does not match Extension Label";
inline constexpr const char* BadAppBlockSize = "Unsupported Application Extension block size";
} // namespace gif_text

class TGIFSubImage;
class TGIFExtension;

// A class of extension: its label, how to make one for a frame, and which class should read the
// block at hand (given the stream just after the label; the class itself by default).
struct TGIFExtensionClass {
    uint8_t label;
    TGIFExtension* (*create)(TGIFSubImage* frame);
    const TGIFExtensionClass* (*resolve)(const TGIFExtensionClass* self, rtl::TStream& stream);
};

class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage* frame);
    // Leaves its frame's extension list.
    ~TGIFExtension() override;

    TGIFSubImage* Frame() const { return frame_; }
    TGIFVersion RequiredVersion() const override { return gv89a; }
    virtual const TGIFExtensionClass& Class() const = 0;
    uint8_t ExtensionLabel() const { return Class().label; }

    void LoadFromStream(rtl::TStream& stream) override;
    void SaveToStream(rtl::TStream& stream) override;

protected:
    // The block after the introducer and the label.
    virtual void LoadBody(rtl::TStream& stream) = 0;
    virtual void SaveBody(rtl::TStream& stream) = 0;

private:
    TGIFSubImage* frame_;
};

// Text kept as one string per data sub-block; written in sub-blocks of at most 255 bytes.
void ReadGIFStrings(rtl::TStream& stream, std::vector<std::string>& strings);
void WriteGIFStrings(rtl::TStream& stream, const std::vector<std::string>& strings);

class TGIFTextExtension : public TGIFExtension {
public:
    static const TGIFExtensionClass ClassInfo;
    explicit TGIFTextExtension(TGIFSubImage* frame);
    const TGIFExtensionClass& Class() const override { return ClassInfo; }

    // Block size (12), grid left, top, width, height, cell width and height, fore- and background index.
    std::array<uint8_t, 13> Fields{};
    std::vector<std::string> Text;

protected:
    void LoadBody(rtl::TStream& stream) override;
    void SaveBody(rtl::TStream& stream) override;
};

enum TDisposalMethod { dmNone, dmNoDisposal, dmBackground, dmPrevious };

class TGIFGraphicControlExtension : public TGIFExtension {
public:
    static const TGIFExtensionClass ClassInfo;
    // Becomes its frame's graphic control extension when the frame has none.
    explicit TGIFGraphicControlExtension(TGIFSubImage* frame);
    ~TGIFGraphicControlExtension() override;
    const TGIFExtensionClass& Class() const override { return ClassInfo; }

    bool Transparent() const { return (block_[1] & TransparentBit) != 0; }
    // Also marks the frame transparent or not.
    void SetTransparent(bool transparent);
    int TransparentColorIndex() const { return block_[4]; }
    // An index past the frame's colour table is reported and stored as 0.
    void SetTransparentColorIndex(int index);
    int Delay() const { return LittleEndian16(&block_[2]); }
    void SetDelay(int hundredths) { PutLittleEndian16(&block_[2], static_cast<uint16_t>(hundredths)); }
    bool UserInput() const { return (block_[1] & UserInputBit) != 0; }
    TDisposalMethod Disposal() const { return static_cast<TDisposalMethod>((block_[1] >> 2) & 7); }
    void SetDisposal(TDisposalMethod disposal);

protected:
    void LoadBody(rtl::TStream& stream) override;
    void SaveBody(rtl::TStream& stream) override;

private:
    static constexpr uint8_t TransparentBit = 1;
    static constexpr uint8_t UserInputBit = 2;
    // Block size (4), packed fields, delay (2 bytes), transparent index, terminator.
    std::array<uint8_t, 6> block_{4, 0, 0, 0, 0, 0};
};

class TGIFCommentExtension : public TGIFExtension {
public:
    static const TGIFExtensionClass ClassInfo;
    using TGIFExtension::TGIFExtension;
    const TGIFExtensionClass& Class() const override { return ClassInfo; }

    std::vector<std::string> Comment;

protected:
    void LoadBody(rtl::TStream& stream) override;
    void SaveBody(rtl::TStream& stream) override;
};

// 8 identifier bytes and 3 authentication bytes.
using TGIFApplicationId = std::array<uint8_t, 11>;
TGIFApplicationId ApplicationId(const char (&text)[12]);

class TGIFApplicationExtension : public TGIFExtension {
public:
    static const TGIFExtensionClass ClassInfo;
    using TGIFExtension::TGIFExtension;
    const TGIFExtensionClass& Class() const override { return ClassInfo; }

    TGIFApplicationId Identifier{};

protected:
    void LoadBody(rtl::TStream& stream) override;
    void SaveBody(rtl::TStream& stream) override;
    virtual void LoadBlocks(rtl::TStream& stream) {}
    virtual void SaveBlocks(rtl::TStream& stream) {}
};

// One data sub-block: up to 255 bytes.
struct TGIFBlock {
    std::vector<uint8_t> Data;
};

// An application extension nobody registered: its data sub-blocks are kept byte for byte.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    static const TGIFExtensionClass ClassInfo;
    using TGIFApplicationExtension::TGIFApplicationExtension;
    const TGIFExtensionClass& Class() const override { return ClassInfo; }

    std::vector<TGIFBlock> Blocks;

protected:
    void LoadBlocks(rtl::TStream& stream) override;
    void SaveBlocks(rtl::TStream& stream) override;
};

// The looping extension of animations: a loop count (0 repeats forever) and a buffer size.
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    static const TGIFExtensionClass ClassInfo;
    explicit TGIFAppExtNSLoop(TGIFSubImage* frame);
    const TGIFExtensionClass& Class() const override { return ClassInfo; }

    int Loops = 0;
    uint32_t BufferSize = 0;

protected:
    void LoadBlocks(rtl::TStream& stream) override;
    void SaveBlocks(rtl::TStream& stream) override;
};

// The extensions of one frame, in file order.
class TGIFExtensionList : public TGIFList {
public:
    using TGIFList::TGIFList;
    TGIFExtension* Extension(int index) const { return static_cast<TGIFExtension*>(Item(index)); }
    // Reads extension blocks up to the frame's image descriptor or the trailer.
    void LoadFromStream(rtl::TStream& stream, TGIFSubImage* frame);
};

// The class registered for a label, latest registration first; nullptr when none is.
const TGIFExtensionClass* ExtensionClassOf(uint8_t label);
// The class registered for an application identifier, latest registration first.
const TGIFExtensionClass* AppExtensionClassOf(const TGIFApplicationId& identifier);
void RegisterExtensionClass(const TGIFExtensionClass& extensionClass);
void RegisterAppExtensionClass(const TGIFApplicationId& identifier, const TGIFExtensionClass& extensionClass);
// The class that should read the extension whose label is at the stream's position; the position is
// kept. nullptr when none can.
const TGIFExtensionClass* ResolveExtensionClass(rtl::TStream& stream);

} // namespace imaging
