#include "imaging/uGIFExtensions.h"

#include "imaging/uGIFFrames.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace imaging {

namespace {

constexpr int MaxSubBlock = 255;

template <class T>
TGIFExtension* Create(TGIFSubImage* frame) {
    return new T(frame);
}

const TGIFExtensionClass* ResolveSelf(const TGIFExtensionClass* self, rtl::TStream&) {
    return self;
}

// Chooses the class of an application extension from its block size and identifier.
const TGIFExtensionClass* ResolveApplication(const TGIFExtensionClass* self, rtl::TStream& stream) {
    int64_t start = stream.Position();
    int size = ReadByteOrEnd(stream);
    if (size < 0) return nullptr;
    if (size == 10) {
        uint8_t identifier[10];
        if (stream.Read(identifier, 10) < 10) return nullptr;
        return &TGIFUnknownAppExtension::ClassInfo;
    }
    if (size == 11) {
        TGIFApplicationId identifier{};
        if (stream.Read(identifier.data(), 11) == 11) {
            const TGIFExtensionClass* registered = AppExtensionClassOf(identifier);
            return registered ? registered : &TGIFUnknownAppExtension::ClassInfo;
        }
    }
    stream.SetPosition(start);
    return self;
}

std::vector<const TGIFExtensionClass*>& LabelRegistry() {
    static std::vector<const TGIFExtensionClass*> registry{
        &TGIFTextExtension::ClassInfo, &TGIFGraphicControlExtension::ClassInfo,
        &TGIFCommentExtension::ClassInfo, &TGIFApplicationExtension::ClassInfo};
    return registry;
}

std::vector<std::pair<TGIFApplicationId, const TGIFExtensionClass*>>& AppRegistry() {
    static std::vector<std::pair<TGIFApplicationId, const TGIFExtensionClass*>> registry{
        {ApplicationId("NETSCAPE2.0"), &TGIFAppExtNSLoop::ClassInfo},
        {ApplicationId("ANIMEXTS1.0"), &TGIFAppExtNSLoop::ClassInfo}};
    return registry;
}

void WriteByte(rtl::TStream& stream, uint8_t byte) {
    stream.WriteBuffer(&byte, 1);
}

} // namespace

const TGIFExtensionClass TGIFTextExtension::ClassInfo{1, Create<TGIFTextExtension>, ResolveSelf};
const TGIFExtensionClass TGIFGraphicControlExtension::ClassInfo{249, Create<TGIFGraphicControlExtension>,
                                                                ResolveSelf};
const TGIFExtensionClass TGIFCommentExtension::ClassInfo{254, Create<TGIFCommentExtension>, ResolveSelf};
const TGIFExtensionClass TGIFApplicationExtension::ClassInfo{255, Create<TGIFApplicationExtension>,
                                                             ResolveApplication};
const TGIFExtensionClass TGIFUnknownAppExtension::ClassInfo{255, Create<TGIFUnknownAppExtension>,
                                                            ResolveSelf};
const TGIFExtensionClass TGIFAppExtNSLoop::ClassInfo{255, Create<TGIFAppExtNSLoop>, ResolveSelf};

TGIFApplicationId ApplicationId(const char (&text)[12]) {
    TGIFApplicationId identifier{};
    std::memcpy(identifier.data(), text, identifier.size());
    return identifier;
}

const TGIFExtensionClass* ExtensionClassOf(uint8_t label) {
    auto& registry = LabelRegistry();
    auto found =
        std::find_if(registry.rbegin(), registry.rend(), [label](auto* c) { return c->label == label; });
    return found == registry.rend() ? nullptr : *found;
}

const TGIFExtensionClass* AppExtensionClassOf(const TGIFApplicationId& identifier) {
    auto& registry = AppRegistry();
    auto found = std::find_if(registry.rbegin(), registry.rend(),
                              [&identifier](const auto& entry) { return entry.first == identifier; });
    return found == registry.rend() ? nullptr : found->second;
}

void RegisterExtensionClass(const TGIFExtensionClass& extensionClass) {
    LabelRegistry().push_back(&extensionClass);
}

void RegisterAppExtensionClass(const TGIFApplicationId& identifier,
                               const TGIFExtensionClass& extensionClass) {
    AppRegistry().emplace_back(identifier, &extensionClass);
}

