#include "lazytree/LazyStringTree.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace lazytree {
namespace {

// A string tree whose texts come from a table keyed by node index path ("0", "0.1") and column.
class ExportTest : public uitest::UiTest {
protected:
    void SetUp() override {
        tree.Font()->SetName("Tahoma");
        tree.Font()->SetSize(8);
        tree.Font()->SetColor(0x102030);
        tree.SetColor(0xFFFFFF);
        tree.OnGetText = [this](TCustomLazyStringTree&, PLazyNode node, TColumnIndex column, TVSTTextType,
                                std::u16string& text) {
            text = texts[{Path(node), column}];
        };
    }
    std::string Path(PLazyNode node) {
        std::string path = std::to_string(node->Index);
        for (PLazyNode run = node->Parent; run != tree.Tree().RootNode(); run = run->Parent)
            path = std::to_string(run->Index) + "." + path;
        return path;
    }
    // Two top-level nodes, the first with one child, expanded.
    void Fill() {
        tree.Tree().SetRootNodeCount(2);
        PLazyNode first = tree.Tree().GetFirst();
        tree.Tree().SetChildCount(first, 1);
        tree.Tree().InitializeChildren(nullptr, true);
        tree.Tree().SetExpanded(first, true);
    }
    void AddColumns() {
        for (const char16_t* caption : {u"Name", u"Value"}) {
            TLazyTreeColumn& column = tree.Header().Columns().Add();
            column.Look().Text = caption;
            column.SetWidth(96);
        }
    }
    PLazyNode Node(const std::string& path) {
        for (PLazyNode node = tree.Tree().GetFirst(); node; node = tree.Tree().GetNext(node))
            if (Path(node) == path) return node;
        return nullptr;
    }

