#include "dataaccess/Owned.h"

#include "dataaccess/store/uCompressedBlob.h"
#include "dataaccess/store/uCompressHooks.h"
#include "platform/rtl/Exception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>
#include <zlib.h>

namespace dataaccess {
namespace {

using ::testing::ElementsAreArray;
using testing::Owned;

std::string Repeated(size_t size) {
    return std::string(size, 'a');
}

std::string Random(size_t size) {
    std::mt19937 random(11);
    std::string bytes(size, '\0');
    for (char& ch : bytes)
        ch = static_cast<char>(random() % 256);
    return bytes;
}

std::string Text(TBlob& blob) {
    std::string text(blob.GetSize(), '\0');
    blob.Read(0, 0, text.data());
    return text;
}

std::vector<uint8_t> FirstPieceBytes(TBlob& blob) {
    const PPieceHeader piece = blob.FirstPiece();
    return std::vector<uint8_t>(PieceData(piece), PieceData(piece) + piece->Used);
}

class CompressedBlobTest : public ::testing::Test {
protected:
    void TearDown() override {
        CompressProc = ZlibCompress;
        UncompressProc = ZlibUncompress;
    }

    // A compressed blob holding `text`.
    static TCompressedBlob* Compressed(const std::string& text) {
        auto blob = new TCompressedBlob;
        blob->SetAsString(text);
        EXPECT_TRUE(blob->SetCompressed(true));
        EXPECT_TRUE(blob->IsCompressed());
        return blob;
    }
};

TEST_F(CompressedBlobTest, FormatOfACompressedPiece) {
    Owned blob(Compressed(Repeated(51)));
    const std::vector<uint8_t> bytes = FirstPieceBytes(*blob);
    ASSERT_GT(bytes.size(), kCompressedHeaderSize);
    EXPECT_THAT(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 20),
                ElementsAreArray({0x39, 0x8C, 0x9D, 0xF1, 0x58, 0x55, 0x49, 0x38, 0xA6, 0x52,
                                  0x87, 0xCE, 0xE0, 0xC6, 0xDA, 0x7E, 0x33, 0x00, 0x00, 0x00}));
    EXPECT_EQ(blob->FirstPiece()->Next, nullptr);
    EXPECT_EQ(blob->FirstPiece()->Capacity, blob->FirstPiece()->Used); // shrunk to fit
    EXPECT_LT(bytes.size(), 51u);
    EXPECT_EQ(blob->GetSize(), 51u);

