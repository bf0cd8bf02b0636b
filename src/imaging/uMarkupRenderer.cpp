#include "imaging/uMarkupRenderer.h"

#include "platform/ui/Canvas.h"

#include <algorithm>
#include <vector>

namespace imaging {

TFontStyles TMarkupCanvas::FontStyles() const {
    return canvas_.Font()->Style();
}
void TMarkupCanvas::SetFontStyles(TFontStyles styles) {
    canvas_.Font()->SetStyle(styles);
}
void TMarkupCanvas::SetFontColor(TColor color) {
    canvas_.Font()->SetColor(color);
}
int TMarkupCanvas::TextWidth(std::u16string_view text) {
    return canvas_.TextWidth(text);
}
int TMarkupCanvas::TextHeight(std::u16string_view text) {
    return canvas_.TextHeight(text);
}
void TMarkupCanvas::TextOut(int x, int y, std::u16string_view text) {
    canvas_.TextOut(x, y, text);
}

std::vector<std::u16string_view> SplitWords(std::u16string_view text) {
    std::vector<std::u16string_view> words;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t blank = text.find(u' ', start);
        const std::size_t end = blank == std::u16string_view::npos ? text.size() : blank + 1;
        words.push_back(text.substr(start, end - start));
        start = end;
    }
    return words;
}

namespace {

bool EndsWithBlank(std::u16string_view text) {
    return !text.empty() && text.back() == u' ';
}

bool BeginsWithBlank(std::u16string_view text) {
    return !text.empty() && text.front() == u' ';
}

std::u16string_view TrimRightBlanks(std::u16string_view text) {
    while (EndsWithBlank(text))
        text.remove_suffix(1);
    return text;
}

} // namespace

// Places text for one layout pass. Runs that touch without a blank between them wait in the buffer
// until a blank, a break or the end, so that a word split over runs of different styles wraps as one.
class TTextHandler {
public:
    TTextHandler(IMarkupCanvas& canvas, const TRect& rect, TPoint start)
        : canvas_(canvas), rect_(rect), x_(start.X), y_(start.Y) {
        const TFontStyles styles = canvas.FontStyles();
        canvas.SetFontStyles({});
        lineStep_ = canvas.TextHeight(u"fg");
        canvas.SetFontStyles(styles);
    }

    int X() const { return x_; }
    int Y() const { return y_; }
    int TextBottom() const { return y_ + lineStep_; }
    bool IsBufferEmpty() const { return buffer_.empty(); }

    void AddText(TStringNode& node, TFontStyles styles, TColor color) {
        if (BeginsWithBlank(node.Text)) EmptyBuffer();
        buffer_.push_back({&node, atLineBreak, styles, color});
        if (EndsWithBlank(node.Text)) EmptyBuffer();
    }
    void AddBreak(TActionType action) {
        buffer_.push_back({nullptr, action, {}, 0});
        EmptyBuffer();
    }
    // The area's start is known once its first text is placed; an area without text never learns it.
    void WatchStartingPos(TAreaNode& area) {
        if (TNode* first = area.FindNodeOfClass(ntStringNode)) watched_.push_back({&area, first});
    }

    void EmptyBuffer();

private:
    struct TElement {
        TStringNode* Node; // none for a break
        TActionType Action;
        TFontStyles Styles;
        TColor Color;
    };
    struct TWatch {
        TAreaNode* Area;
        const TNode* FirstString;
    };

    void PlaceText(std::size_t index);
    TWordInfo Measure(std::size_t index, const std::vector<std::u16string_view>& words, std::size_t n);
    // Draws `drawn`, the line or a part of it, and records the whole line's rectangle.
    void AddPiece(TStringNode& node, std::u16string_view drawn, std::u16string_view line);

    IMarkupCanvas& canvas_;
    TRect rect_;
    int x_;
    int y_;
    int lineStep_ = 0;
    std::vector<TElement> buffer_;
    std::vector<TWatch> watched_;
};

void TTextHandler::EmptyBuffer() {
    for (std::size_t index = 0; index < buffer_.size(); ++index) {
        const TElement& element = buffer_[index];
        if (element.Node) {
            PlaceText(index);
        } else {
            x_ = rect_.Left;
            y_ += element.Action == atLineBreak ? lineStep_ : 2 * lineStep_;
        }
    }
    buffer_.clear();
}

void TTextHandler::AddPiece(TStringNode& node, std::u16string_view drawn, std::u16string_view line) {
    canvas_.TextOut(x_, y_, drawn);
    node.Rects.push_back({x_, y_, x_ + canvas_.TextWidth(line), y_ + lineStep_});
}

