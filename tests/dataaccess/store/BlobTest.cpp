#include "dataaccess/Owned.h"

#include "dataaccess/store/uBlob.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace dataaccess {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::Owned;

struct PieceInfo {
    uint32_t capacity, used;
    bool operator==(const PieceInfo&) const = default;
};

void PrintTo(const PieceInfo& p, std::ostream* os) {
    *os << "{" << p.capacity << ", " << p.used << "}";
}

std::vector<PieceInfo> Pieces(const TCRBlobData& data) {
    std::vector<PieceInfo> pieces;
    PPieceHeader previous = nullptr;
    for (PPieceHeader piece = data.FirstPiece(); piece; piece = piece->Next) {
        EXPECT_EQ(piece->Blob, &data);
        EXPECT_EQ(piece->Prev, previous);
        pieces.push_back({piece->Capacity, piece->Used});
        previous = piece;
    }
    return pieces;
}

std::vector<uint8_t> Counting(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
    return bytes;
}

std::string Text(TBlob& blob) {
    std::string text(blob.GetSize(), '\0');
    blob.Read(0, 0, text.data());
    return text;
}

void WriteText(TBlob& blob, const std::string& text) {
    blob.Write(blob.GetSize(), static_cast<uint32_t>(text.size()), text.data());
}

void WriteWide(TBlob& blob, const std::u16string& text) {
    blob.Write(blob.GetSize(), static_cast<uint32_t>(text.size() * 2), text.data());
}

// ---- Pieces

TEST(BlobDataTest, LayoutConstants) {
    EXPECT_GE(kPieceHeaderSize, 3 * sizeof(void*) + 10);
    EXPECT_EQ(kDefaultPieceSize + kPieceHeaderSize, 65536u);
    EXPECT_EQ(kPieceHeaderSize % alignof(TPieceHeader), 0u);
}

TEST(BlobDataTest, LongWriteFillsWholePieces) {
    Owned blob(new TBlob);
    const std::vector<uint8_t> data = Counting(200000);
    blob->Write(0, 200000, data.data());
    const uint32_t full = kDefaultPieceSize;
    EXPECT_THAT(Pieces(*blob->Data()),
                ElementsAre(PieceInfo{full, full}, PieceInfo{full, full}, PieceInfo{full, full},
                            PieceInfo{full, 200000 - 3 * full}));
    EXPECT_EQ(blob->GetSize(), 200000u);

    std::vector<uint8_t> back(200000);
    EXPECT_EQ(blob->Read(0, 0, back.data()), 200000u);
    EXPECT_EQ(back, data);
    std::vector<uint8_t> span(1000);
    EXPECT_EQ(blob->Read(full - 500, 1000, span.data()), 1000u); // across a piece boundary
    EXPECT_TRUE(std::equal(span.begin(), span.end(), data.begin() + (full - 500)));
}

TEST(BlobDataTest, ReadBounds) {
    Owned blob(new TBlob);
    WriteText(*blob, "0123456789");
    char out[16] = {};
    struct Case {
        uint32_t position, count, read;
    };
    const Case cases[] = {{3, 0, 7}, {0, 0, 10}, {8, 5, 2}, {10, 1, 0}, {11, 1, 0}, {2, 3, 3}};
    for (const Case& c : cases)
        EXPECT_EQ(blob->Read(c.position, c.count, out), c.read) << c.position;
    blob->Read(3, 0, out);
    EXPECT_EQ(std::string(out, 7), "3456789");

    Owned empty(new TBlob);
    EXPECT_EQ(empty->Read(0, 0, out), 0u);
}

