#include "docking/vzDockStream.h"

#include "docking/vzDockTexts.h"

#include <array>
#include <cstring>

namespace docking {

namespace {

constexpr char kMagic[] = "VZDOCK";
constexpr int kMagicSize = 6;

void PutInt(rtl::TStream& stream, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                              static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    stream.WriteBuffer(bytes, 4);
}

int32_t IntOf(const uint8_t* bytes) {
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                                static_cast<uint32_t>(bytes[2]) << 16 |
                                static_cast<uint32_t>(bytes[3]) << 24);
}

[[noreturn]] void Corrupt() {
    throw EvzDocking(texts::sCorruptLayout);
}

} // namespace

// ---- Bracket checks ----

void TvzCustomDockingWriter::Open(uint8_t bracket) {
    if (open_ & bracket) throw rtl::EAssertionFailed("Docking writer bracket already open");
    open_ |= bracket;
}

void TvzCustomDockingWriter::Close(uint8_t bracket) {
    if (!(open_ & bracket)) throw rtl::EAssertionFailed("Docking writer bracket not open");
    open_ &= static_cast<uint8_t>(~bracket);
}

void TvzCustomDockingWriter::BeginList() {
    Open(bList);
}
void TvzCustomDockingWriter::EndList() {
    Close(bList);
}
void TvzCustomDockingWriter::BeginSites() {
    Open(bSites);
}
void TvzCustomDockingWriter::EndSites() {
    Close(bSites);
}
void TvzCustomDockingWriter::BeginSite() {
    Open(bSite);
}
void TvzCustomDockingWriter::EndSite() {
    Close(bSite);
}
void TvzCustomDockingWriter::BeginControls() {
    Open(bControls);
}
void TvzCustomDockingWriter::EndControls() {
    Close(bControls);
}
void TvzCustomDockingWriter::BeginSection(const std::string&) {
    Open(bSection);
}
void TvzCustomDockingWriter::EndSection() {
    Close(bSection);
}

void TvzCustomDockingReader::Open(uint8_t bracket) {
    if (open_ & bracket) throw rtl::EAssertionFailed("Docking reader bracket already open");
    open_ |= bracket;
}

void TvzCustomDockingReader::Close(uint8_t bracket) {
    if (!(open_ & bracket)) throw rtl::EAssertionFailed("Docking reader bracket not open");
    open_ &= static_cast<uint8_t>(~bracket);
}

void TvzCustomDockingReader::BeginList() {
    Open(bList);
}
void TvzCustomDockingReader::EndList() {
    Close(bList);
}
void TvzCustomDockingReader::BeginSites() {
    Open(bSites);
}
void TvzCustomDockingReader::EndSites() {
    Close(bSites);
}
void TvzCustomDockingReader::BeginControls() {
    Open(bControls);
}
void TvzCustomDockingReader::EndControls() {
    Close(bControls);
}
void TvzCustomDockingReader::BeginSection(const std::string&) {
    Open(bSection);
}
void TvzCustomDockingReader::EndSection() {
    Close(bSection);
}

// ---- TvzBinaryDockingWriter ----

TvzBinaryDockingWriter::TvzBinaryDockingWriter(rtl::TStream& stream) : stream_(stream) {
    stream_.WriteBuffer(kMagic, kMagicSize);
    PutInt(stream_, kLayoutVersion);
}

void TvzBinaryDockingWriter::ReserveLength() {
    PutInt(stream_, 0);
}

void TvzBinaryDockingWriter::PatchLength(int64_t at) {
    const int64_t end = stream_.Position();
    stream_.SetPosition(at);
    PutInt(stream_, static_cast<int32_t>(end - at - 4));
    stream_.SetPosition(end);
}

void TvzBinaryDockingWriter::EndList() {
    TvzCustomDockingWriter::EndList();
    PutInt(stream_, 0);
}

void TvzBinaryDockingWriter::EndSites() {
    TvzCustomDockingWriter::EndSites();
    PutInt(stream_, 0);
}

void TvzBinaryDockingWriter::BeginSite() {
    TvzCustomDockingWriter::BeginSite();
    sitePosition_ = stream_.Position();
    ReserveLength();
}

void TvzBinaryDockingWriter::EndSite() {
    TvzCustomDockingWriter::EndSite();
    PatchLength(sitePosition_);
}

void TvzBinaryDockingWriter::EndControls() {
    if (!blocks_.empty()) throw rtl::EAssertionFailed("Control blocks are still open");
    TvzCustomDockingWriter::EndControls();
    PutInt(stream_, 0);
}

void TvzBinaryDockingWriter::BeginControl() {
    blocks_.push_back(stream_.Position());
    ReserveLength();
}

void TvzBinaryDockingWriter::EndControl() {
    if (blocks_.empty()) throw rtl::EAssertionFailed("No control block is open");
    const int64_t at = blocks_.back();
    blocks_.pop_back();
    PatchLength(at);
}

void TvzBinaryDockingWriter::WriteBoolean(const char*, bool value) {
    const uint8_t byte = value ? 1 : 0;
    stream_.WriteBuffer(&byte, 1);
}

void TvzBinaryDockingWriter::WriteByte(const char*, uint8_t value) {
    stream_.WriteBuffer(&value, 1);
}

