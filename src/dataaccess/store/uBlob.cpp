#include "dataaccess/store/uBlob.h"

#include "core/uUnicode.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <cstring>

namespace dataaccess {

namespace {

constexpr char16_t kCR = 0x0D;
constexpr char16_t kLF = 0x0A;

template <class Unit>
std::vector<Unit> UnitsOf(const TBytes& bytes) {
    std::vector<Unit> units(bytes.size() / sizeof(Unit));
    if (!units.empty()) std::memcpy(units.data(), bytes.data(), units.size() * sizeof(Unit));
    return units;
}

// Back to bytes, with the odd trailing byte of UTF-16 content kept as it was.
template <class Unit>
TBytes BytesOf(const std::vector<Unit>& units, const TBytes& original) {
    TBytes bytes(units.size() * sizeof(Unit));
    if (!bytes.empty()) std::memcpy(bytes.data(), units.data(), bytes.size());
    const size_t tail = original.size() % sizeof(Unit);
    bytes.insert(bytes.end(), original.end() - static_cast<ptrdiff_t>(tail), original.end());
    return bytes;
}

// Every LF not preceded by CR becomes CR LF; a CR that ends the content gets its LF when asked.
template <class Unit>
TBytes InsertCR(const TBytes& content, bool completeFinalCR) {
    const std::vector<Unit> units = UnitsOf<Unit>(content);
    std::vector<Unit> result;
    result.reserve(units.size() + units.size() / 8);
    Unit previous = 0;
    for (Unit unit : units) {
        if (unit == kLF && previous != kCR) result.push_back(kCR);
        result.push_back(unit);
        previous = unit;
    }
    if (completeFinalCR && previous == kCR) result.push_back(kLF);
    return BytesOf(result, content);
}

template <class Unit>
TBytes DropCR(const TBytes& content) {
    const std::vector<Unit> units = UnitsOf<Unit>(content);
    std::vector<Unit> result;
    result.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i)
        if (!(units[i] == kCR && i + 1 < units.size() && units[i + 1] == kLF)) result.push_back(units[i]);
    return BytesOf(result, content);
}

std::u16string WideOf(const TBytes& bytes) {
    std::u16string text(bytes.size() / sizeof(char16_t), u'\0');
    if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * sizeof(char16_t));
    return text;
}

uint32_t Utf8Length(char32_t code) {
    if (code < 0x80) return 1;
    if (code < 0x800) return 2;
    if (code < 0x10000) return 3; // lone surrogates too: they become U+FFFD
    return 4;
}

} // namespace

// ---- TCRBlobData

TCRBlobData::~TCRBlobData() {
    while (firstPiece_)
        FreePiece(firstPiece_);
}

PPieceHeader TCRBlobData::AllocPiece(uint32_t capacity) {
    RTL_ASSERT(capacity > 0);
    auto piece = static_cast<PPieceHeader>(Marshal::AllocBlock(kPieceHeaderSize + capacity));
    piece->Blob = nullptr;
    piece->Capacity = capacity;
    piece->Used = 0;
    piece->Prev = nullptr;
    piece->Next = nullptr;
    piece->Spare = 0;
    return piece;
}

void TCRBlobData::ResizePiece(PPieceHeader& piece, uint32_t capacity) {
    if (capacity == 0) {
        FreePiece(piece);
        piece = nullptr;
        return;
    }
    piece = static_cast<PPieceHeader>(Marshal::ResizeBlock(piece, kPieceHeaderSize + capacity));
    piece->Capacity = capacity;
    piece->Used = std::min(piece->Used, capacity);
    if (!piece->Blob) return;
    if (piece->Prev)
        piece->Prev->Next = piece;
    else
        firstPiece_ = piece;
    if (piece->Next) piece->Next->Prev = piece;
}

void TCRBlobData::FreePiece(PPieceHeader piece) {
    if (piece->Blob) UnlinkPiece(piece);
    Marshal::FreeBlock(piece);
}

void TCRBlobData::AppendPiece(PPieceHeader piece) {
    RTL_ASSERT(!piece->Blob);
    piece->Blob = this;
    piece->Next = nullptr;
    piece->Prev = nullptr;
    if (!firstPiece_) {
        firstPiece_ = piece;
        return;
    }
    PPieceHeader last = firstPiece_;
    while (last->Next)
        last = last->Next;
    last->Next = piece;
    piece->Prev = last;
}

