// Blob values of the record store: content in pieces, shared between records by reference count.
#pragma once

#include "dataaccess/store/uMarshal.h"
#include "dataaccess/store/uSharedObject.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace rtl {
class TStream;
}

namespace dataaccess {

class TCRBlobData;

// A piece of blob content: this header followed by Capacity bytes, of which Used hold content.
struct TPieceHeader {
    TCRBlobData* Blob; // owning data; nullptr while the piece is not linked
    uint32_t Capacity;
    uint32_t Used;
    TPieceHeader* Prev;
    TPieceHeader* Next;
    uint16_t Spare;
};

using PPieceHeader = TPieceHeader*;

inline constexpr size_t kPieceHeaderSize = sizeof(TPieceHeader);
// A full piece with its header takes 64 KB.
inline constexpr uint32_t kDefaultPieceSize = 65536 - kPieceHeaderSize;
// TBlob::CopyFrom copies in chunks of this size.
inline constexpr uint32_t kBlobCopyChunk = 65536;

inline uint8_t* PieceData(PPieceHeader piece) {
    return reinterpret_cast<uint8_t*>(piece) + kPieceHeaderSize;
}

// The bytes of a blob as a doubly linked list of pieces.
class TCRBlobData : public TSharedObject {
public:
    TCRBlobData() = default;

    const char* ClassName() const override { return "TCRBlobData"; }

    virtual uint32_t GetSize() const;
    // Smaller: Truncate; larger: one zero-filled piece of the difference is appended.
    virtual void SetSize(uint32_t size);
    virtual void Clear();
    // Cuts the used counts so that they add up to `size`; 0 clears.
    virtual void Truncate(uint32_t size);
    // Count 0 reads to the end. Returns the bytes read, 0 from a position beyond the size.
    virtual uint32_t Read(uint32_t position, uint32_t count, void* destination);
    // The position is clamped to the size. Existing pieces are overwritten, a tail piece's spare
    // capacity is filled, then new pieces of min(piece size, count) capacity are appended.
    virtual void Write(uint32_t position, uint32_t count, const void* source);
    // The target is cleared and receives these pieces; this data keeps one piece with a copy.
    virtual void MoveTo(TCRBlobData* target);

    // One piece holding the whole content.
    void Defragment();
    // Line breaks of 8-bit (bytes) or UTF-16 (16-bit units) content, rebuilt into new pieces.
    void AddCR(bool unicode);
    void RemoveCR(bool unicode);

    PPieceHeader FirstPiece() const { return firstPiece_; }
    uint32_t PieceSize() const { return pieceSize_; }
    void SetPieceSize(uint32_t size) { pieceSize_ = size; }

    // Piece helpers. A piece from AllocPiece is not linked until AppendPiece.
    static PPieceHeader AllocPiece(uint32_t capacity);
    // Capacity 0 frees the piece (piece becomes nullptr); links are repaired after a move.
    void ResizePiece(PPieceHeader& piece, uint32_t capacity);
    void FreePiece(PPieceHeader piece);
    void AppendPiece(PPieceHeader piece);
    void UnlinkPiece(PPieceHeader piece);
    void CompactPiece(PPieceHeader& piece);

protected:
    ~TCRBlobData() override;

    // The content in one buffer; for AddCR and RemoveCR.
    TBytes Content();
    // Replaces the content with `bytes` in plain pieces of at most the piece size.
    void ReplaceContent(const TBytes& bytes);

private:
    PPieceHeader firstPiece_ = nullptr;
    uint32_t pieceSize_ = kDefaultPieceSize;
};

// A large value: a front over its blob data with a rollback copy for cached updates and cancelled
// edits, and 8-bit and UTF-16 views of its content.
class TBlob : public TSharedObject {
public:
    explicit TBlob(bool isUnicode = false);

    const char* ClassName() const override { return "TBlob"; }

    virtual TCRBlobData* CreateBlobData();
    virtual void BeforeRead() {}
    // Moves the current pieces into new rollback data; "Blob must be in cached mode" unless
    // rollback is enabled.
    virtual void SaveRollback();
    virtual uint32_t GetSize() const;
    virtual void SetSize(uint32_t size);
    // "Cannot change IsUnicode if Size > 0" when the flag would change on a blob with content.
    virtual void SetIsUnicode(bool value);
    // The length of the UTF-16 content as 8-bit (UTF-8) text.
    virtual uint32_t GetAnsiSize();
    virtual uint32_t Read(uint32_t position, uint32_t count, void* destination);
    virtual void Write(uint32_t position, uint32_t count, const void* source);
    virtual void Clear();
    virtual void Truncate(uint32_t size);
    virtual void Defragment();
    // Replaces the content with the whole stream, from its start.
    virtual void LoadFromStream(rtl::TStream& stream);
    // Replaces the stream's content with this content.
    virtual void SaveToStream(rtl::TStream& stream);
    virtual void CommitRollback();
    virtual void CancelRollback();

    // Raises "Invalid BLOB" for a blob that has been destroyed.
    void CheckValid() const;
    bool IsUnicode() const { return isUnicode_; }
    void EnableRollback() { rollbackEnabled_ = true; }
    bool RollbackEnabled() const { return rollbackEnabled_; }
    bool HasRollback() const { return rollback_ != nullptr; }
    // While on, readers see the rollback copy; nothing changes.
    void SetViewRollback(bool on);
    bool ViewingRollback() const { return storedData_ != nullptr; }
    // Makes `data` the current data, with an extra owner.
    void ShareData(TCRBlobData* data);
    TCRBlobData* Data() const { return data_; }
    PPieceHeader FirstPiece() const {
        CheckValid();
        return data_->FirstPiece();
    }
    uint32_t PieceSize() const {
        CheckValid();
        return data_->PieceSize();
    }

    void CopyFrom(TBlob& source);
    std::string ReadAsAnsi();
    void WriteAsAnsi(const std::string& text);
    std::u16string ReadAsWide();
    void WriteAsWide(const std::u16string& text);
    std::string GetAsString() { return ReadAsAnsi(); }
    void SetAsString(const std::string& text) { WriteAsAnsi(text); }
    void SetAsBytes(const TBytes& bytes);
    // The byte position of the `ansiPosition`-th 8-bit character in a Unicode blob. The UTF-8 length
    // of each character counts, so positions match the text ReadAsAnsi returns; a position inside a
    // character or beyond the end raises "Invalid BLOB position".
    uint32_t AnsiToBytePosition(uint32_t ansiPosition);
    void AddCR();
    void RemoveCR();

protected:
    TBlob(bool isUnicode, TCRBlobData* data);
    ~TBlob() override;

    // Before a change: with rollback enabled and no copy yet, keep the current content.
    void PrepareChange();
    // What destruction does: marks the blob invalid and releases its data. A blob reached through
    // a stale reference then fails CheckValid instead of touching released data.
    void Invalidate();

private:
    static constexpr uint8_t kValidMarker = 0xDD;

    TCRBlobData* data_;
    TCRBlobData* rollback_ = nullptr;
    TCRBlobData* storedData_ = nullptr;
    bool isUnicode_;
    bool rollbackEnabled_ = false;
    uint8_t marker_ = kValidMarker;
};

} // namespace dataaccess