const TGIFExtensionClass* ResolveExtensionClass(rtl::TStream& stream) {
    int64_t start = stream.Position();
    int label = ReadByteOrEnd(stream);
    const TGIFExtensionClass* found = label < 0 ? nullptr : ExtensionClassOf(static_cast<uint8_t>(label));
    while (found) {
        const TGIFExtensionClass* answer = found->resolve(found, stream);
        if (answer == found) break;
        found = answer;
    }
    stream.SetPosition(start);
    return found;
}

void ReadGIFStrings(rtl::TStream& stream, std::vector<std::string>& strings) {
    strings.clear();
    for (int size = ReadByteOrEnd(stream); size > 0; size = ReadByteOrEnd(stream)) {
        std::string text(static_cast<size_t>(size), '\0');
        ReadGIFBytes(stream, text.data(), size);
        strings.push_back(std::move(text));
    }
}

void WriteGIFStrings(rtl::TStream& stream, const std::vector<std::string>& strings) {
    for (const std::string& text : strings)
        for (size_t at = 0; at < text.size(); at += MaxSubBlock) {
            size_t size = std::min<size_t>(MaxSubBlock, text.size() - at);
            WriteByte(stream, static_cast<uint8_t>(size));
            stream.WriteBuffer(text.data() + at, static_cast<int64_t>(size));
        }
    WriteByte(stream, 0);
}

TGIFExtension::TGIFExtension(TGIFSubImage* frame) : TGIFItem(frame->Image()), frame_(frame) {}

TGIFExtension::~TGIFExtension() {
    frame_->Extensions().Remove(this);
}

void TGIFExtension::LoadFromStream(rtl::TStream& stream) {
    uint8_t head[2];
    ReadGIFBytes(stream, head, 2);
    if (head[0] != ExtensionIntroducer) throw GIFException(gif_text::BadIntroducer);
    if (head[1] != ExtensionLabel()) throw GIFException(gif_text::LabelMismatch);
    LoadBody(stream);
}

void TGIFExtension::SaveToStream(rtl::TStream& stream) {
    uint8_t head[2]{ExtensionIntroducer, ExtensionLabel()};
    stream.WriteBuffer(head, 2);
    SaveBody(stream);
}

TGIFTextExtension::TGIFTextExtension(TGIFSubImage* frame) : TGIFExtension(frame) {
    Fields[0] = 12;
}

void TGIFTextExtension::LoadBody(rtl::TStream& stream) {
    ReadGIFBytes(stream, Fields.data(), Fields.size());
    ReadGIFStrings(stream, Text);
}