void TvzBinaryDockingWriter::WriteInteger(const char*, int32_t value) {
    PutInt(stream_, value);
}

void TvzBinaryDockingWriter::WriteString(const char*, const std::string& value) {
    PutInt(stream_, static_cast<int32_t>(value.size()));
    stream_.WriteString(value);
}

void TvzBinaryDockingWriter::WritePoint(const char*, ui::TPoint value) {
    PutInt(stream_, value.X);
    PutInt(stream_, value.Y);
}

void TvzBinaryDockingWriter::WriteRect(const char*, const ui::TRect& value) {
    for (int edge : {value.Left, value.Top, value.Right, value.Bottom})
        PutInt(stream_, edge);
}

void TvzBinaryDockingWriter::WriteGUID(const char*, const TGuid& value) {
    WriteGuid(stream_, value);
}

// ---- TvzBinaryDockingReader ----

TvzBinaryDockingReader::TvzBinaryDockingReader(rtl::TStream& stream) : stream_(stream) {
    char magic[kMagicSize] = {};
    if (stream_.Read(magic, kMagicSize) != kMagicSize || std::memcmp(magic, kMagic, kMagicSize) != 0)
        throw EvzDocking(texts::sInvalidLayoutHeader);
    version_ = static_cast<int>(ReadLength());
    if (version_ < 1 || version_ > kLayoutVersion) throw EvzDocking(texts::sInvalidLayoutVersion);
}

int64_t TvzBinaryDockingReader::Remaining() {
    return stream_.Size() - stream_.Position();
}

int64_t TvzBinaryDockingReader::ReadLength() {
    uint8_t bytes[4] = {};
    if (Remaining() < 4) {
        stream_.Seek(0, rtl::soEnd);
        return 0;
    }
    stream_.ReadBuffer(bytes, 4);
    return IntOf(bytes);
}

void TvzBinaryDockingReader::ReadExact(void* buffer, int64_t count) {
    if (count > Remaining()) Corrupt();
    stream_.ReadBuffer(buffer, count);
}

bool TvzBinaryDockingReader::BeginSite() {
    site_.position = stream_.Position();
    site_.length = ReadLength();
    if (site_.length < 0 || site_.length > Remaining()) Corrupt();
    return site_.length != 0;
}

void TvzBinaryDockingReader::SkipSite() {
    const int64_t end = site_.position + 4 + site_.length;
    if (end <= stream_.Size()) stream_.SetPosition(end);
}

void TvzBinaryDockingReader::EndControls() {
    if (!blocks_.empty()) throw rtl::EAssertionFailed("Control blocks are still open");
    TvzCustomDockingReader::EndControls();
}

bool TvzBinaryDockingReader::BeginControl() {
    const int64_t position = stream_.Position();
    const int64_t length = ReadLength();
    if (length < 0 || length > Remaining()) Corrupt();
    if (!blocks_.empty()) {
        const Block& outer = blocks_.back();
        if (position + 4 + length > outer.position + 4 + outer.length) Corrupt();
    }
    if (length == 0) return false;
    blocks_.push_back({position, length});
    return true;
}

void TvzBinaryDockingReader::SkipControl() {
    if (blocks_.empty()) throw rtl::EAssertionFailed("No control block is open");
    const Block block = blocks_.back();
    blocks_.pop_back();
    stream_.SetPosition(block.position + 4 + block.length);
}

void TvzBinaryDockingReader::EndControl() {
    if (blocks_.empty()) throw rtl::EAssertionFailed("No control block is open");
    blocks_.pop_back();
}

bool TvzBinaryDockingReader::ReadBoolean(const char* name) {
    return ReadByte(name) != 0;
}

uint8_t TvzBinaryDockingReader::ReadByte(const char*) {
    uint8_t value = 0;
    ReadExact(&value, 1);
    return value;
}

int32_t TvzBinaryDockingReader::ReadInteger(const char*) {
    uint8_t bytes[4] = {};
    ReadExact(bytes, 4);
    return IntOf(bytes);
}

std::string TvzBinaryDockingReader::ReadString(const char* name) {
    const int32_t length = ReadInteger(name);
    if (length <= 0) return {};
    if (length > Remaining()) Corrupt();
    std::string text(static_cast<std::size_t>(length), '\0');
    stream_.ReadBuffer(text.data(), length);
    return text;
}

ui::TPoint TvzBinaryDockingReader::ReadPoint(const char* name) {
    const int x = ReadInteger(name);
    return {x, ReadInteger(name)};
}

ui::TRect TvzBinaryDockingReader::ReadRect(const char* name) {
    ui::TRect rect;
    rect.Left = ReadInteger(name);
    rect.Top = ReadInteger(name);
    rect.Right = ReadInteger(name);
    rect.Bottom = ReadInteger(name);
    return rect;
}

TGuid TvzBinaryDockingReader::ReadGUID(const char*) {
    TGuid guid{};
    ReadExact(guid.data(), 16);
    return guid;
}

void TvzBinaryDockingReader::Skip(int64_t count) {
    if (count > Remaining()) Corrupt();
    stream_.Seek(count, rtl::soCurrent);
}

} // namespace docking