void TCRBlobData::UnlinkPiece(PPieceHeader piece) {
    RTL_ASSERT(piece->Blob == this);
    if (piece->Prev)
        piece->Prev->Next = piece->Next;
    else
        firstPiece_ = piece->Next;
    if (piece->Next) piece->Next->Prev = piece->Prev;
    piece->Blob = nullptr;
    piece->Prev = nullptr;
    piece->Next = nullptr;
}

void TCRBlobData::CompactPiece(PPieceHeader& piece) {
    if (piece->Used < piece->Capacity) ResizePiece(piece, piece->Used);
}

uint32_t TCRBlobData::GetSize() const {
    uint32_t size = 0;
    for (PPieceHeader piece = firstPiece_; piece; piece = piece->Next)
        size += piece->Used;
    return size;
}

void TCRBlobData::SetSize(uint32_t size) {
    const uint32_t current = GetSize();
    if (size < current) {
        Truncate(size);
    } else if (size > current) {
        PPieceHeader piece = AllocPiece(size - current);
        std::memset(PieceData(piece), 0, piece->Capacity);
        piece->Used = piece->Capacity;
        AppendPiece(piece);
    }
}

void TCRBlobData::Clear() {
    while (firstPiece_)
        FreePiece(firstPiece_);
}

void TCRBlobData::Truncate(uint32_t size) {
    if (size == 0) {
        Clear();
        return;
    }
    uint32_t total = 0;
    for (PPieceHeader piece = firstPiece_; piece; piece = piece->Next) {
        piece->Used = std::min(piece->Used, size - total);
        total += piece->Used;
    }
}

uint32_t TCRBlobData::Read(uint32_t position, uint32_t count, void* destination) {
    const uint32_t size = TCRBlobData::GetSize();
    if (!firstPiece_ || position > size) return 0;
    if (count == 0 || count > size - position) count = size - position;
    auto target = static_cast<uint8_t*>(destination);
    uint32_t skip = position;
    uint32_t remaining = count;
    for (PPieceHeader piece = firstPiece_; piece && remaining > 0; piece = piece->Next) {
        if (skip >= piece->Used) {
            skip -= piece->Used;
            continue;
        }
        const uint32_t n = std::min(piece->Used - skip, remaining);
        std::memcpy(target, PieceData(piece) + skip, n);
        target += n;
        remaining -= n;
        skip = 0;
    }
    return count;
}

void TCRBlobData::Write(uint32_t position, uint32_t count, const void* source) {
    if (count == 0) return;
    auto from = static_cast<const uint8_t*>(source);
    uint32_t skip = std::min(position, TCRBlobData::GetSize());
    uint32_t remaining = count;
    // Spare capacity counts only at the logical end: in the last piece with content and after it.
    PPieceHeader lastUsed = nullptr;
    for (PPieceHeader piece = firstPiece_; piece; piece = piece->Next)
        if (piece->Used > 0) lastUsed = piece;
    bool tail = !lastUsed;
    for (PPieceHeader piece = firstPiece_; piece && remaining > 0; piece = piece->Next) {
        tail = tail || piece == lastUsed;
        const uint32_t limit = tail ? piece->Capacity : piece->Used;
        if (skip >= limit) {
            skip -= piece->Used;
            continue;
        }
        const uint32_t n = std::min(remaining, limit - skip);
        std::memcpy(PieceData(piece) + skip, from, n);
        piece->Used = std::max(piece->Used, skip + n);
        from += n;
        remaining -= n;
        skip = 0;
    }
    while (remaining > 0) {
        PPieceHeader piece = AllocPiece(std::min(pieceSize_, count));
        const uint32_t n = std::min(remaining, piece->Capacity);
        std::memcpy(PieceData(piece), from, n);
        piece->Used = n;
        AppendPiece(piece);
        from += n;
        remaining -= n;
    }
}

