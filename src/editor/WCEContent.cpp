#include "editor/WCEContent.h"

#include "editor/WCEBuffers.h"
#include "editor/WCEUndo.h"
#include "platform/rtl/Exception.h"

#include <algorithm>

namespace editor {

namespace {

// Bulk loading fills blocks to this size; an insertion splits a block that grows beyond twice it.
constexpr std::size_t kBlockLines = 512;

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool IsLineBreak(char16_t c) {
    return c == u'\r' || c == u'\n' || c == 0x0B || c == 0x0C || c == 0x2028 || c == 0x2029;
}

} // namespace

std::vector<std::u16string_view> SplitLines(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && !IsLineBreak(text[end]))
            ++end;
        lines.push_back(text.substr(pos, end - pos));
        if (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n') ++end;
        pos = end + 1;
    }
    return lines;
}

// ---- TWCELine

TWCELine::TWCELine(TWideCodeEditorContent& content, std::u16string text)
    : content_(content), text_(std::move(text)) {}

int TWCELine::Index() const {
    return content_.BlockStart(*block_) + slot_;
}

void TWCELine::SetText(std::u16string text) {
    text_ = std::move(text);
    content_.UpdateWorkWidth(*this);
    Changed();
}

void TWCELine::Changed() {
    InvalidateWidths();
    ClearValidated();
    content_.DoLineChanged(this);
}

void TWCELine::InvalidateWidths() {
    if (Flags & lfWidthsBuilt) {
        Flags &= ~lfWidthsBuilt;
        boundaries_.clear();
        boundaries_.shrink_to_fit();
    }
    ClearValidated();
}

void TWCELine::EnsureWidths() const {
    if (Flags & lfWidthsBuilt) return;
    const int tab = content_.host_.TabSize();
    boundaries_.resize(text_.size() + 1);
    int column = 0;
    for (std::size_t k = 0; k < text_.size(); ++k) {
        boundaries_[k] = column;
        column += text_[k] == u'\t' ? tab : 1;
    }
    boundaries_[text_.size()] = column;
    Flags |= lfWidthsBuilt;
}

void TWCELine::Validate() {
    if (Flags & lfValidated) return;
    Flags |= lfValidated;
    content_.DoValidateLine(this);
}

bool TWCELine::InsidePair(int k) const {
    return k > 0 && k < Length() && IsLowSurrogate(text_[std::size_t(k)]) &&
           IsHighSurrogate(text_[std::size_t(k - 1)]);
}

int TWCELine::GetColumnCount() const {
    EnsureWidths();
    return boundaries_.back();
}

int TWCELine::CharToColumn(int n) const {
    EnsureWidths();
    if (n <= 0) return 0;
    if (n <= Length()) return boundaries_[std::size_t(n)];
    return boundaries_.back() + (n - Length());
}

int TWCELine::ColumnToChar(int column) const {
    EnsureWidths();
    const int total = boundaries_.back();
    if (column >= total) return Length() + (column - total);
    if (column <= 0) return 0;
    // The first boundary after the column ends the character that contains it.
    auto after = std::upper_bound(boundaries_.begin(), boundaries_.end(), column);
    int k = static_cast<int>(after - boundaries_.begin()) - 1;
    if (InsidePair(k)) --k;
    return k;
}

int TWCELine::SnapColumn(int column) const {
    EnsureWidths();
    const auto at = std::lower_bound(boundaries_.begin(), boundaries_.end(), column);
    if (at == boundaries_.end() || *at != column) return column;
    const int k = int(at - boundaries_.begin());
    return InsidePair(k) ? boundaries_[std::size_t(k - 1)] : column;
}