TEST(BlobDataTest, WritesOverwriteAppendAndClampThePosition) {
    Owned blob(new TBlob);
    WriteText(*blob, "abc");  // piece {3, 3}
    WriteText(*blob, "defg"); // piece {4, 4}
    blob->Write(2, 3, "XYZ"); // across the boundary, in place
    EXPECT_EQ(Text(*blob), "abXYZfg");
    EXPECT_THAT(Pieces(*blob->Data()), ElementsAre(PieceInfo{3, 3}, PieceInfo{4, 4}));

    blob->Write(100, 2, "hi"); // beyond the end: appended
    EXPECT_EQ(Text(*blob), "abXYZfghi");
    blob->Write(8, 4, "1234"); // over the end: overwrite, then grow
    EXPECT_EQ(Text(*blob), "abXYZfgh1234");
    EXPECT_THAT(Pieces(*blob->Data()),
                ElementsAre(PieceInfo{3, 3}, PieceInfo{4, 4}, PieceInfo{2, 2}, PieceInfo{4, 3}));
}

TEST(BlobDataTest, TruncatedPiecesAreRefilledInPlace) {
    Owned blob(new TBlob);
    WriteText(*blob, "abcdef");
    WriteText(*blob, "ghij");
    blob->Truncate(4);
    EXPECT_EQ(Text(*blob), "abcd");
    EXPECT_THAT(Pieces(*blob->Data()), ElementsAre(PieceInfo{6, 4}, PieceInfo{4, 0}));
    WriteText(*blob, "12345"); // the spare room of both pieces at the end takes it
    EXPECT_EQ(Text(*blob), "abcd12345");
    EXPECT_THAT(Pieces(*blob->Data()), ElementsAre(PieceInfo{6, 6}, PieceInfo{4, 3}));
    blob->Truncate(0);
    EXPECT_EQ(blob->FirstPiece(), nullptr);
}

TEST(BlobDataTest, SetSize) {
    Owned blob(new TBlob);
    WriteText(*blob, "abcdef");
    blob->SetSize(3);
    EXPECT_EQ(Text(*blob), "abc");
    blob->SetSize(6);
    EXPECT_EQ(Text(*blob), std::string("abc\0\0\0", 6));
    EXPECT_THAT(Pieces(*blob->Data()), ElementsAre(PieceInfo{6, 3}, PieceInfo{3, 3}));
    blob->SetSize(0);
    EXPECT_EQ(blob->GetSize(), 0u);
}

TEST(BlobDataTest, DefragmentAndMove) {
    Owned blob(new TBlob);
    WriteText(*blob, "ab");
    WriteText(*blob, "cde");
    WriteText(*blob, "f");
    blob->Defragment();
    EXPECT_THAT(Pieces(*blob->Data()), ElementsAre(PieceInfo{6, 6}));
    EXPECT_EQ(Text(*blob), "abcdef");

    WriteText(*blob, "gh");
    TCRBlobData* source = blob->Data();
    const PPieceHeader first = source->FirstPiece();
    Owned target(new TCRBlobData);
    target->Write(0, 3, "old");
    source->MoveTo(target.get());
    EXPECT_EQ(target->FirstPiece(), first); // the pieces themselves moved
    EXPECT_THAT(Pieces(*target), ElementsAre(PieceInfo{6, 6}, PieceInfo{2, 2}));
    EXPECT_THAT(Pieces(*source), ElementsAre(PieceInfo{8, 8})); // one piece with a copy
    EXPECT_EQ(Text(*blob), "abcdefgh");
}

