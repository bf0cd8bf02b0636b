#include "lazytree/LazyTreeColumns.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"

namespace lazytree {

namespace {

void WriteInt(rtl::TStream& stream, int32_t value) {
    stream.WriteBuffer(&value, sizeof value); // little-endian on every target
}

int32_t ReadInt(rtl::TStream& stream) {
    int32_t value = 0;
    stream.ReadBuffer(&value, sizeof value);
    return value;
}

// Enumerations take a whole field, of which only the low byte counts.
int ReadEnum(rtl::TStream& stream) {
    return ReadInt(stream) & 0xFF;
}

int64_t Remaining(rtl::TStream& stream) {
    return stream.Size() - stream.Position();
}

// A count read from the stream that cannot be more than the stream still holds of `unit` bytes each.
int32_t ReadCount(rtl::TStream& stream, int64_t unit) {
    const int32_t count = ReadInt(stream);
    if (count < 0 || count > Remaining(stream) / unit) throw rtl::EStreamError("Stream read error");
    return count;
}

void WriteText(rtl::TStream& stream, const std::u16string& text) {
    WriteInt(stream, static_cast<int32_t>(text.size()));
    stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size() * sizeof(char16_t)));
}

std::u16string ReadText(rtl::TStream& stream) {
    std::u16string text(static_cast<std::size_t>(ReadCount(stream, sizeof(char16_t))), u'\0');
    stream.ReadBuffer(text.data(), static_cast<int64_t>(text.size() * sizeof(char16_t)));
    return text;
}

// Option bits of older streams: version 2 had no bits 8-15; versions 0 and 1 lacked bit 4 and had
// the bits from 15 one place lower.
uint32_t ConvertOptions(uint32_t value, int version) {
    if (version == 2) return value & 0xFFFF00FFu;
    if (version <= 1) return (((value >> 4) << 5) & 0xFF) | (value & 0xF) | ((value >> 15) << 16);
    return value;
}

uint32_t OptionBits(const TVTColumnOptions& options) {
    uint32_t bits = 0;
    for (int bit = 0; bit <= coUseCaptionAlignment; ++bit)
        if (options.Contains(static_cast<TVTColumnOption>(bit))) bits |= 1u << bit;
    return bits;
}

TVTColumnOptions OptionsFromBits(uint32_t bits) {
    TVTColumnOptions options;
    for (int bit = 0; bit <= coUseCaptionAlignment; ++bit)
        if (bits & (1u << bit)) options.Include(static_cast<TVTColumnOption>(bit));
    return options;
}

// The smallest column record: the two empty texts and ten more fields.
constexpr int64_t kMinimumRecord = 12 * 4;

} // namespace

void TLazyTreeColumns::SaveToStream(rtl::TStream& stream) const {
    WriteInt(stream, Count());
    for (const auto& column : items_) {
        const TColumnLook& look = column->look_;
        WriteText(stream, look.Text);
        WriteText(stream, look.Hint);
        for (int32_t value : {column->width_, column->minWidth_, column->maxWidth_, look.Style,
                              look.ImageIndex, look.Layout, look.Margin, look.Spacing, look.BiDiMode})
            WriteInt(stream, value);
        WriteInt(stream, static_cast<int32_t>(OptionBits(column->options_)));
        WriteInt(stream, look.Tag);
        WriteInt(stream, look.Alignment);
        WriteInt(stream, look.Color);
        if (column->options_.Contains(coUseCaptionAlignment)) WriteInt(stream, look.CaptionAlignment);
    }
    for (TColumnIndex index : positions_)
        WriteInt(stream, index);
    WriteInt(stream, kDefaultWidth);
}

void TLazyTreeColumns::LoadFromStream(rtl::TStream& stream, int version) {
    while (Count() > 0)
        Delete(Count() - 1);
    const int32_t count = ReadCount(stream, kMinimumRecord);
    for (int32_t i = 0; i < count; ++i) {
        TLazyTreeColumn& column = Add();
        TColumnLook& look = column.look_;
        look.Text = ReadText(stream);
        look.Hint = ReadText(stream);
        column.width_ = column.lastWidth_ = ReadInt(stream);
        column.minWidth_ = ReadInt(stream);
        column.maxWidth_ = ReadInt(stream);
        look.Style = ReadEnum(stream);
        look.ImageIndex = ReadInt(stream);
        look.Layout = ReadEnum(stream);
        look.Margin = ReadInt(stream);
        look.Spacing = ReadInt(stream);
        look.BiDiMode = ReadEnum(stream);
        column.options_ = OptionsFromBits(ConvertOptions(static_cast<uint32_t>(ReadInt(stream)), version));
        if (version > 0) {
            look.Tag = ReadInt(stream);
            look.Alignment = ReadEnum(stream);
        }
        if (version > 1) look.Color = ReadInt(stream);
        if (version > 5 && column.options_.Contains(coUseCaptionAlignment))
            look.CaptionAlignment = ReadEnum(stream);
    }
    for (int32_t p = 0; p < count; ++p) {
        const int32_t index = ReadInt(stream);
        if (!IsValidColumn(index)) throw rtl::EStreamError("Stream read error");
        positions_[static_cast<std::size_t>(p)] = index;
    }
    if (version > 4) ReadInt(stream); // the default width is fixed
    UpdatePositions();
}

} // namespace lazytree