int TWCELine::NextColumn(int column, bool ignoreOption) const {
    EnsureWidths();
    const int total = boundaries_.back();
    if ((content_.host_.CursorThroughTabs() && !ignoreOption) || column >= total) {
        const int next = column + 1;
        // One column lands inside a pair only on its second half.
        const auto at = std::lower_bound(boundaries_.begin(), boundaries_.end(), next);
        if (at != boundaries_.end() && *at == next && InsidePair(int(at - boundaries_.begin())))
            return next + 1;
        return next;
    }
    auto after = std::upper_bound(boundaries_.begin(), boundaries_.end(), column);
    int k = static_cast<int>(after - boundaries_.begin());
    if (InsidePair(k)) ++k;
    return boundaries_[std::size_t(k)];
}

int TWCELine::PrevColumn(int column) const {
    EnsureWidths();
    const int total = boundaries_.back();
    if (content_.host_.CursorThroughTabs() || column > total) {
        const int prev = column - 1;
        const auto at = std::lower_bound(boundaries_.begin(), boundaries_.end(), prev);
        if (at != boundaries_.end() && *at == prev && InsidePair(int(at - boundaries_.begin())))
            return prev - 1;
        return prev;
    }
    auto before = std::lower_bound(boundaries_.begin(), boundaries_.end(), column);
    if (before == boundaries_.begin()) return 0;
    int k = static_cast<int>(before - boundaries_.begin()) - 1;
    if (InsidePair(k)) --k;
    return boundaries_[std::size_t(k)];
}

int TWCELine::AddMarker(std::shared_ptr<IWCELineMarker> marker) {
    if (!marker) return -1;
    markers_.push_back(std::move(marker));
    return static_cast<int>(markers_.size()) - 1;
}

bool TWCELine::HasMarker(const std::shared_ptr<IWCELineMarker>& marker) const {
    return std::find(markers_.begin(), markers_.end(), marker) != markers_.end();
}

void TWCELine::PaintMarkers(int index, ui::TCanvas& canvas, int x, int y) {
    for (const auto& marker : markers_) {
        marker->Draw(index, canvas, x, y);
        ui::TSize size;
        marker->GetSize(index, size);
        x += size.cx;
    }
}

// ---- TWideCodeEditorContent

TWideCodeEditorContent::TWideCodeEditorContent(IEditorHost& host) : host_(host) {}

TWideCodeEditorContent::~TWideCodeEditorContent() = default;

int TWideCodeEditorContent::BlockStart(const TLineBlock& block) const {
    while (startsValid_ <= block.ordinal) {
        TLineBlock& b = *blocks_[startsValid_];
        if (startsValid_ == 0) {
            b.start = 0;
        } else {
            const TLineBlock& previous = *blocks_[startsValid_ - 1];
            b.start = previous.start + static_cast<int>(previous.lines.size());
        }
        ++startsValid_;
    }
    return block.start;
}

void TWideCodeEditorContent::StartsChangedAfter(std::size_t ordinal) {
    startsValid_ = std::min(startsValid_, ordinal + 1);
}

TLineBlock& TWideCodeEditorContent::Locate(int i, int& slot) const {
    RTL_ASSERT(!blocks_.empty());
    BlockStart(*blocks_.back());
    // The last block whose start is at or before i.
    auto it =
        std::upper_bound(blocks_.begin(), blocks_.end(), i,
                         [](int index, const std::unique_ptr<TLineBlock>& b) { return index < b->start; });
    TLineBlock& block = **(it - 1);
    slot = i - block.start;
    return block;
}

TWCELine* TWideCodeEditorContent::GetLineRaw(int i) const {
    RTL_ASSERT(i >= 0 && i < count_);
    int slot;
    TLineBlock& block = Locate(i, slot);
    return block.lines[std::size_t(slot)].get();
}

TWCELine* TWideCodeEditorContent::GetLine(int i) const {
    TWCELine* line = GetLineRaw(i);
    line->EnsureWidths();
    line->Validate();
    return line;
}