void TCRBlobData::MoveTo(TCRBlobData* target) {
    RTL_ASSERT(target && target != this);
    target->Clear();
    target->firstPiece_ = firstPiece_;
    for (PPieceHeader piece = firstPiece_; piece; piece = piece->Next)
        piece->Blob = target;
    firstPiece_ = nullptr;
    const uint32_t size = target->TCRBlobData::GetSize();
    if (size == 0) return;
    PPieceHeader copy = AllocPiece(size);
    copy->Used = target->TCRBlobData::Read(0, size, PieceData(copy));
    AppendPiece(copy);
}

void TCRBlobData::Defragment() {
    if (!firstPiece_ || !firstPiece_->Next) return;
    const uint32_t size = TCRBlobData::GetSize();
    if (size == 0) {
        Clear();
        return;
    }
    PPieceHeader first = firstPiece_;
    ResizePiece(first, std::max(size, first->Used));
    while (PPieceHeader next = first->Next) {
        std::memcpy(PieceData(first) + first->Used, PieceData(next), next->Used);
        first->Used += next->Used;
        FreePiece(next);
    }
}

TBytes TCRBlobData::Content() {
    TBytes bytes(GetSize());
    if (!bytes.empty()) Read(0, static_cast<uint32_t>(bytes.size()), bytes.data());
    return bytes;
}

void TCRBlobData::ReplaceContent(const TBytes& bytes) {
    Clear();
    TCRBlobData::Write(0, static_cast<uint32_t>(bytes.size()), bytes.data());
}

void TCRBlobData::AddCR(bool unicode) {
    const TBytes content = Content();
    ReplaceContent(unicode ? InsertCR<char16_t>(content, false) : InsertCR<uint8_t>(content, true));
}

void TCRBlobData::RemoveCR(bool unicode) {
    const TBytes content = Content();
    ReplaceContent(unicode ? DropCR<char16_t>(content) : DropCR<uint8_t>(content));
}

// ---- TBlob

TBlob::TBlob(bool isUnicode) : TBlob(isUnicode, new TCRBlobData) {}

TBlob::TBlob(bool isUnicode, TCRBlobData* data) : data_(data), isUnicode_(isUnicode) {}

TBlob::~TBlob() {
    Invalidate();
}

void TBlob::Invalidate() {
    if (marker_ != kValidMarker) return;
    marker_ = 0;
    if (storedData_) data_ = storedData_;
    data_->Release();
    if (rollback_) rollback_->Release();
    data_ = rollback_ = storedData_ = nullptr;
}

void TBlob::CheckValid() const {
    if (marker_ != kValidMarker) throw rtl::Exception("Invalid BLOB");
}

TCRBlobData* TBlob::CreateBlobData() {
    return new TCRBlobData;
}

void TBlob::SaveRollback() {
    if (!rollbackEnabled_) throw rtl::Exception("Blob must be in cached mode");
    if (rollback_) rollback_->Release();
    rollback_ = CreateBlobData();
    data_->MoveTo(rollback_);
}

void TBlob::PrepareChange() {
    if (rollbackEnabled_ && !rollback_) SaveRollback();
}

uint32_t TBlob::GetSize() const {
    CheckValid();
    return data_->GetSize();
}

void TBlob::SetSize(uint32_t size) {
    CheckValid();
    data_->SetSize(size);
}

void TBlob::SetIsUnicode(bool value) {
    if (value != isUnicode_ && GetSize() > 0) throw rtl::Exception("Cannot change IsUnicode if Size > 0");
    isUnicode_ = value;
}

uint32_t TBlob::GetAnsiSize() {
    RTL_ASSERT(isUnicode_);
    return static_cast<uint32_t>(rtl::Utf16ToUtf8(ReadAsWide()).size());
}

uint32_t TBlob::Read(uint32_t position, uint32_t count, void* destination) {
    CheckValid();
    BeforeRead();
    return data_->Read(position, count, destination);
}

void TBlob::Write(uint32_t position, uint32_t count, const void* source) {
    CheckValid();
    PrepareChange();
    data_->Write(position, count, source);
}

void TBlob::Clear() {
    CheckValid();
    PrepareChange();
    data_->Clear();
}

void TBlob::Truncate(uint32_t size) {
    CheckValid();
    PrepareChange();
    data_->Truncate(size);
}

