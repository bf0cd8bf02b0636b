#include "lazytree/LazyStringTree.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Utf.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace lazytree {
namespace {

class StringTreeStream : public uitest::UiTest {
protected:
    // Top-level nodes named "item <index>", but for index 1, whose text is empty.
    void Fill(TCustomLazyStringTree& tree, int count) {
        tree.OnGetText = [](TCustomLazyStringTree&, PLazyNode node, TColumnIndex, TVSTTextType,
                            std::u16string& text) {
            text = node->Index == 1 ? u"" : u"item \u00e9" + rtl::Utf8ToUtf16(std::to_string(node->Index));
        };
        tree.Tree().SetRootNodeCount(count);
    }
    std::string Saved(TCustomLazyStringTree& tree) {
        rtl::TMemoryStream stream;
        tree.Tree().SaveToStream(stream);
        return stream.Bytes();
    }
    TLazyStringTree source{nullptr};
    TLazyStringTree target{nullptr};
};

TEST_F(StringTreeStream, CaptionsTravelThroughNewTextAndEmptyOnesAreNotWritten) {
    Fill(source, 3);
    const std::string bytes = Saved(source);
    std::map<uint32_t, std::u16string> texts;
    target.OnNewText = [&](TCustomLazyStringTree&, PLazyNode node, TColumnIndex, const std::u16string& text) {
        texts[node->Index] = text;
    };
    rtl::TMemoryStream stream;
    stream.WriteString(bytes);
    stream.SetPosition(0);
    target.Tree().LoadFromStream(stream);
    EXPECT_EQ(target.Tree().RootNodeCount(), 3u);
    EXPECT_EQ(texts, (std::map<uint32_t, std::u16string>{{0, u"item \u00e90"}, {2, u"item \u00e92"}}));
}

TEST_F(StringTreeStream, WithoutSaveCaptionsOnlyTheNodesAreWritten) {
    Fill(source, 3);
    const std::size_t withCaptions = Saved(source).size();
    source.SetStringOptions({});
    EXPECT_EQ(withCaptions - Saved(source).size(), 2 * (8 + 2 * 7u));
}

} // namespace
} // namespace lazytree