TWCELine* TWideCodeEditorContent::InsertLine(int i, std::u16string text) {
    if (i < 0 || i > count_) rtl::ListIndexError(i);
    if (blocks_.empty() || (i == count_ && blocks_.back()->lines.size() >= kBlockLines)) {
        auto block = std::make_unique<TLineBlock>();
        block->ordinal = blocks_.size();
        blocks_.push_back(std::move(block));
    }
    int slot;
    TLineBlock& block = i == count_ ? *blocks_.back() : Locate(i, slot);
    if (i == count_) slot = static_cast<int>(block.lines.size());
    auto line = std::make_unique<TWCELine>(*this, std::move(text));
    TWCELine* result = line.get();
    line->block_ = &block;
    block.lines.insert(block.lines.begin() + slot, std::move(line));
    for (std::size_t k = std::size_t(slot); k < block.lines.size(); ++k)
        block.lines[k]->slot_ = static_cast<int>(k);
    ++count_;
    StartsChangedAfter(block.ordinal);
    if (block.lines.size() > 2 * kBlockLines) SplitBlock(block.ordinal);
    UpdateWorkWidth(*result);
    DoLineChanged(result);
    return result;
}

void TWideCodeEditorContent::SplitBlock(std::size_t ordinal) {
    TLineBlock& block = *blocks_[ordinal];
    auto tail = std::make_unique<TLineBlock>();
    const std::size_t half = block.lines.size() / 2;
    std::move(block.lines.begin() + std::ptrdiff_t(half), block.lines.end(), std::back_inserter(tail->lines));
    block.lines.resize(half);
    for (std::size_t k = 0; k < tail->lines.size(); ++k) {
        tail->lines[k]->block_ = tail.get();
        tail->lines[k]->slot_ = static_cast<int>(k);
    }
    blocks_.insert(blocks_.begin() + std::ptrdiff_t(ordinal + 1), std::move(tail));
    for (std::size_t b = ordinal + 1; b < blocks_.size(); ++b)
        blocks_[b]->ordinal = b;
    StartsChangedAfter(ordinal);
}

void TWideCodeEditorContent::RemoveBlock(std::size_t ordinal) {
    blocks_.erase(blocks_.begin() + std::ptrdiff_t(ordinal));
    for (std::size_t b = ordinal; b < blocks_.size(); ++b)
        blocks_[b]->ordinal = b;
    startsValid_ = std::min(startsValid_, ordinal);
}

void TWideCodeEditorContent::DeleteLine(int i) {
    if (i < 0 || i >= count_) rtl::ListIndexError(i);
    DoDeleteLine(i);
    int slot;
    TLineBlock& block = Locate(i, slot);
    block.lines.erase(block.lines.begin() + slot);
    for (std::size_t k = std::size_t(slot); k < block.lines.size(); ++k)
        block.lines[k]->slot_ = static_cast<int>(k);
    --count_;
    if (block.lines.empty())
        RemoveBlock(block.ordinal);
    else
        StartsChangedAfter(block.ordinal);
}

void TWideCodeEditorContent::RemoveAllLines() {
    for (int i = 0; i < count_; ++i)
        DoDeleteLine(i);
    blocks_.clear();
    startsValid_ = 0;
    count_ = 0;
    host_.SetWorkWidth(kDefaultWorkWidth);
}

void TWideCodeEditorContent::Clear() {
    const bool recording = !host_.Destroying();
    if (recording) host_.UndoList().BeginDelete({0, 0}, GetEndPoint());
    RemoveAllLines();
    if (!recording) return;
    host_.UndoList().Commit();
    host_.ResetCaret();
    host_.Repaint();
    DoLineChanged(nullptr);
}

std::u16string TWideCodeEditorContent::GetText() const {
    TBufferedString text;
    for (const auto& block : blocks_)
        for (const auto& line : block->lines) {
            text.Add(line->Text());
            text.AddLineBreak();
        }
    return text.GetText();
}