void TBlob::Defragment() {
    CheckValid();
    data_->Defragment();
}

void TBlob::LoadFromStream(rtl::TStream& stream) {
    Clear();
    stream.SetPosition(0);
    TBytes chunk(PieceSize());
    for (;;) {
        const auto n = static_cast<uint32_t>(stream.Read(chunk.data(), static_cast<int64_t>(chunk.size())));
        if (n == 0) break;
        Write(GetSize(), n, chunk.data());
    }
}

void TBlob::SaveToStream(rtl::TStream& stream) {
    stream.SetSize(0);
    stream.SetPosition(0);
    TBytes chunk(PieceSize());
    uint32_t position = 0;
    while (const uint32_t n = Read(position, static_cast<uint32_t>(chunk.size()), chunk.data())) {
        stream.WriteBuffer(chunk.data(), n);
        position += n;
    }
}

void TBlob::CommitRollback() {
    CheckValid();
    if (!rollback_) return;
    rollback_->Release();
    rollback_ = nullptr;
}

void TBlob::CancelRollback() {
    CheckValid();
    if (!rollback_) return;
    RTL_ASSERT(!storedData_);
    data_->Release();
    data_ = rollback_;
    rollback_ = nullptr;
}

void TBlob::SetViewRollback(bool on) {
    CheckValid();
    if (on && !storedData_) {
        storedData_ = data_;
        if (rollback_) data_ = rollback_;
    } else if (!on && storedData_) {
        data_ = storedData_;
        storedData_ = nullptr;
    }
}

void TBlob::ShareData(TCRBlobData* data) {
    CheckValid();
    RTL_ASSERT(!storedData_);
    RTL_ASSERT(data);
    data->AddRef();
    data_->Release();
    data_ = data;
}

void TBlob::CopyFrom(TBlob& source) {
    Clear();
    isUnicode_ = source.isUnicode_;
    TBytes chunk(kBlobCopyChunk);
    uint32_t position = 0;
    while (const uint32_t n = source.Read(position, kBlobCopyChunk, chunk.data())) {
        Write(position, n, chunk.data());
        position += n;
    }
}

std::string TBlob::ReadAsAnsi() {
    TBytes bytes(GetSize());
    Read(0, 0, bytes.data());
    if (isUnicode_) return rtl::Utf16ToUtf8(WideOf(bytes));
    return std::string(bytes.begin(), bytes.end());
}

void TBlob::WriteAsAnsi(const std::string& text) {
    Clear();
    if (isUnicode_)
        WriteAsWide(rtl::Utf8ToUtf16(text));
    else
        Write(0, static_cast<uint32_t>(text.size()), text.data());
}

std::u16string TBlob::ReadAsWide() {
    TBytes bytes(GetSize());
    Read(0, 0, bytes.data());
    if (isUnicode_) return WideOf(bytes);
    return rtl::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TBlob::WriteAsWide(const std::u16string& text) {
    Clear();
    if (isUnicode_)
        Write(0, static_cast<uint32_t>(text.size() * sizeof(char16_t)), text.data());
    else
        WriteAsAnsi(rtl::Utf16ToUtf8(text));
}

void TBlob::SetAsBytes(const TBytes& bytes) {
    Clear();
    Write(0, static_cast<uint32_t>(bytes.size()), bytes.data());
}

uint32_t TBlob::AnsiToBytePosition(uint32_t ansiPosition) {
    RTL_ASSERT(isUnicode_);
    const std::u16string text = ReadAsWide();
    size_t units = 0;
    uint32_t ansi = 0;
    while (ansi < ansiPosition && units < text.size())
        ansi += Utf8Length(core::WideCodePointAt(text, units));
    if (ansi != ansiPosition) throw rtl::Exception("Invalid BLOB position");
    return static_cast<uint32_t>(units * sizeof(char16_t));
}

void TBlob::AddCR() {
    CheckValid();
    BeforeRead();
    PrepareChange();
    data_->AddCR(isUnicode_);
}

void TBlob::RemoveCR() {
    CheckValid();
    BeforeRead();
    PrepareChange();
    data_->RemoveCR(isUnicode_);
}

} // namespace dataaccess
