#include "imaging/uMarkupParser.h"

#include <gtest/gtest.h>

#include "platform/rtl/Utf.h"

#include <string>

namespace imaging {
namespace {

// A short text of a tree: strings quoted, parents with their children in brackets.
std::string Dump(const TNode& node) {
    std::string text;
    switch (node.GetNodeType()) {
    case ntStringNode:
        return "\"" + rtl::Utf16ToUtf8(static_cast<const TStringNode&>(node).Text) + "\"";
    case ntActionNode:
        return static_cast<const TActionNode&>(node).Action == atLineBreak ? "Break" : "Paragraph";
    case ntUnknownNode:
        return "Unknown(" + rtl::Utf16ToUtf8(static_cast<const TUnknownNode&>(node).Tag) + ")";
    case ntStyleNode:
        text = "Style";
        text += "BIU"[static_cast<const TStyleNode&>(node).Style];
        break;
    case ntLinkNode:
        text = "Link" + std::to_string(static_cast<const TLinkNode&>(node).Number);
        break;
    case ntDynamicNode:
        text = "Dynamic" + std::to_string(static_cast<const TDynamicNode&>(node).Number);
        break;
    default:
        break;
    }
    const auto& children = static_cast<const TParentNode&>(node).Children();
    if (children.empty()) return text;
    text += "[";
    for (std::size_t i = 0; i < children.size(); ++i)
        text += (i ? " " : "") + Dump(*children[i]);
    return text + "]";
}

std::string Parse(std::u16string_view caption) {
    ResetNodeCounters();
    return Dump(TDefaultParser().Parse(caption)->Root());
}

struct TParseCase {
    std::u16string Caption;
    std::string Tree;
};

TEST(MarkupParser, Trees) {
    const TParseCase cases[] = {
        {u"<b>x</b>y", "[StyleB[\"x\"] \"y\"]"},
        // An end tag closes the innermost element, whatever its name.
        {u"<b>x</i>y", "[StyleB[\"x\"] \"y\"]"},
        {u"<B><i>x</I>y</b>z", "[StyleB[StyleI[\"x\"] \"y\"] \"z\"]"},
        // At the root an end tag ends the parse.
        {u"x</b>y", "[\"x\"]"},
        {u"<br>x</br>y", "[Break \"x\"]"},
        {u"a<P>b", "[\"a\" Paragraph \"b\"]"},
        {u"<link>a</link><LINK>b</link>", "[Link0[\"a\"] Link1[\"b\"]]"},
        {u"<b a>y", "[Unknown(b a) \"y\"]"},
        {u"<u>open", "[StyleU[\"open\"]]"},
        {u"&lt;&gt;&amp;", "[\"<>&amp;\"]"},
        {u"a\r\nb\rc\nd", "[\"ab\rc\nd\"]"},
        // A tag without its ">" loses the last character.
        {u"ab<c", "[\"ab\" Unknown()]"},
        {u"ab<cd", "[\"ab\" Unknown(c)]"},
        {u"<", "[Unknown()]"},
        {u"", ""},
        {u"<b>p1</b>,<br>p2, p3", "[StyleB[\"p1\"] \",\" Break \"p2, p3\"]"},
        // A dynamic part opens no element.
        {u"<dynamic>x</dynamic>y", "[Dynamic0 \"x\"]"},
    };
    for (const TParseCase& c : cases)
        EXPECT_EQ(Parse(c.Caption), c.Tree) << rtl::Utf16ToUtf8(c.Caption);
}

class TSupplier : public IDynamicNodeHandler {
public:
    void SupplyDynamicSource(std::u16string& source, TDynamicNode& node) override {
        EXPECT_TRUE(source.empty());
        source = node.Number == 0 ? u"<b>d</b><dynamic>" : u"";
    }
};

TEST(MarkupParser, DynamicPartsTakeTheSuppliedMarkup) {
    TSupplier supplier;
    TDefaultParser parser;
    parser.SetDynamicNodeHandler(&supplier);
    ResetNodeCounters();
    // The supplied markup's own dynamic tag stays empty: it is parsed without a handler.
    EXPECT_EQ(Dump(parser.Parse(u"<dynamic>x<dynamic>")->Root()),
              "[Dynamic0[StyleB[\"d\"] Dynamic1] \"x\" Dynamic2]");
}

// The first text of an area in document order, also when it starts inside a nested element.
TEST(MarkupTree, FindNodeOfClassGivesTheFirstMatch) {
    const auto tree = TDefaultParser().Parse(u"<link><b>a</b><i>b</i></link><b>c</b>");
    const TNode* link = tree->Root().Children().front().get();
    const TNode* found = static_cast<const TParentNode*>(link)->FindNodeOfClass(ntStringNode);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(static_cast<const TStringNode*>(found)->Text, u"a");
    EXPECT_EQ(tree->Root().FindNodeOfClass(ntLinkNode), link);
    EXPECT_EQ(tree->Root().FindNodeOfClass(ntActionNode), nullptr);
    EXPECT_EQ(static_cast<const TLinkNode*>(link)->GetText(), u"ab");
    EXPECT_EQ(tree->Root().TopLevelNodes(ntAreaNode).size(), 2u);
    EXPECT_EQ(tree->Root().TopLevelNodes(ntStringNode).size(), 3u);
}

TEST(MarkupTree, Errors) {
    TElementEnumerator elements(u"x");
    EXPECT_EQ(elements.PopElement().Text, u"x");
    EXPECT_THROW(elements.PeekElement(), EParserError);
    TStringNode node(u"x");
    node.AddWordInfo(false, 3, 7);
    EXPECT_EQ(node.GetWordInfo(0).Width, 7);
    EXPECT_THROW(node.GetWordInfo(1), ENodeError);
}

// Every cut of a caption parses without an error.
TEST(MarkupParser, EveryPrefixParses) {
    const std::u16string caption = u"<b>a &lt;b&gt;</b>, <link>x<i>y</i></link><br><p><dynamic><q r>t</u>";
    for (std::size_t length = 0; length <= caption.size(); ++length)
        EXPECT_NO_THROW(TDefaultParser().Parse(caption.substr(0, length))) << length;
}

} // namespace
} // namespace imaging