void TTextHandler::PlaceText(std::size_t index) {
    const TElement& element = buffer_[index];
    TStringNode& node = *element.Node;
    std::erase_if(watched_, [&](const TWatch& watch) {
        if (watch.FirstString != &node) return false;
        watch.Area->StartingPoint = {x_, y_};
        return true;
    });
    canvas_.SetFontStyles(element.Styles);
    canvas_.SetFontColor(element.Color);
    node.Rects.clear();
    const std::vector<std::u16string_view> words = SplitWords(node.Text);
    std::u16string line;
    int width = 0;
    for (std::size_t n = 0; n < words.size(); ++n) {
        if (!node.HasWordInfo(static_cast<int>(n))) {
            const TWordInfo info = Measure(index, words, n);
            node.AddWordInfo(info.EndsWithSpace, info.SpaceWidth, info.Width);
        }
        const TWordInfo& info = node.GetWordInfo(static_cast<int>(n));
        const bool continues = node.Continuation && n == 0;
        width += info.Width;
        const int visible = info.EndsWithSpace ? width - info.SpaceWidth : width;
        const bool atOrigin = x_ == rect_.Left && y_ == rect_.Top && n == 0;
        // A word too wide for a line of its own stays where it is: wrapping would only add an
        // empty line.
        const bool lineEmptyAtLeft = line.empty() && x_ == rect_.Left;
        if (x_ + visible >= rect_.Right && words[n] != u" " && !atOrigin && !continues && !lineEmptyAtLeft) {
            if (!line.empty()) AddPiece(node, TrimRightBlanks(line), line);
            line.clear();
            x_ = rect_.Left;
            width = info.Width;
            y_ += lineStep_;
        } else if (continues && words.size() > 1) {
            width += canvas_.TextWidth(words[n]);
        }
        line += words[n];
    }
    AddPiece(node, line, line);
    x_ += canvas_.TextWidth(line);
}

// Word n of the run at `index`, measured in the run's styles. The run's last word also counts the
// first words of the runs glued to it.
TWordInfo TTextHandler::Measure(std::size_t index, const std::vector<std::u16string_view>& words,
                                std::size_t n) {
    const TElement& element = buffer_[index];
    const bool continues = element.Node->Continuation && n == 0;
    TWordInfo info;
    info.Width = continues ? 0 : canvas_.TextWidth(words[n]);
    info.EndsWithSpace = EndsWithBlank(words[n]);
    info.SpaceWidth = canvas_.TextWidth(u" ");
    if (n + 1 < words.size() || continues) return info;
    for (std::size_t i = index + 1; i < buffer_.size() && buffer_[i - 1].Node && buffer_[i].Node; ++i) {
        TStringNode& next = *buffer_[i].Node;
        if (EndsWithBlank(buffer_[i - 1].Node->Text) || BeginsWithBlank(next.Text)) break;
        const std::vector<std::u16string_view> nextWords = SplitWords(next.Text);
        if (nextWords.empty()) continue;
        canvas_.SetFontStyles(buffer_[i].Styles);
        info.Width += canvas_.TextWidth(nextWords.front());
        next.Continuation = true;
        if (i + 1 == buffer_.size()) {
            info.EndsWithSpace = EndsWithBlank(nextWords.front());
            info.SpaceWidth = canvas_.TextWidth(u" ");
        }
        if (nextWords.size() > 1) break;
    }
    canvas_.SetFontStyles(element.Styles);
    return info;
}

TDefaultRenderer::TDefaultRenderer() = default;
TDefaultRenderer::~TDefaultRenderer() = default;

void TDefaultRenderer::RenderTree(IMarkupCanvas& canvas, const TRect& rect, TNodeTree& tree) {
    tree.Root().StartingPoint = rect.TopLeft();
    RenderNode(canvas, rect, tree.Root());
    tree.Root().UpdateLinkRects();
}

void TDefaultRenderer::RenderNode(IMarkupCanvas& canvas, const TRect& rect, TAreaNode& node) {
    TTextHandler handler(canvas, rect, node.StartingPoint);
    handler_ = &handler;
    RenderArea(node, node.GetStyles(), node.GetColor());
    handler.EmptyBuffer();
    renderedHeight_ = handler.TextBottom();
    handler_ = nullptr;
}

void TDefaultRenderer::RenderArea(TAreaNode& node, TFontStyles styles, TColor color) {
    if (handler_->IsBufferEmpty())
        node.StartingPoint = {handler_->X(), handler_->Y()};
    else
        handler_->WatchStartingPos(node);
    node.Styles = styles;
    node.Color = ResolveColor(color);
    for (const auto& child : node.Children()) {
        TFontStyles childStyles = styles;
        TColor childColor = node.Color;
        switch (child->GetNodeType()) {
        case ntStyleNode:
            childStyles.Include(static_cast<const TStyleNode&>(*child).Style);
            break;
        case ntLinkNode:
            // A link is drawn in the colour of its state, so a repaint keeps a hot or pressed link.
            childStyles = LinkStyle + styles;
            childColor = static_cast<const TLinkNode&>(*child).GetColor();
            break;
        case ntStringNode:
            handler_->AddText(static_cast<TStringNode&>(*child), childStyles, childColor);
            break;
        case ntActionNode:
            handler_->AddBreak(static_cast<const TActionNode&>(*child).Action);
            break;
        default:
            break;
        }
        if (child->IsA(ntAreaNode)) RenderArea(static_cast<TAreaNode&>(*child), childStyles, childColor);
    }
}

TColor TDefaultRenderer::ResolveColor(TColor color) const {
    switch (color) {
    case clLinkNormal:
        return LinkColor;
    case clLinkClicked:
        return LinkColorClicked;
    case clLinkHot:
        return LinkColorHot;
    default:
        return color;
    }
}

} // namespace imaging
