#include "imaging/uMarkupParser.h"

#include <algorithm>
#include <vector>

namespace imaging {

namespace {

// Tag names are ASCII, compared ignoring ASCII case.
bool SameTag(std::u16string_view tag, std::u16string_view name) {
    const auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c; };
    return std::equal(tag.begin(), tag.end(), name.begin(), name.end(),
                      [&](char16_t a, char16_t b) { return upper(a) == upper(b); });
}

} // namespace

TElement TElementEnumerator::Scan(std::size_t& next) const {
    if (AtEnd()) throw EParserError("TElementEnumerator.GetNextElement: No more elements to return");
    const std::size_t last = text_.size() - 1;
    if (text_[position_] != u'<') {
        next = std::min(text_.find(u'<', position_), text_.size());
        return {ekText, text_.substr(position_, next - position_)};
    }
    const bool endTag = position_ < last && text_[position_ + 1] == u'/';
    const std::size_t start = position_ + (endTag ? 2 : 1);
    std::size_t close = start;
    while (close < last && text_[close] != u'>')
        ++close;
    next = close + 1;
    return {endTag ? ekEndTag : ekTag, start < close ? text_.substr(start, close - start) : std::u16string()};
}

TElement TElementEnumerator::PopElement() {
    std::size_t next = 0;
    TElement element = Scan(next);
    position_ = next;
    return element;
}

TElement TElementEnumerator::PeekElement() const {
    std::size_t next = 0;
    return Scan(next);
}

// Open elements are kept on a stack rather than in recursion, so deep nesting cannot exhaust the
// call stack.
std::unique_ptr<TNodeTree> TDefaultParser::Parse(std::u16string_view text) {
    auto tree = std::make_unique<TNodeTree>();
    TElementEnumerator elements(RemoveCRLF(text));
    std::vector<TParentNode*> open{&tree->Root()};
    while (!open.empty() && !elements.AtEnd()) {
        TElement element = elements.PopElement();
        if (element.Kind == ekEndTag) {
            open.pop_back();
            continue;
        }
        TNode* node =
            open.back()->AddChild(element.Kind == ekTag ? CreateNodeFromTag(element.Text)
                                                        : std::make_unique<TStringNode>(element.Text));
        if (node->GetNodeType() == ntDynamicNode)
            SupplyDynamicContent(static_cast<TDynamicNode&>(*node));
        else if (element.Kind == ekTag && node->IsA(ntParentNode))
            open.push_back(static_cast<TParentNode*>(node));
    }
    return tree;
}

std::unique_ptr<TNode> TDefaultParser::CreateNodeFromTag(const std::u16string& tag) {
    if (SameTag(tag, u"B")) return std::make_unique<TStyleNode>(ui::fsBold);
    if (SameTag(tag, u"I")) return std::make_unique<TStyleNode>(ui::fsItalic);
    if (SameTag(tag, u"U")) return std::make_unique<TStyleNode>(ui::fsUnderline);
    if (SameTag(tag, u"LINK")) return std::make_unique<TLinkNode>();
    if (SameTag(tag, u"BR")) return std::make_unique<TActionNode>(atLineBreak);
    if (SameTag(tag, u"P")) return std::make_unique<TActionNode>(atParagraphBreak);
    if (SameTag(tag, u"DYNAMIC")) return std::make_unique<TDynamicNode>();
    return std::make_unique<TUnknownNode>(tag);
}

// The supplied markup becomes the node's children; it is parsed without a handler, so it has no
// dynamic parts of its own.
void TDefaultParser::SupplyDynamicContent(TDynamicNode& node) {
    if (!handler_) return;
    std::u16string source;
    handler_->SupplyDynamicSource(source, node);
    if (source.empty()) return;
    const std::unique_ptr<TNodeTree> supplied = TDefaultParser().Parse(source);
    for (auto& child : supplied->Root().TakeChildren())
        node.AddChild(std::move(child));
}

} // namespace imaging
