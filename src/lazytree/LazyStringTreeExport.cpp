#include "lazytree/LazyStringTree.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Color.h"

#include <algorithm>
#include <cmath>

namespace lazytree {

namespace {

constexpr const char* kLineBreak = "\r\n";
// The 8-bit text the exports write: the Western code page their RTF header names too.
constexpr int kExportCodePage = 1252;

// Text as UTF-8 inside HTML markup, its markup characters escaped.
std::string HtmlText(const std::u16string& text) {
    std::string result;
    for (char c : rtl::Utf16ToUtf8(text)) {
        switch (c) {
        case '&':
            result += "&amp;";
            break;
        case '<':
            result += "&lt;";
            break;
        case '>':
            result += "&gt;";
            break;
        case '"':
            result += "&quot;";
            break;
        default:
            result += c;
        }
    }
    return result;
}

std::string AlignmentAttribute(TAlignment alignment) {
    switch (alignment) {
    case taRightJustify:
        return " align=right";
    case taCenter:
        return " align=center";
    default:
        return " align=left";
    }
}

// The CSS font shorthand's parts, up to the colour.
std::string CssFont(const ui::TFont& font) {
    std::string css;
    if (font.Style().Contains(ui::fsUnderline)) css += " underline";
    if (font.Style().Contains(ui::fsItalic)) css += " italic";
    if (font.Style().Contains(ui::fsBold)) css += " bold";
    if (font.Size() < 0)
        css += rtl::Format(" %dpx \"%s\";", -font.Size(), font.Name());
    else
        css += rtl::Format(" %dpt \"%s\";", font.Size(), font.Name());
    css += "color:";
    TCustomLazyStringTree::AppendColorHex(css, font.Color());
    return css;
}

std::u16string Repeated(const std::u16string& text, int count) {
    std::u16string result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

// The RTF document's tables and running state: fonts and colours are numbered as they first appear.
class TRtfWriter {
public:
    std::string body;

    // A text run: styles, font, colour and size where they change, then every character escaped.
    void Run(const std::u16string& text, const ui::TFont& font) {
        if (text.empty()) return;
        const bool underline = font.Style().Contains(ui::fsUnderline);
        const bool italic = font.Style().Contains(ui::fsItalic);
        const bool bold = font.Style().Contains(ui::fsBold);
        if (underline) body += "\\ul";
        if (italic) body += "\\i";
        if (bold) body += "\\b";
        const int fontIndex = IndexOf(fonts_, font.Name());
        if (fontIndex != font_) body += "\\f" + std::to_string(font_ = fontIndex);
        const int colorIndex = IndexOf(colors_, ui::ColorToRGB(font.Color()));
        if (colorIndex != color_) body += "\\cf" + std::to_string((color_ = colorIndex) + 1);
        if (font.Size() != size_) body += "\\fs" + std::to_string(2 * (size_ = font.Size()));
        body += ' ';
        for (char16_t c : text) {
            if (c == u'\n')
                body += "{\\par}";
            else if (c != u'\r')
                body += rtl::Format("\\u%d\\'3f", static_cast<int16_t>(c));
        }
        if (underline) body += "\\ul0";
        if (italic) body += "\\i0";
        if (bold) body += "\\b0";
    }

    std::string Document() const {
        std::string result = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043{\\fonttbl";
        for (std::size_t i = 0; i < fonts_.size(); ++i)
            result += rtl::Format("{\\f%d %s;}", static_cast<int>(i), fonts_[i]);
        result += "}{\\colortbl;";
        for (ui::TColor color : colors_)
            result +=
                rtl::Format("\\red%d\\green%d\\blue%d;", static_cast<int>(color & 0xFF),
                            static_cast<int>((color >> 8) & 0xFF), static_cast<int>((color >> 16) & 0xFF));
        return result + "}" + body + "}";
    }

private:
    template <class T>
    static int IndexOf(std::vector<T>& list, const T& value) {
        auto found = std::find(list.begin(), list.end(), value);
        if (found == list.end()) found = list.insert(list.end(), value);
        return static_cast<int>(found - list.begin());
    }

    std::vector<std::string> fonts_;
    std::vector<ui::TColor> colors_;
    int font_ = -1;
    int color_ = -1;
    int size_ = -1;
};

int Twips(int pixels) {
    return static_cast<int>(std::lround(pixels * 1440.0 / ui::kScreenPixelsPerInch));
}

} // namespace

void TCustomLazyStringTree::AppendColorHex(std::string& text, ui::TColor color) {
    const ui::TColor rgb = ui::ColorToRGB(color);
    text += rtl::Format("#%.2X%.2X%.2X", static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                        static_cast<int>((rgb >> 16) & 0xFF));
}

bool TCustomLazyStringTree::MatchesExportMode(PLazyNode node) const {
    switch (exportMode_) {
    case emChecked:
        return node->CheckState == csCheckedNormal;
    case emUnchecked:
        return node->CheckState == csUncheckedNormal;
    default:
        return true;
    }
}

std::vector<PLazyNode> TCustomLazyStringTree::RenderNodes(TVTTextSource source) {
    TLazyTreeModel& tree = Tree();
    std::vector<PLazyNode> nodes;
    const auto walk = [&](PLazyNode first, auto next) {
        for (PLazyNode node = first; node; node = next(node))
            nodes.push_back(node);
    };
    switch (source) {
    case tsrcInitialized:
        walk(tree.GetFirstInitialized(), [&](PLazyNode n) { return tree.GetNextInitialized(n); });
        break;
    case tsrcSelected:
        walk(tree.GetFirstSelected(), [&](PLazyNode n) { return tree.GetNextSelected(n); });
        break;
    case tsrcCutCopySet:
        walk(tree.GetFirstCutCopy(), [&](PLazyNode n) { return tree.GetNextCutCopy(n); });
        break;
    case tsrcVisible:
        walk(tree.GetFirstVisible(), [&](PLazyNode n) { return tree.GetNextVisible(n); });
        break;
    default:
        walk(tree.GetFirst(), [&](PLazyNode n) { return tree.GetNext(n); });
    }
    return nodes;
}

std::vector<TColumnIndex> TCustomLazyStringTree::ExportColumns() const {
    const TLazyTreeColumns& columns = Header().Columns();
    std::vector<TColumnIndex> result;
    for (int position = 0; position < columns.Count(); ++position) {
        const TColumnIndex column = columns.ColumnFromPosition(static_cast<uint32_t>(position));
        if (columns.IsValidColumn(column) && columns[column].Visible()) result.push_back(column);
    }
    if (columns.Count() == 0) result.push_back(NoColumn);
    return result;
}

bool TCustomLazyStringTree::AcceptsForExport(TVTExportType exportType, PLazyNode node) {
    return MatchesExportMode(node) && (!OnBeforeNodeExport || OnBeforeNodeExport(*this, exportType, node));
}

void TCustomLazyStringTree::AfterNodeExport(TVTExportType exportType, PLazyNode node) {
    if (OnAfterNodeExport) OnAfterNodeExport(*this, exportType, node);
}

void TCustomLazyStringTree::ColumnEvent(const TColumnExportEvent& event, TVTExportType exportType,
                                        TColumnIndex column) {
    if (event) event(*this, exportType, Header().Columns()[column]);
}

bool TCustomLazyStringTree::ExportFont(PLazyNode node, TColumnIndex column, ui::TFont& font) {
    ui::TCanvas& canvas = MeasureCanvas();
    const bool changed = PaintTextChangedFont(canvas, node, column, ttNormal);
    font.Assign(canvas.Font());
    return changed;
}

TAlignment TCustomLazyStringTree::ExportAlignment(TColumnIndex column, bool caption,
                                                  bool& rightToLeft) const {
    rightToLeft = false;
    if (column < 0) return Tree().Alignment();
    const TLazyTreeColumn& c = Header().Columns()[column];
    const bool ownCaptionAlignment = caption && c.Options().Contains(coUseCaptionAlignment);
    auto alignment =
        static_cast<TAlignment>(ownCaptionAlignment ? c.Look().CaptionAlignment : c.Look().Alignment);
    rightToLeft = c.Look().BiDiMode != bdLeftToRight;
    return rightToLeft ? MirroredAlignment(alignment) : alignment;
}

// ---- Text ----

std::u16string TCustomLazyStringTree::RenderText(TVTTextSource source, const std::u16string& separator,
                                                 bool ansiRules) {
    const std::vector<PLazyNode> nodes = RenderNodes(source);
    const std::vector<TColumnIndex> columns = ExportColumns();
    const bool hasColumns = columns.front() != NoColumn;
    const TColumnIndex mainColumn = Header().MainColumn();
    int maxLevel = 0;
    for (PLazyNode node : nodes)
        maxLevel = std::max(maxLevel, Tree().GetNodeLevel(node));
    const std::u16string lineBreak = u"\r\n";

    std::u16string result;
    if (hasColumns) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            result += Header().Columns()[columns[i]].Look().Text;
            if (i + 1 == columns.size()) break;
            if (columns[i] == mainColumn) result += Repeated(separator, maxLevel);
            result += separator;
        }
        result += lineBreak;
    }
    for (PLazyNode node : nodes) {
        if (ansiRules && !AcceptsForExport(etText, node)) continue;
        const int level = Tree().GetNodeLevel(node);
        if (!hasColumns) {
            result += Repeated(separator, level) + GetText(node, NoColumn) + lineBreak;
            if (ansiRules) AfterNodeExport(etText, node);
            continue;
        }
        for (std::size_t i = 0; i < columns.size(); ++i) {
            std::u16string text = GetText(node, columns[i]);
            const bool hasQuote = text.find(u'"') != std::u16string::npos;
            if (text.find(separator) != std::u16string::npos || (ansiRules && hasQuote)) {
                if (ansiRules)
                    for (std::size_t at = 0; (at = text.find(u'"', at)) != std::u16string::npos; at += 2)
                        text.insert(at, 1, u'"');
                text = u'"' + text + u'"';
            }
            if (columns[i] == mainColumn)
                text = Repeated(separator, level) + text + Repeated(separator, maxLevel - level);
            result += text;
            if (i + 1 < columns.size()) result += separator;
        }
        if (ansiRules) AfterNodeExport(etText, node);
        result += lineBreak;
    }
    return result;
}

std::string TCustomLazyStringTree::ContentToText(TVTTextSource source, const std::string& separator) {
    const std::u16string wideSeparator = rtl::CodePageToUtf16(separator, kExportCodePage);
    return rtl::Utf16ToCodePage(RenderText(source, wideSeparator, true), kExportCodePage);
}

std::u16string TCustomLazyStringTree::ContentToUnicode(TVTTextSource source,
                                                       const std::u16string& separator) {
    return RenderText(source, separator, false);
}

// ---- HTML ----

std::string TCustomLazyStringTree::ContentToHTML(TVTTextSource source, const std::u16string& caption) {
    const std::vector<PLazyNode> nodes = RenderNodes(source);
    const std::vector<TColumnIndex> columns = ExportColumns();
    const bool hasColumns = columns.front() != NoColumn;
    const TColumnIndex mainColumn = Header().MainColumn();
    const TVTPaintOptions& paint = Tree().Options().PaintOptions;
    const bool horizontalLines = paint.Contains(toShowHorzGridLines);
    const bool verticalLines = paint.Contains(toShowVertGridLines);
    const std::string lineStyle = LineStyle() == lsSolid ? "solid;" : "dotted;";
    const std::string padding =
        rtl::Format("padding-left:%dpx;padding-right:%dpx;", Tree().Margin(), Tree().Margin());

    std::string html = "<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";
    html += "<style type=\"text/css\">";
    html += kLineBreak;
    for (const char* fontClass : {"default", "header"})
        html += std::string(".") + fontClass + "{font:" + CssFont(*Font()) + ";}" + kLineBreak;
    if (horizontalLines)
        html += ".noborder{border-style:" + lineStyle +
                " border-bottom:1;border-left:0;border-right:0; border-top:0;";
    else
        html += ".noborder{border-style:none;";
    html += padding + "}" + kLineBreak;
    html += ".normalborder {border-top:none; border-left:none; vertical-align:top;";
    html += verticalLines ? "border-right:1 " + lineStyle : "border-right:none;";
    html += horizontalLines ? "border-bottom:1 " + lineStyle : "border-bottom:none;";
    html += padding + "}" + kLineBreak + "</style>" + kLineBreak;
    html += "<table class=\"default\" bgcolor=";
    AppendColorHex(html, Color());
    html += " ";
    if (!caption.empty()) html += "caption=\"" + HtmlText(caption) + "\"";
    if (BorderStyle() != ui::bsNone) html += " border=\"1\" frame=box";
    html += rtl::Format(" cellspacing=\"0\" cellpadding=%d>", Tree().Margin()) + kLineBreak;

    int maxLevel = 0;
    for (PLazyNode node : nodes)
        if (MatchesExportMode(node)) maxLevel = std::max(maxLevel, Tree().GetNodeLevel(node));

    bool rightToLeft = false;
    const auto direction = [&](TColumnIndex column, bool forCaption) {
        const TAlignment alignment = ExportAlignment(column, forCaption, rightToLeft);
        return (rightToLeft ? std::string(" dir=\"rtl\"") : std::string()) + AlignmentAttribute(alignment);
    };
    if (hasColumns) {
        if (OnBeforeHeaderExport) OnBeforeHeaderExport(*this, etHTML);
        html += "<tr class=\"header\" style=\"" + padding + "\">" + kLineBreak;
        for (TColumnIndex column : columns) {
            ColumnEvent(OnBeforeColumnExport, etHTML, column);
            const TLazyTreeColumn& c = Header().Columns()[column];
            html += rtl::Format("<th height=\"%dpx\"", Header().Height()) + direction(column, true);
            if (column == mainColumn && maxLevel > 0) html += rtl::Format(" colspan=\"%d\"", maxLevel + 1);
            html += " bgcolor=";
            AppendColorHex(html, ui::clBtnFace);
            html += rtl::Format(" width=\"%dpx\">", c.Width()) + HtmlText(c.Look().Text) + "</th>";
            ColumnEvent(OnAfterColumnExport, etHTML, column);
        }
        html += std::string("</tr>") + kLineBreak;
        if (OnAfterHeaderExport) OnAfterHeaderExport(*this, etHTML);
    }

    ui::TFont font;
    for (PLazyNode node : nodes) {
        if (!AcceptsForExport(etHTML, node)) continue;
        const int level = Tree().GetNodeLevel(node);
        const int height = node->NodeHeight;
        html += std::string(" <tr class=\"default\">") + kLineBreak;
        for (TColumnIndex column : columns) {
            const bool parentColor =
                !hasColumns || Header().Columns()[column].Options().Contains(coParentColor);
            const ui::TColor columnColor = hasColumns ? Header().Columns()[column].Look().Color : Color();
            if (column == mainColumn) {
                for (int i = 0; i < level; ++i) {
                    if (parentColor) {
                        html += i == 0 ? rtl::Format(" <td height=\"%dpx\">&nbsp;</td>", height)
                                       : " <td>&nbsp;</td>";
                    } else {
                        html += rtl::Format("<td class=\"noborder\" width=\"%d\" height=\"%dpx\" bgcolor=",
                                            Tree().Indent(), height);
                        AppendColorHex(html, columnColor);
                        html += ">&nbsp;</td>";
                    }
                }
            }
            if (ExportFont(node, column, font))
                html += " <td class=\"normalborder\"  style=\"{font:" + CssFont(font) + ";}\" height=\"";
            else
                html += " <td class=\"normalborder\"  height=\"";
            html += std::to_string(height) + "px\"" + direction(column, false);
            if (column == mainColumn && maxLevel > 0 && level < maxLevel)
                html += rtl::Format(" colspan=\"%d\"", maxLevel - level + 1);
            if (hasColumns && !parentColor) {
                html += " bgcolor=";
                AppendColorHex(html, columnColor);
            }
            html += ">" + HtmlText(GetText(node, column)) + "</td>";
        }
        AfterNodeExport(etHTML, node);
        html += std::string(" </tr>") + kLineBreak;
    }
    return html + "</table>";
}

std::string TCustomLazyStringTree::WrapHTMLClipboard(const std::string& fragment) {
    static const std::string kDocType = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">";
    static const std::string kHead = "<html><head><META http-equiv=Content-Type content=\"text/html; "
                                     "charset=utf-8\"></head><body><!--StartFragment-->";
    static const std::string kTail = "<!--EndFragment--></body></html>";
    constexpr int kHeaderSize = 97;
    const int start = kHeaderSize + static_cast<int>(kDocType.size() + kHead.size());
    const int length = static_cast<int>(fragment.size());
    std::string result = "Version:1.0\r\n";
    result += rtl::Format("StartHTML:%.8d\r\n", kHeaderSize);
    result += rtl::Format("EndHTML:%.8d\r\n", start + length + static_cast<int>(kTail.size()));
    result += rtl::Format("StartFragment:%.8d\r\n", start);
    result += rtl::Format("EndFragment:%.8d\r\n", start + length);
    return result + kDocType + kHead + fragment + kTail;
}

// ---- RTF ----

std::string TCustomLazyStringTree::ContentToRTF(TVTTextSource source) {
    const std::vector<PLazyNode> nodes = RenderNodes(source);
    const std::vector<TColumnIndex> columns = ExportColumns();
    const bool hasColumns = columns.front() != NoColumn;
    const TColumnIndex mainColumn = Header().MainColumn();
    TRtfWriter rtf;
    rtf.body = "\\uc1\\trowd\\trgaph70";
    int right = 0;
    for (TColumnIndex column : columns) {
        right += hasColumns ? Header().Columns()[column].Width() : ClientWidth();
        rtf.body += "\\cellx" + std::to_string(Twips(right));
    }
    bool rightToLeft = false;
    const auto alignment = [&](TColumnIndex column, bool forCaption) {
        switch (ExportAlignment(column, forCaption, rightToLeft)) {
        case taRightJustify:
            return "\\qr";
        case taCenter:
            return "\\qc";
        default:
            return "";
        }
    };
    if (hasColumns) {
        if (OnBeforeHeaderExport) OnBeforeHeaderExport(*this, etRTF);
        rtf.body += "\\pard\\intbl";
        for (TColumnIndex column : columns) {
            ColumnEvent(OnBeforeColumnExport, etRTF, column);
            rtf.body += alignment(column, true);
            rtf.Run(Header().Columns()[column].Look().Text, *Font());
            rtf.body += "\\cell";
            ColumnEvent(OnAfterColumnExport, etRTF, column);
        }
        rtf.body += "\\row";
        if (OnAfterHeaderExport) OnAfterHeaderExport(*this, etRTF);
    }
    ui::TFont font;
    for (PLazyNode node : nodes) {
        if (!AcceptsForExport(etRTF, node)) continue;
        const int level = Tree().GetNodeLevel(node);
        for (TColumnIndex column : columns) {
            rtf.body += "\\pard\\intbl";
            rtf.body += alignment(column, false);
            ExportFont(node, column, font);
            if (column == mainColumn && level >= 1) {
                for (int i = 0; i < level; ++i)
                    rtf.body += "\\tab";
                rtf.body += ' ';
            }
            rtf.Run(GetText(node, column), font);
            rtf.body += "\\cell";
        }
        rtf.body += "\\row";
        AfterNodeExport(etRTF, node);
    }
    rtf.body += "\\pard\\par";
    return rtf.Document();
}

} // namespace lazytree