// A leading U+FEFF is skipped; a leading U+FFFE means the text is byte-swapped.
void TWideCodeEditorContent::SetText(std::u16string_view text) {
    if (text.empty() && count_ == 0) return;
    TUndoList& undo = host_.UndoList();
    undo.BeginReplace({0, 0}, GetEndPoint(), std::u16string(text), {0, 0});
    host_.BeginUpdate();
    RemoveAllLines();

    std::u16string swapped;
    if (!text.empty() && text.front() == 0xFFFE) {
        swapped.assign(text);
        for (char16_t& c : swapped)
            c = static_cast<char16_t>((c >> 8) | (c << 8));
        text = swapped;
    }
    if (!text.empty() && text.front() == 0xFEFF) text.remove_prefix(1);
    for (std::u16string_view line : SplitLines(text))
        AddLine(std::u16string(line));

    host_.ResetCaret();
    DoLineChanged(nullptr);
    host_.EndUpdate();
    undo.CommitAt(GetEndPoint());
}

TPoint TWideCodeEditorContent::GetEndPoint() const {
    if (count_ == 0) return {0, 0};
    return {GetLineRaw(count_ - 1)->GetColumnCount(), count_ - 1};
}

std::u16string TWideCodeEditorContent::GetTextRange(TPoint p1, TPoint p2) const {
    if (count_ == 0) return {};
    if (PointBefore(p2, p1)) std::swap(p1, p2);
    p1.Y = std::clamp(p1.Y, 0, count_ - 1);
    p2.Y = std::clamp(p2.Y, 0, count_ - 1);
    p1.X = GetLineRaw(p1.Y)->ColumnToChar(std::max(p1.X, 0));
    p2.X = GetLineRaw(p2.Y)->ColumnToChar(std::max(p2.X, 0));
    return CollectText(p1, p2);
}

std::u16string TWideCodeEditorContent::CollectText(TPoint p1, TPoint p2) const {
    if (count_ == 0) return {};
    if (PointBefore(p2, p1)) std::swap(p1, p2);
    p1.Y = std::clamp(p1.Y, 0, count_ - 1);
    p2.Y = std::clamp(p2.Y, 0, count_ - 1);
    p1.X = std::max(p1.X, 0);
    p2.X = std::max(p2.X, 0);
    auto part = [](const std::u16string& s, int from, int to) {
        from = std::min(from, int(s.size()));
        to = std::clamp(to, from, int(s.size()));
        return s.substr(std::size_t(from), std::size_t(to - from));
    };
    const std::u16string& first = GetLineRaw(p1.Y)->Text();
    if (p1.Y == p2.Y) return part(first, p1.X, p2.X);
    TBufferedString text;
    text.Add(part(first, p1.X, int(first.size())));
    text.AddLineBreak();
    for (int y = p1.Y + 1; y < p2.Y; ++y) {
        text.Add(GetLineRaw(y)->Text());
        text.AddLineBreak();
    }
    const std::u16string& last = GetLineRaw(p2.Y)->Text();
    text.Add(part(last, 0, p2.X));
    return text.GetText();
}

void TWideCodeEditorContent::UpdateWorkWidth(int i) {
    UpdateWorkWidth(*GetLineRaw(i));
}

void TWideCodeEditorContent::UpdateWorkWidth(const TWCELine& line) {
    // Counted directly: building the width cache of every loaded line would double the load time.
    const int tab = host_.TabSize();
    int columns = 0;
    for (char16_t c : line.Text())
        columns += c == u'\t' ? tab : 1;
    const int width = columns * host_.CharWidth();
    if (width > host_.WorkWidth()) host_.SetWorkWidth(width);
}

void TWideCodeEditorContent::InvalidateAllWidths() {
    for (const auto& block : blocks_)
        for (const auto& line : block->lines)
            line->InvalidateWidths();
}

void TWideCodeEditorContent::DoLineChanged(TWCELine* line) {
    modified_ = true;
    if (line) {
        const int index = line->Index();
        if (index < host_.ScannedUpTo()) host_.RescanFrom(index);
    }
    if (OnLineChanged) OnLineChanged(*this, line);
}

void TWideCodeEditorContent::DoDeleteLine(int i) {
    if (OnLineDeleted) OnLineDeleted(*this, GetLineRaw(i));
}

void TWideCodeEditorContent::DoValidateLine(TWCELine* line) {
    if (OnValidateLine) OnValidateLine(*this, line);
}

} // namespace editor