    // The rest is a zlib stream of the content.
    std::string unpacked(51, '\0');
    uLongf length = unpacked.size();
    ASSERT_EQ(
        uncompress(reinterpret_cast<Bytef*>(unpacked.data()), &length, bytes.data() + 20, bytes.size() - 20),
        Z_OK);
    EXPECT_EQ(unpacked, Repeated(51));
}

TEST_F(CompressedBlobTest, CompressedOnlyAboveFiftyBytesAndWhenItPays) {
    struct Case {
        std::string content;
        bool compressed;
    };
    const Case cases[] = {
        {Repeated(50), false}, {Repeated(51), true}, {Random(51), false}, {Random(5000), false}};
    for (const Case& c : cases) {
        Owned blob(new TCompressedBlob);
        blob->SetAsString(c.content);
        EXPECT_TRUE(blob->SetCompressed(true)); // asked for, so true even when skipped
        EXPECT_EQ(blob->IsCompressed(), c.compressed) << c.content.size();
        EXPECT_EQ(Text(*blob), c.content);
    }
    Owned empty(new TCompressedBlob);
    EXPECT_FALSE(empty->SetCompressed(true));
    Owned twice(Compressed(Repeated(100)));
    EXPECT_FALSE(twice->SetCompressed(true));
}

TEST_F(CompressedBlobTest, LargeContentRoundTrip) {
    std::string content;
    for (int i = 0; i < 30000; ++i)
        content += "line " + std::to_string(i % 100) + "\n";
    Owned blob(new TCompressedBlob);
    blob->SetAsString(content); // several pieces
    ASSERT_NE(blob->FirstPiece()->Next, nullptr);
    EXPECT_TRUE(blob->SetCompressed(true));
    EXPECT_TRUE(blob->IsCompressed());
    EXPECT_EQ(blob->GetSize(), content.size());
    EXPECT_EQ(blob->ReadAsAnsi(), content); // a whole read keeps it compressed
    EXPECT_TRUE(blob->IsCompressed());
    EXPECT_TRUE(blob->SetCompressed(false));
    EXPECT_FALSE(blob->IsCompressed());
    EXPECT_EQ(Text(*blob), content);
    EXPECT_FALSE(blob->SetCompressed(false));
}

TEST_F(CompressedBlobTest, PartialAccessUncompresses) {
    Owned blob(Compressed(Repeated(40) + "0123456789" + Repeated(40)));
    char out[10];
    EXPECT_EQ(blob->Read(40, 10, out), 10u);
    EXPECT_EQ(std::string(out, 10), "0123456789");
    EXPECT_FALSE(blob->IsCompressed());

    Owned written(Compressed(Repeated(90)));
    written->Write(5, 3, "XYZ");
    EXPECT_FALSE(written->IsCompressed());
    EXPECT_EQ(Text(*written), Repeated(5) + "XYZ" + Repeated(82));

    Owned truncated(Compressed(Repeated(90)));
    truncated->Truncate(10);
    EXPECT_FALSE(truncated->IsCompressed());
    EXPECT_EQ(Text(*truncated), Repeated(10));
}

TEST_F(CompressedBlobTest, WholeWriteStaysCompressed) {
    Owned blob(Compressed(Repeated(90)));
    const std::string next(90, 'b');
    blob->Write(0, 90, next.data());
    EXPECT_TRUE(blob->IsCompressed());
    EXPECT_EQ(Text(*blob), next);

    const std::string random = Random(90);
    blob->Write(0, 90, random.data()); // does not pay: stored plain
    EXPECT_FALSE(blob->IsCompressed());
    EXPECT_EQ(Text(*blob), random);
}

TEST_F(CompressedBlobTest, SizeChangesWhileCompressed) {
    Owned blob(Compressed(Repeated(90)));
    blob->SetSize(90);
    EXPECT_TRUE(blob->IsCompressed());
    EXPECT_THROW(blob->SetSize(10), rtl::EAssertionFailed);
    blob->SetSize(0);
    EXPECT_FALSE(blob->IsCompressed());
    EXPECT_EQ(blob->GetSize(), 0u);
}

TEST_F(CompressedBlobTest, PlainContentThatLooksCompressedStaysPlain) {
    Owned original(Compressed(Repeated(200)));
    const std::vector<uint8_t> packed = FirstPieceBytes(*original);

    Owned copy(new TCompressedBlob);
    copy->Write(0, static_cast<uint32_t>(packed.size()), packed.data());
    EXPECT_FALSE(copy->IsCompressed());
    EXPECT_EQ(copy->GetSize(), packed.size());
    EXPECT_EQ(Text(*copy), std::string(packed.begin(), packed.end()));
    EXPECT_FALSE(copy->SetCompressed(false));

    // A value stored compressed is taken as such only when asked.
    EXPECT_TRUE(copy->AdoptCompressed());
    EXPECT_TRUE(copy->IsCompressed());
    EXPECT_EQ(Text(*copy), Repeated(200));

    Owned plain(new TCompressedBlob);
    plain->SetAsString("not compressed at all, although longer than twenty bytes");
    EXPECT_FALSE(plain->AdoptCompressed());
}

TEST_F(CompressedBlobTest, AdoptsAValueSpreadOverPieces) {
    const std::string content = Random(20000) + Repeated(100000);
    Owned original(Compressed(content));
    const std::vector<uint8_t> packed = FirstPieceBytes(*original);
    Owned copy(new TCompressedBlob);
    copy->Data()->SetPieceSize(1000);
    copy->Write(0, static_cast<uint32_t>(packed.size()), packed.data());
    ASSERT_NE(copy->FirstPiece()->Next, nullptr);
    EXPECT_TRUE(copy->AdoptCompressed());
    EXPECT_EQ(copy->ReadAsAnsi(), content);
}

// The stored piece of a compressed blob, to damage it.
class DamagedBlobTest : public CompressedBlobTest {
protected:
    void ExpectUncompressError(const char* message) {
        char out[200];
        try {
            blob_->Read(3, 4, out);
            ADD_FAILURE() << "no error for " << message;
        } catch (const rtl::Exception& e) {
            EXPECT_EQ(e.Message(), message);
        }
        EXPECT_THROW(blob_->SetCompressed(false), rtl::Exception);
        EXPECT_TRUE(blob_->IsCompressed()); // nothing was replaced
    }