void TGIFTextExtension::SaveBody(rtl::TStream& stream) {
    stream.WriteBuffer(Fields.data(), Fields.size());
    WriteGIFStrings(stream, Text);
}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* frame) : TGIFExtension(frame) {
    if (!frame->GraphicControlExtension()) frame->SetGraphicControlExtension(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
    if (Transparent()) Frame()->SetTransparentFlag(false);
    if (Frame()->GraphicControlExtension() == this) Frame()->SetGraphicControlExtension(nullptr);
}

void TGIFGraphicControlExtension::SetTransparent(bool transparent) {
    block_[1] = static_cast<uint8_t>(transparent ? block_[1] | TransparentBit : block_[1] & ~TransparentBit);
    Frame()->SetTransparentFlag(transparent);
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int index) {
    int colors = Frame()->ActiveColorMap().Count();
    if (colors > 0 && (index < 0 || index >= colors)) {
        ReportWarning(gif_text::BadColorIndex);
        index = 0;
    }
    block_[4] = static_cast<uint8_t>(index);
}

void TGIFGraphicControlExtension::SetDisposal(TDisposalMethod disposal) {
    block_[1] = static_cast<uint8_t>((block_[1] & ~0x1C) | ((disposal & 7) << 2));
}

void TGIFGraphicControlExtension::LoadBody(rtl::TStream& stream) {
    if (stream.Read(block_.data(), block_.size()) < static_cast<int64_t>(block_.size())) {
        ReportWarning(gif_text::PrematureEnd);
        return;
    }
    if (Transparent()) Frame()->SetTransparentFlag(true);
}

void TGIFGraphicControlExtension::SaveBody(rtl::TStream& stream) {
    stream.WriteBuffer(block_.data(), block_.size());
}

void TGIFCommentExtension::LoadBody(rtl::TStream& stream) {
    ReadGIFStrings(stream, Comment);
}

void TGIFCommentExtension::SaveBody(rtl::TStream& stream) {
    WriteGIFStrings(stream, Comment);
}

void TGIFApplicationExtension::LoadBody(rtl::TStream& stream) {
    uint8_t size = 0;
    ReadGIFBytes(stream, &size, 1);
    Identifier.fill(0);
    if (size == 10) {
        ReadGIFBytes(stream, Identifier.data(), 10);
    } else if (size < 11) {
        throw GIFException(gif_text::BadAppBlockSize);
    } else {
        ReadGIFBytes(stream, Identifier.data(), 11);
        stream.Seek(size - 11, rtl::soCurrent);
    }
    LoadBlocks(stream);
}

void TGIFApplicationExtension::SaveBody(rtl::TStream& stream) {
    WriteByte(stream, 11);
    stream.WriteBuffer(Identifier.data(), Identifier.size());
    SaveBlocks(stream);
}

void TGIFUnknownAppExtension::LoadBlocks(rtl::TStream& stream) {
    Blocks.clear();
    for (int size = ReadByteOrEnd(stream); size > 0; size = ReadByteOrEnd(stream)) {
        TGIFBlock block{std::vector<uint8_t>(static_cast<size_t>(size))};
        ReadGIFBytes(stream, block.Data.data(), size);
        Blocks.push_back(std::move(block));
    }
}

void TGIFUnknownAppExtension::SaveBlocks(rtl::TStream& stream) {
    for (const TGIFBlock& block : Blocks) {
        WriteByte(stream, static_cast<uint8_t>(block.Data.size()));
        stream.WriteBuffer(block.Data.data(), static_cast<int64_t>(block.Data.size()));
    }
    WriteByte(stream, 0);
}

namespace {
constexpr uint8_t LoopCountId = 1;
constexpr uint8_t BufferSizeId = 2;
} // namespace

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* frame) : TGIFApplicationExtension(frame) {
    Identifier = ApplicationId("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::LoadBlocks(rtl::TStream& stream) {
    for (int size = ReadByteOrEnd(stream); size > 0; size = ReadByteOrEnd(stream)) {
        uint8_t id = 0;
        ReadGIFBytes(stream, &id, 1);
        int used = 1;
        if ((id & 7) == LoopCountId) {
            if (size < 3) throw GIFException(gif_text::InvalidData);
            uint8_t count[2];
            ReadGIFBytes(stream, count, 2);
            Loops = LittleEndian16(count);
            used += 2;
        } else if ((id & 7) == BufferSizeId) {
            if (size < 5) throw GIFException(gif_text::InvalidData);
            uint8_t bytes[4];
            ReadGIFBytes(stream, bytes, 4);
            BufferSize =
                bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
            used += 4;
        }
        stream.Seek(size - used, rtl::soCurrent);
    }
}

void TGIFAppExtNSLoop::SaveBlocks(rtl::TStream& stream) {
    uint8_t loop[4]{3, LoopCountId, 0, 0};
    PutLittleEndian16(&loop[2], static_cast<uint16_t>(Loops));
    stream.WriteBuffer(loop, 4);
    if (BufferSize != 0) {
        uint8_t buffer[6]{5,
                          BufferSizeId,
                          static_cast<uint8_t>(BufferSize),
                          static_cast<uint8_t>(BufferSize >> 8),
                          static_cast<uint8_t>(BufferSize >> 16),
                          static_cast<uint8_t>(BufferSize >> 24)};
        stream.WriteBuffer(buffer, 6);
    }
    WriteByte(stream, 0);
}

void TGIFExtensionList::LoadFromStream(rtl::TStream& stream, TGIFSubImage* frame) {
    int byte = ReadByteOrEnd(stream);
    if (byte < 0) return;
    while (byte != ImageSeparator && byte != GIFTrailer) {
        if (byte != ExtensionIntroducer) {
            ReportWarning(gif_text::BadIntroducer);
            break;
        }
        const TGIFExtensionClass* extensionClass = ResolveExtensionClass(stream);
        if (!extensionClass) throw GIFException(gif_text::UnknownExtension);
        stream.Seek(-1, rtl::soCurrent);
        std::unique_ptr<TGIFItem> extension(extensionClass->create(frame));
        extension->LoadFromStream(stream);
        Add(std::move(extension));
        byte = ReadByteOrEnd(stream);
        if (byte < 0) return;
    }
    stream.Seek(-1, rtl::soCurrent);
}

} // namespace imaging