    TLazyStringTree tree{nullptr};
    std::map<std::pair<std::string, TColumnIndex>, std::u16string> texts;
};

TEST_F(ExportTest, TextWithoutColumnsIndentsBySeparators) {
    texts = {{{"0", NoColumn}, u"a"}, {{"0.0", NoColumn}, u"b"}, {{"1", NoColumn}, u"c\u00e9"}};
    Fill();
    EXPECT_EQ(tree.ContentToAnsiText(tsrcAll, '\t'), "a\r\n\tb\r\nc\xe9\r\n");
    EXPECT_EQ(tree.ContentToUnicode(tsrcAll, u";"), u"a\r\n;b\r\nc\u00e9\r\n");
}

TEST_F(ExportTest, TextWithColumnsPadsTheMainColumnAndQuotesByItsRules) {
    AddColumns();
    texts = {{{"0", 0}, u"a"}, {{"0", 1}, u"x,y"}, {{"0.0", 0}, u"b"}, {{"0.0", 1}, u"say \"hi\""},
             {{"1", 0}, u"c"}, {{"1", 1}, u""}};
    Fill();
    EXPECT_EQ(tree.ContentToText(tsrcAll, ","), "Name,,Value\r\n"
                                                "a,,\"x,y\"\r\n"
                                                ",b,\"say \"\"hi\"\"\"\r\n"
                                                "c,,\r\n");
    EXPECT_EQ(tree.ContentToUnicode(tsrcAll, u","), u"Name,,Value\r\n"
                                                    u"a,,\"x,y\"\r\n"
                                                    u",b,say \"hi\"\r\n"
                                                    u"c,,\r\n");
}

TEST_F(ExportTest, ExportModeAndNodeEventsFilterAllButTheUnicodeText) {
    texts = {{{"0", NoColumn}, u"a"}, {{"0.0", NoColumn}, u"b"}, {{"1", NoColumn}, u"c"}};
    Fill();
    Node("0")->CheckState = csCheckedNormal;
    Node("0.0")->CheckState = csCheckedNormal;
    tree.SetExportMode(emChecked);
    EXPECT_EQ(tree.ContentToAnsiText(tsrcAll, '\t'), "a\r\n\tb\r\n");
    EXPECT_EQ(tree.ContentToUnicode(tsrcAll, u"\t"), u"a\r\n\tb\r\nc\r\n");
    EXPECT_EQ(tree.ContentToHTML(tsrcAll).find(">c</td>"), std::string::npos);
    EXPECT_EQ(tree.ContentToRTF(tsrcAll).find("\\u99\\'3f"), std::string::npos);

    tree.SetExportMode(emAll);
    int after = 0;
    tree.OnBeforeNodeExport = [this](TCustomLazyStringTree&, TVTExportType, PLazyNode node) {
        return Path(node) != "0";
    };
    tree.OnAfterNodeExport = [&](TCustomLazyStringTree&, TVTExportType, PLazyNode) { return ++after > 0; };
    EXPECT_EQ(tree.ContentToAnsiText(tsrcAll, '\t'), "\tb\r\nc\r\n");
    const std::string html = tree.ContentToHTML(tsrcAll);
    EXPECT_EQ(html.find(">a</td>"), std::string::npos);
    EXPECT_NE(html.find(">b</td>"), std::string::npos);
    EXPECT_EQ(after, 4);
}

TEST_F(ExportTest, HtmlEscapesMarkupAndWritesUtf8WithReplacedLoneSurrogates) {
    texts = {{{"0", NoColumn}, u"<b>&\"\U0001F600\xD800x"}};
    tree.Tree().SetRootNodeCount(1);
    const std::string html = tree.ContentToHTML(tsrcAll, u"a<b");
    EXPECT_NE(html.find(">&lt;b&gt;&amp;&quot;\xF0\x9F\x98\x80\xEF\xBF\xBDx</td>"), std::string::npos)
        << html;
    EXPECT_NE(html.find("caption=\"a&lt;b\""), std::string::npos);
}

TEST_F(ExportTest, HtmlOfATreeWithoutColumns) {
    texts = {{{"0", NoColumn}, u"a"}, {{"0.0", NoColumn}, u"b"}, {{"1", NoColumn}, u"c"}};
    Fill();
    tree.Tree().Options().PaintOptions.Exclude(toShowHorzGridLines);
    tree.Tree().Options().PaintOptions.Exclude(toShowVertGridLines);
    tree.Tree().ChangeNodeHeight(Node("1"), 20);
    EXPECT_EQ(tree.ContentToHTML(tsrcAll),
              "<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
              "<style type=\"text/css\">\r\n"
              ".default{font: 8pt \"Tahoma\";color:#302010;}\r\n"
              ".header{font: 8pt \"Tahoma\";color:#302010;}\r\n"
              ".noborder{border-style:none;padding-left:4px;padding-right:4px;}\r\n"
              ".normalborder {border-top:none; border-left:none; vertical-align:top;border-right:none;"
              "border-bottom:none;padding-left:4px;padding-right:4px;}\r\n"
              "</style>\r\n"
              "<table class=\"default\" bgcolor=#FFFFFF  cellspacing=\"0\" cellpadding=4>\r\n"
              " <tr class=\"default\">\r\n"
              " <td class=\"normalborder\"  height=\"18px\" align=left colspan=\"2\">a</td> </tr>\r\n"
              " <tr class=\"default\">\r\n"
              " <td height=\"18px\">&nbsp;</td> <td class=\"normalborder\"  height=\"18px\" "
              "align=left>b</td> </tr>\r\n"
              " <tr class=\"default\">\r\n"
              " <td class=\"normalborder\"  height=\"20px\" align=left colspan=\"2\">c</td> </tr>\r\n"
              "</table>");
}

TEST_F(ExportTest, HtmlClipboardHeaderIs97BytesAndItsOffsetsPointAtTheFragment) {
    const std::string fragment = "<table>x</table>";
    const std::string wrapped = TCustomLazyStringTree::WrapHTMLClipboard(fragment);
    EXPECT_EQ(wrapped.find("<!DOCTYPE"), 97u);
    const auto offset = [&](const std::string& name) {
        const std::size_t at = wrapped.find(name + ":") + name.size() + 1;
        return static_cast<std::size_t>(std::stoul(wrapped.substr(at, 8)));
    };
    EXPECT_EQ(offset("StartHTML"), 97u);
    EXPECT_EQ(wrapped.substr(offset("StartFragment"), fragment.size()), fragment);
    EXPECT_EQ(wrapped.substr(offset("EndFragment"), 18), "<!--EndFragment-->");
    EXPECT_EQ(offset("EndHTML"), wrapped.size());
    EXPECT_EQ(offset("StartFragment"), 269u);
}

TEST_F(ExportTest, RtfEscapesEveryCharacterAndIndentsByTabs) {
    texts = {{{"0", NoColumn}, u"A\n\r"}, {{"0.0", NoColumn}, u"\uFFFD"}};
    tree.Tree().SetRootNodeCount(1);
    tree.Tree().SetChildCount(tree.Tree().GetFirst(), 1);
    tree.SetBounds(0, 0, 200, 100);
    const int cellx = 200 * 1440 / 96;
    EXPECT_EQ(tree.ContentToRTF(tsrcAll),
              "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043{\\fonttbl{\\f0 Tahoma;}}"
              "{\\colortbl;\\red48\\green32\\blue16;}"
              "\\uc1\\trowd\\trgaph70\\cellx" +
                  std::to_string(cellx) +
                  "\\pard\\intbl\\f0\\cf1\\fs16 \\u65\\'3f{\\par}\\cell\\row"
                  "\\pard\\intbl\\tab  \\u-3\\'3f\\cell\\row"
                  "\\pard\\par}");
}

TEST_F(ExportTest, RtfAndHtmlWithColumnsWriteAHeaderRow) {
    AddColumns();
    tree.Header().Columns()[1].Look().Alignment = taRightJustify;
    texts = {{{"0", 0}, u"a"}, {{"0", 1}, u"1"}};
    tree.Tree().SetRootNodeCount(1);
    std::vector<std::string> events;
    tree.OnBeforeColumnExport = [&](TCustomLazyStringTree&, TVTExportType, const TLazyTreeColumn& column) {
        events.push_back("column " + std::to_string(column.Index()));
    };
    const std::string rtf = tree.ContentToRTF(tsrcAll);
    EXPECT_NE(rtf.find("\\cellx1440\\cellx2880\\pard\\intbl\\f0\\cf1\\fs16 "
                       "\\u78\\'3f\\u97\\'3f\\u109\\'3f\\u101\\'3f\\cell\\qr \\u86"),
              std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("\\pard\\intbl\\qr \\u49\\'3f\\cell\\row"), std::string::npos) << rtf;
    const std::string html = tree.ContentToHTML(tsrcAll);
    EXPECT_NE(
        html.find("<th height=\"" + std::to_string(tree.Header().Height()) + "px\" align=left bgcolor=#"),
        std::string::npos)
        << html;
    EXPECT_NE(html.find(" width=\"96px\">Value</th></tr>\r\n"), std::string::npos) << html;
    EXPECT_NE(html.find("height=\"18px\" align=right>1</td>"), std::string::npos) << html;
    EXPECT_EQ(events, (std::vector<std::string>{"column 0", "column 1", "column 0", "column 1"}));
    TLazyTreeColumn& value = tree.Header().Columns()[1];
    value.SetOptions(TVTColumnOptions(value.Options()).Exclude(coParentColor));
    value.Look().Color = 0x0000FF;
    EXPECT_NE(tree.ContentToHTML(tsrcAll).find("height=\"18px\" align=right bgcolor=#FF0000>1</td>"),
              std::string::npos);
}

} // namespace
} // namespace lazytree
