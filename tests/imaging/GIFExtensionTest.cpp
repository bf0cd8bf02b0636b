#include "imaging/GIFTestSupport.h"
#include "imaging/uGIFExtensions.h"
#include "imaging/uGIFFrames.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace imaging::test {
namespace {

using ::testing::ElementsAre;
using namespace std::string_literals;

// A frame's extensions read from `bytes`, which end with the trailer.
struct TReadExtensions {
    TWarnedImage owner;
    TGIFSubImage* frame;

    explicit TReadExtensions(const std::string& bytes) {
        frame = &AddFrame(owner.image, 0, 0, {});
        rtl::TMemoryStream stream;
        stream.WriteString(bytes);
        stream.SetPosition(0);
        frame->Extensions().LoadFromStream(stream, frame);
    }
    TGIFExtension* operator[](int index) const { return frame->Extensions().Extension(index); }
    std::string Written() const {
        rtl::TMemoryStream stream;
        frame->Extensions().SaveToStream(stream);
        return stream.Bytes();
    }
};

std::string GIFMessage(const std::string& bytes) {
    try {
        TReadExtensions read(bytes);
    } catch (const GIFException& e) {
        return e.what();
    }
    return "";
}

TEST(GIFExtensions, LongCommentIsCutIntoSubBlocksAndEmptyStringsVanish) {
    TGIFImage image;
    TGIFSubImage& frame = AddFrame(image, 0, 0, {});
    auto* comment = new TGIFCommentExtension(&frame);
    frame.Extensions().Add(std::unique_ptr<TGIFItem>(comment));
    comment->Comment = {std::string(300, 'c'), ""};
    rtl::TMemoryStream stream;
    comment->SaveToStream(stream);
    const std::string& bytes = stream.Bytes();
    ASSERT_EQ(bytes.size(), 2u + 1 + 255 + 1 + 45 + 1);
    EXPECT_EQ(static_cast<uint8_t>(bytes[2]), 255);
    EXPECT_EQ(static_cast<uint8_t>(bytes[258]), 45);

    TReadExtensions read(bytes + ";");
    auto* back = dynamic_cast<TGIFCommentExtension*>(read[0]);
    ASSERT_NE(back, nullptr);
    EXPECT_THAT(back->Comment, ElementsAre(std::string(255, 'c'), std::string(45, 'c')));
}

TEST(GIFExtensions, ApplicationBlocksKeepTheirIdentifierAndData) {
    // Size 10: the identifier is padded to 11 when written.
    TReadExtensions shortId("!\xFF\x0A"s + "ABCDEFGH12" + "\x02xy"s + "\0"s + ";");
    ASSERT_NE(dynamic_cast<TGIFUnknownAppExtension*>(shortId[0]), nullptr);
    EXPECT_EQ(shortId.Written(), "!\xFF\x0B"s + "ABCDEFGH12" + "\0"s + "\x02xy"s + "\0"s);

    // An identifier nobody registered keeps its sub-blocks byte for byte.
    std::string unknown = "!\xFF\x0B"s + "SOMEAPP!1.0" + "\x03\x00\xFF\x01"s + "\x01z"s + "\0"s;
    TReadExtensions kept(unknown + ";");
    EXPECT_EQ(kept.Written(), unknown);

    // The second registered identifier of the looping extension reads as one and keeps its name.
    std::string loop = "!\xFF\x0B"s + "ANIMEXTS1.0" + "\x03\x01\x05\x00"s + "\0"s;
    TReadExtensions looping(loop + ";");
    auto* ns = dynamic_cast<TGIFAppExtNSLoop*>(looping[0]);
    ASSERT_NE(ns, nullptr);
    EXPECT_EQ(ns->Loops, 5);
    EXPECT_EQ(looping.Written(), loop);
}

TEST(GIFExtensions, LoopingSubBlocks) {
    std::string head = "!\xFF\x0B"s + "NETSCAPE2.0";
    // A buffer-size block, and a block of another kind that is skipped.
    TReadExtensions read(head + "\x05\x02\x10\x27\x00\x00"s + "\x04\x03zzz"s + "\x03\x01\x00\x00"s + "\0"s +
                         ";");
    auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(read[0]);
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->BufferSize, 10000u);
    EXPECT_EQ(loop->Loops, 0);
    EXPECT_EQ(read.Written(), head + "\x03\x01\x00\x00\x05\x02\x10\x27\x00\x00\x00"s);

    EXPECT_EQ(GIFMessage(head + "\x02\x01\x05"s + "\0"s + ";"), "Invalid GIF data");
    EXPECT_EQ(GIFMessage(head + "\x04\x02\x01\x02\x03"s + "\0"s + ";"), "Invalid GIF data");
}

TEST(GIFExtensions, ReadingErrors) {
    EXPECT_EQ(GIFMessage("!\x07\x01;"s), "Unknown extension type");
    EXPECT_EQ(GIFMessage("!\xFF\x05"s + "ABCDE" + "\0"s + ";"),
              "Unsupported Application Extension block size");
    EXPECT_EQ(GIFMessage("!\x01\x0C"s + "short"), "Premature end of data");
    EXPECT_EQ(GIFMessage("!\xFE\x09"s + "cut"), "Premature end of data");

    TReadExtensions stray("!\xFE\x01x\x00?;"s);
    EXPECT_EQ(stray.frame->Extensions().Count(), 1) << "what was read before stays";
    EXPECT_THAT(stray.owner.warnings, ElementsAre("Invalid extension introducer"));
}

TEST(GIFGraphicControl, TransparencyFollowsTheFrame) {
    TReadExtensions full("!\xF9\x04\x09\x0A\x00\x03\x00;"s);
    auto* control = full.frame->GraphicControlExtension();
    ASSERT_EQ(control, full[0]);
    EXPECT_TRUE(full.frame->Transparent());
    EXPECT_EQ(control->TransparentColorIndex(), 3);
    EXPECT_EQ(control->Delay(), 10);
    EXPECT_EQ(control->Disposal(), dmBackground);

    control->SetDisposal(dmPrevious);
    EXPECT_TRUE(control->Transparent()) << "disposal keeps the other bits";
    full.frame->Extensions().Delete(0);
    EXPECT_FALSE(full.frame->Transparent());
    EXPECT_EQ(full.frame->GraphicControlExtension(), nullptr);

    TReadExtensions cut("!\xF9\x04\x01\x00\x00"s);
    EXPECT_FALSE(cut.frame->Transparent());
    EXPECT_THAT(cut.owner.warnings, ElementsAre("Premature end of data"));
}

TEST(GIFGraphicControl, IndexOutsideTheActiveTableIsStoredAsZero) {
    TWarnedImage image;
    AddGreys(image.image.Header().ColorMap(), 4);
    TGIFSubImage& frame = AddFrame(image.image, 1, 1, {0});
    auto* control = new TGIFGraphicControlExtension(&frame);
    frame.Extensions().Add(std::unique_ptr<TGIFItem>(control));
    control->SetTransparentColorIndex(3);
    EXPECT_EQ(control->TransparentColorIndex(), 3);
    control->SetTransparentColorIndex(4);
    EXPECT_EQ(control->TransparentColorIndex(), 0);
    EXPECT_THAT(image.warnings, ElementsAre("Invalid color index"));
}

} // namespace
} // namespace imaging::test