    Owned<TCompressedBlob> blob_{Compressed(Repeated(150))};
    PPieceHeader piece_ = blob_->FirstPiece();
};

TEST_F(DamagedBlobTest, CorruptedTag) {
    PieceData(piece_)[0] ^= 0x01;
    ExpectUncompressError("Invalid compressed blob header");
}

TEST_F(DamagedBlobTest, TooShortForTheHeader) {
    piece_->Used = kCompressedHeaderSize;
    ExpectUncompressError("Invalid compressed blob size");
}

TEST_F(DamagedBlobTest, TruncatedStream) {
    piece_->Used -= 4;
    ExpectUncompressError("Invalid compressed blob data");
}

TEST_F(DamagedBlobTest, StoredSizeLargerThanTheStream) {
    Marshal::StoreInt32At(PieceData(piece_), kCompressedBlobTag.size(), 160);
    ExpectUncompressError("Invalid uncompressed blob size");
}

TEST_F(DamagedBlobTest, StoredSizeSmallerThanTheStream) {
    Marshal::StoreInt32At(PieceData(piece_), kCompressedBlobTag.size(), 140);
    ExpectUncompressError("Invalid compressed blob data");
}

TEST_F(CompressedBlobTest, RollbackKeepsTheCompressedState) {
    Owned blob(Compressed(Repeated(120)));
    blob->EnableRollback();
    blob->Write(0, 2, "zz");
    EXPECT_FALSE(blob->IsCompressed());
    EXPECT_EQ(Text(*blob), "zz" + Repeated(118));
    blob->CancelRollback();
    EXPECT_TRUE(blob->IsCompressed());
    EXPECT_EQ(Text(*blob), Repeated(120));
}

TEST_F(CompressedBlobTest, MovingCompressedDataIntoPlainDataUncompressesIt) {
    Owned blob(Compressed(Repeated(120)));
    Owned plain(new TCRBlobData);
    blob->Data()->MoveTo(plain.get());
    std::string out(120, '\0');
    EXPECT_EQ(plain->Read(0, 0, out.data()), 120u);
    EXPECT_EQ(out, Repeated(120));
}

TEST_F(CompressedBlobTest, LineBreaksOfCompressedContent) {
    std::string lines;
    for (int i = 0; i < 20; ++i)
        lines += "row\n";
    Owned blob(Compressed(lines));
    blob->AddCR();
    EXPECT_FALSE(blob->IsCompressed());
    std::string expected;
    for (int i = 0; i < 20; ++i)
        expected += "row\r\n";
    EXPECT_EQ(Text(*blob), expected);
}

TEST_F(CompressedBlobTest, HooksMustBeLinked) {
    Owned blob(new TCompressedBlob);
    blob->SetAsString(Repeated(80));
    CompressProc = nullptr;
    try {
        blob->SetCompressed(true);
        FAIL() << "no error";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Compressor function is not linked");
    }
    CompressProc = ZlibCompress;
    UncompressProc = nullptr;
    EXPECT_THROW(blob->SetCompressed(true), rtl::Exception);
    EXPECT_FALSE(blob->IsCompressed());
}

TEST_F(CompressedBlobTest, FailingCompressorLeavesDataPlain) {
    CompressProc = [](void*, uint32_t&, const void*, uint32_t) -> int { throw ECompressionError("Error"); };
    Owned blob(new TCompressedBlob);
    blob->SetAsString(Repeated(80));
    EXPECT_TRUE(blob->SetCompressed(true));
    EXPECT_FALSE(blob->IsCompressed());
    EXPECT_EQ(Text(*blob), Repeated(80));
}

TEST_F(CompressedBlobTest, TryCompressBlockSaysWhetherTheDataWasPacked) {
    const std::string text = Repeated(4000);
    std::vector<uint8_t> room(text.size());
    uint32_t length = static_cast<uint32_t>(room.size());
    ASSERT_TRUE(TryCompressBlock(room.data(), length, text.data(), static_cast<uint32_t>(text.size())));
    EXPECT_LT(length, text.size());

    // Random bytes grow under zlib: they do not fit in their own size.
    const std::string noise = Random(4000);
    length = static_cast<uint32_t>(room.size());
    EXPECT_FALSE(TryCompressBlock(room.data(), length, noise.data(), static_cast<uint32_t>(noise.size())));

    // A compressor that answers with an error code rather than an exception fails the same way.
    CompressProc = [](void*, uint32_t&, const void*, uint32_t) -> int { return Z_BUF_ERROR; };
    length = static_cast<uint32_t>(room.size());
    EXPECT_FALSE(TryCompressBlock(room.data(), length, text.data(), static_cast<uint32_t>(text.size())));
}

} // namespace
} // namespace dataaccess