TEST(BlobDataTest, PieceHelpers) {
    Owned data(new TCRBlobData);
    EXPECT_THROW(TCRBlobData::AllocPiece(0), rtl::EAssertionFailed);
    PPieceHeader a = TCRBlobData::AllocPiece(8);
    PPieceHeader b = TCRBlobData::AllocPiece(8);
    std::memcpy(PieceData(a), "12345678", 8);
    a->Used = 8;
    std::memcpy(PieceData(b), "xy", 2);
    b->Used = 2;
    data->AppendPiece(a);
    data->AppendPiece(b);
    EXPECT_THROW(data->AppendPiece(a), rtl::EAssertionFailed); // already linked

    data->ResizePiece(a, 5);
    EXPECT_EQ(data->FirstPiece(), a);
    EXPECT_EQ(a->Next, b);
    EXPECT_EQ(b->Prev, a);
    EXPECT_THAT(Pieces(*data), ElementsAre(PieceInfo{5, 5}, PieceInfo{8, 2}));

    data->CompactPiece(b);
    EXPECT_THAT(Pieces(*data), ElementsAre(PieceInfo{5, 5}, PieceInfo{2, 2}));
    char out[8];
    EXPECT_EQ(data->Read(0, 0, out), 7u);
    EXPECT_EQ(std::string(out, 7), "12345xy");

    Owned other(new TCRBlobData);
    EXPECT_THROW(other->UnlinkPiece(b), rtl::EAssertionFailed);
    data->UnlinkPiece(b);
    EXPECT_THAT(Pieces(*data), ElementsAre(PieceInfo{5, 5}));
    data->FreePiece(b);
    data->ResizePiece(a, 0);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(data->FirstPiece(), nullptr);
}

// ---- Rollback

TEST(BlobTest, CancelRollbackRestoresTheOldBytes) {
    Owned blob(new TBlob);
    WriteText(*blob, "original");
    try {
        blob->SaveRollback();
        FAIL() << "no error";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Blob must be in cached mode");
    }

    blob->EnableRollback();
    EXPECT_FALSE(blob->HasRollback());
    blob->Write(0, 3, "NEW");
    EXPECT_TRUE(blob->HasRollback());
    EXPECT_EQ(Text(*blob), "NEWginal");
    blob->Write(8, 1, "!"); // the copy is taken once
    blob->SetViewRollback(true);
    EXPECT_EQ(Text(*blob), "original");
    blob->SetViewRollback(false);
    EXPECT_EQ(Text(*blob), "NEWginal!");

    blob->CancelRollback();
    EXPECT_FALSE(blob->HasRollback());
    EXPECT_EQ(Text(*blob), "original");
}

TEST(BlobTest, CommitRollbackKeepsTheNewBytes) {
    Owned blob(new TBlob);
    WriteText(*blob, "before");
    blob->EnableRollback();
    blob->Clear();
    EXPECT_TRUE(blob->HasRollback());
    WriteText(*blob, "after");
    blob->CommitRollback();
    EXPECT_FALSE(blob->HasRollback());
    blob->CancelRollback(); // nothing to go back to
    EXPECT_EQ(Text(*blob), "after");

    blob->Truncate(2); // a new change takes a new copy
    EXPECT_TRUE(blob->HasRollback());
    blob->CancelRollback();
    EXPECT_EQ(Text(*blob), "after");
}

TEST(BlobTest, ShareData) {
    Owned first(new TBlob);
    Owned second(new TBlob);
    WriteText(*first, "shared");
    second->ShareData(first->Data());
    EXPECT_EQ(first->Data()->RefCount(), 2);
    EXPECT_EQ(Text(*second), "shared");
    EXPECT_THROW(second->ShareData(nullptr), rtl::EAssertionFailed);
}

// ---- Unicode

TEST(BlobTest, UnicodeFlagOnlyChangesWhileEmpty) {
    Owned blob(new TBlob);
    blob->SetIsUnicode(true);
    WriteWide(*blob, u"x");
    blob->SetIsUnicode(true); // unchanged: fine
    try {
        blob->SetIsUnicode(false);
        FAIL() << "no error";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot change IsUnicode if Size > 0");
    }
    EXPECT_TRUE(blob->IsUnicode());
}

