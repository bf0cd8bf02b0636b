#include "dataaccess/store/uCompressedBlob.h"

#include "dataaccess/store/uCompressHooks.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"

#include <algorithm>
#include <cstring>

namespace dataaccess {

namespace {

bool StartsWithTag(PPieceHeader piece) {
    return piece && piece->Used >= kCompressedBlobTag.size() &&
           std::equal(kCompressedBlobTag.begin(), kCompressedBlobTag.end(), PieceData(piece));
}

} // namespace

// ---- TCompressedBlobData

uint32_t TCompressedBlobData::StoredSize() const {
    return static_cast<uint32_t>(Marshal::LoadInt32(PieceData(FirstPiece()), kCompressedBlobTag.size()));
}

bool TCompressedBlobData::AdoptCompressed() {
    if (compressed_ || !StartsWithTag(FirstPiece())) return compressed_;
    Defragment();
    compressed_ = FirstPiece()->Used > kCompressedHeaderSize;
    return compressed_;
}

PPieceHeader TCompressedBlobData::CompressToPiece(const void* source, uint32_t size) {
    if (size <= kMinCompressSize) return nullptr;
    CheckCompressorLinked();
    PPieceHeader piece = AllocPiece(size + size / 5 + 32);
    uint32_t length = piece->Capacity - kCompressedHeaderSize;
    const bool done = TryCompressBlock(PieceData(piece) + kCompressedHeaderSize, length, source, size);
    if (!done || length + kCompressedHeaderSize >= size) {
        FreePiece(piece);
        return nullptr;
    }
    std::copy(kCompressedBlobTag.begin(), kCompressedBlobTag.end(), PieceData(piece));
    Marshal::StoreInt32At(PieceData(piece), kCompressedBlobTag.size(), static_cast<int32_t>(size));
    piece->Used = length + kCompressedHeaderSize;
    ResizePiece(piece, piece->Used);
    return piece;
}

bool TCompressedBlobData::Compress() {
    if (compressed_) return true;
    Defragment();
    const uint32_t size = TCRBlobData::GetSize();
    if (size == 0) return false;
    if (PPieceHeader piece = CompressToPiece(PieceData(FirstPiece()), size)) {
        Clear();
        AppendPiece(piece);
        compressed_ = true;
    }
    return compressed_;
}

uint32_t TCompressedBlobData::CheckCompressedPiece() {
    RTL_ASSERT(FirstPiece());
    Defragment();
    const PPieceHeader piece = FirstPiece();
    RTL_ASSERT(!piece->Next);
    if (piece->Used <= kCompressedHeaderSize) throw rtl::Exception("Invalid compressed blob size");
    if (!StartsWithTag(piece)) throw rtl::Exception("Invalid compressed blob header");
    const uint32_t size = StoredSize();
    RTL_ASSERT(static_cast<int32_t>(size) > 0);
    return size;
}

void TCompressedBlobData::InflateTo(void* destination, uint32_t size) {
    const PPieceHeader piece = FirstPiece();
    uint32_t produced = size;
    try {
        if (UncompressBlock(destination, produced, PieceData(piece) + kCompressedHeaderSize,
                            piece->Used - kCompressedHeaderSize) < 0)
            throw rtl::Exception("Invalid compressed blob data");
    } catch (const EZlibError&) {
        throw rtl::Exception("Invalid compressed blob data");
    }
    if (produced != size) throw rtl::Exception("Invalid uncompressed blob size");
}

void TCompressedBlobData::Uncompress() {
    if (!compressed_) return;
    const uint32_t size = CheckCompressedPiece();
    PPieceHeader piece = AllocPiece(size);
    {
        rtl::UndoGuard freePiece([&] { FreePiece(piece); });
        InflateTo(PieceData(piece), size);
        freePiece.Dismiss();
    }
    piece->Used = size;
    Clear();
    AppendPiece(piece);
}

uint32_t TCompressedBlobData::GetSize() const {
    return compressed_ ? StoredSize() : TCRBlobData::GetSize();
}

void TCompressedBlobData::SetSize(uint32_t size) {
    if (!compressed_) {
        TCRBlobData::SetSize(size);
        return;
    }
    RTL_ASSERT(size == 0 || size == StoredSize());
    if (size == 0) Clear();
}

void TCompressedBlobData::Clear() {
    compressed_ = false;
    TCRBlobData::Clear();
}

void TCompressedBlobData::Truncate(uint32_t size) {
    if (compressed_ && size != 0) Uncompress();
    TCRBlobData::Truncate(size);
}

uint32_t TCompressedBlobData::Read(uint32_t position, uint32_t count, void* destination) {
    if (compressed_) {
        const uint32_t size = CheckCompressedPiece();
        if (position == 0 && (count == 0 || count == size)) {
            InflateTo(destination, size);
            return size;
        }
        Uncompress();
    }
    return TCRBlobData::Read(position, count, destination);
}

void TCompressedBlobData::Write(uint32_t position, uint32_t count, const void* source) {
    if (compressed_) {
        if (position == 0 && count == StoredSize()) {
            Clear();
            if (PPieceHeader piece = CompressToPiece(source, count)) {
                AppendPiece(piece);
                compressed_ = true;
                return;
            }
        } else {
            Uncompress();
        }
    }
    TCRBlobData::Write(position, count, source);
}

void TCompressedBlobData::MoveTo(TCRBlobData* target) {
    auto compressedTarget = dynamic_cast<TCompressedBlobData*>(target);
    if (!compressedTarget) Uncompress();
    const bool compressed = compressed_;
    TCRBlobData::MoveTo(target);
    if (compressedTarget) compressedTarget->compressed_ = compressed;
}

// ---- TCompressedBlob

TCompressedBlob::TCompressedBlob(bool isUnicode) : TBlob(isUnicode, new TCompressedBlobData) {}

TCRBlobData* TCompressedBlob::CreateBlobData() {
    return new TCompressedBlobData;
}

TCompressedBlobData* TCompressedBlob::CompressedData() const {
    return dynamic_cast<TCompressedBlobData*>(Data());
}

bool TCompressedBlob::SetCompressed(bool value) {
    CheckValid();
    BeforeRead();
    TCompressedBlobData* data = CompressedData();
    if (!data || data->GetSize() == 0 || data->IsCompressed() == value) return false;
    if (value)
        data->Compress();
    else
        data->Uncompress();
    return true;
}

bool TCompressedBlob::IsCompressed() const {
    const TCompressedBlobData* data = CompressedData();
    return data && data->IsCompressed();
}

bool TCompressedBlob::AdoptCompressed() {
    TCompressedBlobData* data = CompressedData();
    return data && data->AdoptCompressed();
}

} // namespace dataaccess