TEST(BlobTest, AnsiAndWideViews) {
    const std::u16string wide = u"a\u00e9\u20ac\U0001F600";
    const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";

    Owned unicode(new TBlob(true));
    unicode->WriteAsAnsi(utf8);
    EXPECT_EQ(unicode->GetSize(), wide.size() * 2);
    EXPECT_EQ(unicode->ReadAsWide(), wide);
    EXPECT_EQ(unicode->ReadAsAnsi(), utf8);
    EXPECT_EQ(unicode->GetAnsiSize(), utf8.size());

    Owned ansi(new TBlob(false));
    ansi->WriteAsWide(wide);
    EXPECT_EQ(ansi->GetSize(), utf8.size());
    EXPECT_EQ(ansi->ReadAsAnsi(), utf8);
    EXPECT_EQ(ansi->GetAsString(), utf8);
    EXPECT_EQ(ansi->ReadAsWide(), wide);
    EXPECT_THROW(ansi->GetAnsiSize(), rtl::EAssertionFailed);

    ansi->SetAsString("plain");
    EXPECT_EQ(Text(*ansi), "plain");
    ansi->SetAsBytes(TBytes{0, 1, 2});
    EXPECT_EQ(Text(*ansi), std::string("\0\1\2", 3));
}

TEST(BlobTest, AnsiPositionsFollowTheUtf8Text) {
    Owned blob(new TBlob(true));
    blob->WriteAsWide(u"a\u00e9\u20ac\U0001F600z");
    // UTF-8 lengths 1, 2, 3, 4, 1: the ANSI positions at character starts map to UTF-16 bytes.
    struct Case {
        uint32_t ansi, bytes;
    };
    const Case cases[] = {{0, 0}, {1, 2}, {3, 4}, {6, 6}, {10, 10}, {11, 12}};
    for (const Case& c : cases)
        EXPECT_EQ(blob->AnsiToBytePosition(c.ansi), c.bytes) << c.ansi;
    for (uint32_t inside : {2u, 4u, 5u, 7u, 12u}) {
        try {
            blob->AnsiToBytePosition(inside);
            ADD_FAILURE() << inside;
        } catch (const rtl::Exception& e) {
            EXPECT_EQ(e.Message(), "Invalid BLOB position");
        }
    }
}

// ---- Line breaks

struct LineBreakCase {
    std::vector<std::string> pieces; // each written on its own, so each ends a piece
    std::string expected;
};

TEST(BlobTest, AddCRAndRemoveCRInAnsiContent) {
    const LineBreakCase addCases[] = {
        {{"a\nb"}, "a\r\nb"},
        {{"ab\r", "\ncd\n"}, "ab\r\ncd\r\n"}, // a pair split over two pieces stays one pair
        {{"x\n", "\n"}, "x\r\n\r\n"},
        {{"end\r"}, "end\r\n"}, // a CR that ends 8-bit content gets its LF
        {{"lone\rcr"}, "lone\rcr"},
        {{""}, ""},
    };
    for (const LineBreakCase& c : addCases) {
        Owned blob(new TBlob);
        for (const std::string& piece : c.pieces)
            WriteText(*blob, piece);
        blob->AddCR();
        EXPECT_EQ(Text(*blob), c.expected);
    }
    const LineBreakCase removeCases[] = {
        {{"a\r\nb"}, "a\nb"},
        {{"ab\r", "\ncd\r\n"}, "ab\ncd\n"},
        {{"lone\rcr\r"}, "lone\rcr\r"},
        {{"\r\r\n\n"}, "\r\n\n"},
    };
    for (const LineBreakCase& c : removeCases) {
        Owned blob(new TBlob);
        for (const std::string& piece : c.pieces)
            WriteText(*blob, piece);
        blob->RemoveCR();
        EXPECT_EQ(Text(*blob), c.expected);
    }
}

TEST(BlobTest, AddCRAndRemoveCRInUnicodeContent) {
    struct Case {
        std::vector<std::u16string> pieces;
        std::u16string expected;
    };
    const Case addCases[] = {
        {{u"a\n", u"b\n"}, u"a\r\nb\r\n"}, // LF ending a piece, and ending the content
        {{u"\u00e9\r", u"\n\u20ac"}, u"\u00e9\r\n\u20ac"},
        {{u"end\r"}, u"end\r"},   // in UTF-16 content a final CR stays alone
        {{u"\u0a0d"}, u"\u0a0d"}, // bytes 0D 0A inside one unit are no line break
    };
    for (const Case& c : addCases) {
        Owned blob(new TBlob(true));
        for (const std::u16string& piece : c.pieces)
            WriteWide(*blob, piece);
        blob->AddCR();
        EXPECT_EQ(blob->ReadAsWide(), c.expected);
    }
    const Case removeCases[] = {
        {{u"a\r", u"\nb"}, u"a\nb"},
        {{u"\u0d0a\r\n"}, u"\u0d0a\n"},
    };
    for (const Case& c : removeCases) {
        Owned blob(new TBlob(true));
        for (const std::u16string& piece : c.pieces)
            WriteWide(*blob, piece);
        blob->RemoveCR();
        EXPECT_EQ(blob->ReadAsWide(), c.expected);
    }
}

TEST(BlobTest, LineBreaksAreRebuiltIntoPiecesAndKeepRollback) {
    Owned blob(new TBlob);
    blob->Data()->SetPieceSize(4);
    WriteText(*blob, "a\nb\nc\nd\n");
    blob->EnableRollback();
    blob->AddCR();
    EXPECT_EQ(Text(*blob), "a\r\nb\r\nc\r\nd\r\n");
    for (const PieceInfo& piece : Pieces(*blob->Data()))
        EXPECT_LE(piece.capacity, 4u);
    blob->CancelRollback();
    EXPECT_EQ(Text(*blob), "a\nb\nc\nd\n");
}

// ---- Streams and copies

TEST(BlobTest, StreamsAndCopies) {
    const std::vector<uint8_t> data = Counting(150000);
    rtl::TMemoryStream source;
    source.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    Owned blob(new TBlob);
    WriteText(*blob, "to be replaced");
    blob->LoadFromStream(source); // from the stream's start, whatever its position
    EXPECT_EQ(blob->GetSize(), data.size());
    EXPECT_EQ(Pieces(*blob->Data()).size(), 3u);

    rtl::TMemoryStream target;
    target.WriteString("old content that is longer than nothing");
    blob->SaveToStream(target);
    EXPECT_EQ(target.Size(), static_cast<int64_t>(data.size()));
    EXPECT_EQ(target.Bytes(), std::string(data.begin(), data.end()));

    Owned copy(new TBlob(true));
    WriteWide(*copy, u"gone");
    copy->CopyFrom(*blob);
    EXPECT_FALSE(copy->IsUnicode());
    EXPECT_EQ(copy->GetSize(), data.size());
    std::vector<uint8_t> back(data.size());
    copy->Read(0, 0, back.data());
    EXPECT_EQ(back, data);
}

// ---- Lifetime

class ProbeBlob : public TBlob {
public:
    using TBlob::TBlob;
    void Destroy() { Invalidate(); }
    void ForceCount(int32_t count) { refCount_ = count; }
};

TEST(BlobTest, DestroyedBlobIsInvalid) {
    Owned blob(new ProbeBlob);
    WriteText(*blob, "data");
    blob->Destroy();
    char out[4];
    try {
        blob->Read(0, 0, out);
        FAIL() << "no error";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Invalid BLOB");
    }
    EXPECT_THROW(blob->Write(0, 1, "x"), rtl::Exception);
    EXPECT_THROW(blob->GetSize(), rtl::Exception);
    EXPECT_THROW(blob->AddCR(), rtl::Exception);
}

TEST(BlobTest, ReleaseCountsOwners) {
    ProbeBlob* blob = new ProbeBlob;
    blob->AddRef();
    EXPECT_EQ(blob->RefCount(), 2);
    blob->Release();
    EXPECT_EQ(blob->RefCount(), 1);
    EXPECT_EQ(blob->GetHandle(), static_cast<void*>(static_cast<TSharedObject*>(blob)));

    blob->ForceCount(0);
    try {
        blob->Release();
        FAIL() << "no assertion";
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_THAT(e.Message(), HasSubstr("TBlob.Free RefCount = 0"));
    }
    blob->ForceCount(1);
    blob->Release();
}

} // namespace
} // namespace dataaccess
