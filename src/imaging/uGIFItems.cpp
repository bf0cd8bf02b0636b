#include "imaging/uGIFItems.h"

#include "imaging/uGIFImage.h"

#include <algorithm>
#include <utility>

namespace imaging {

void ReadGIFBytes(rtl::TStream& stream, void* buffer, int64_t count) {
    if (stream.Read(buffer, count) != count) throw GIFException(gif_text::PrematureEnd);
}

int ReadByteOrEnd(rtl::TStream& stream) {
    uint8_t byte = 0;
    return stream.Read(&byte, 1) == 1 ? byte : -1;
}

uint16_t LittleEndian16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

void PutLittleEndian16(uint8_t* bytes, uint16_t value) {
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

void TGIFItem::ReportWarning(const std::string& message) const {
    if (image_) image_->ReportWarning(this, GIFWarningSeverity, message);
}

void TGIFItem::SaveToNamedFile(const std::string& fileName) {
    rtl::TFileStream stream(fileName, rtl::fmCreate);
    SaveToStream(stream);
}

void TGIFItem::LoadFromNamedFile(const std::string& fileName) {
    rtl::TFileStream stream(fileName, rtl::fmOpenRead | rtl::fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGIFList::ReportWarning(const std::string& message) const {
    if (image_) image_->ReportWarning(this, GIFWarningSeverity, message);
}

void TGIFList::SaveToStream(rtl::TStream& stream) {
    for (auto& item : items_)
        item->SaveToStream(stream);
}

TGIFItem* TGIFList::Item(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return items_[index].get();
}

int TGIFList::Add(std::unique_ptr<TGIFItem> item) {
    items_.push_back(std::move(item));
    return Count() - 1;
}

void TGIFList::Delete(int index) {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    // Out of the list before it dies, so that its destructor finds nothing to remove.
    std::unique_ptr<TGIFItem> item = std::move(items_[index]);
    items_.erase(items_.begin() + index);
}

int TGIFList::Remove(TGIFItem* item) {
    auto found =
        std::find_if(items_.begin(), items_.end(), [item](const auto& own) { return own.get() == item; });
    if (found == items_.end()) return -1;
    int index = static_cast<int>(found - items_.begin());
    found->release();
    items_.erase(found);
    return index;
}

void TGIFList::Clear() {
    while (!items_.empty())
        Delete(0);
}

namespace {

TGIFColorMap::TEntry EntryOf(ui::TColor color) {
    return {static_cast<uint8_t>(ui::GetRValue(color)), static_cast<uint8_t>(ui::GetGValue(color)),
            static_cast<uint8_t>(ui::GetBValue(color))};
}

// Most used first. The order of equally used entries is the one this exact procedure gives, and
// files written before depend on it.
void SortUsage(TGIFColorMap::TUsage& usage, int lo, int hi) {
    int i = 0;
    do {
        i = lo;
        int j = hi;
        int64_t pivot = usage[(lo + hi) / 2].first;
        do {
            while (usage[i].first > pivot)
                ++i;
            while (usage[j].first < pivot)
                --j;
            if (i <= j) {
                std::swap(usage[i], usage[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (lo < j) SortUsage(usage, lo, j);
        lo = i;
    } while (i < hi);
}

} // namespace

int TGIFColorMap::AppendColor(ui::TColor color) {
    if (count_ >= MaxColors) throw GIFException(gif_text::TableOverflow);
    Reserve(count_ + 1);
    entries_[count_] = EntryOf(color);
    optimized_ = false;
    NotifyChanged();
    return count_++;
}

int TGIFColorMap::AppendColorOnce(ui::TColor color) {
    int index = FindColor(color);
    return index >= 0 ? index : AppendColor(color);
}

int TGIFColorMap::FindColor(ui::TColor color) const {
    TEntry wanted = EntryOf(color);
    if (optimized_) {
        for (int i = 0; i < count_; ++i)
            if (entries_[i] == wanted) return i;
    } else {
        for (int i = count_ - 1; i >= 0; --i)
            if (entries_[i] == wanted) return i;
    }
    return -1;
}

void TGIFColorMap::RemoveColor(int index) {
    if (index < 0 || index >= count_) throw GIFException(gif_text::BadColorIndex);
    std::move(entries_.begin() + index + 1, entries_.begin() + count_, entries_.begin() + index);
    --count_;
    optimized_ = false;
    NotifyChanged();
}

ui::TColor TGIFColorMap::ColorAt(int index) const {
    if (index < 0 || index >= count_) {
        ReportWarning(gif_text::BadColorIndex);
        if (count_ == 0) throw GIFException(gif_text::EmptyTable);
        index = 0;
    }
    const TEntry& entry = entries_[index];
    return ui::RGB(entry[0], entry[1], entry[2]);
}

void TGIFColorMap::Reserve(int count) {
    if (count < Capacity()) return;
    int capacity = count <= 16 ? 16 : std::min((count + 31) / 32 * 32, MaxColors);
    entries_.resize(capacity);
}

int TGIFColorMap::IndexBits() const {
    if (count_ == 0) return 0;
    int bits = 1;
    while ((1 << bits) < count_)
        ++bits;
    return bits;
}

void TGIFColorMap::FillFromRGBQuads(const uint8_t* quads, int count) {
    Clear();
    Reserve(count);
    for (int i = 0; i < count; ++i)
        entries_[i] = {quads[4 * i + 2], quads[4 * i + 1], quads[4 * i]};
    count_ = count;
    NotifyChanged();
}

void TGIFColorMap::FillFromPalette(const ui::TPaletteEntries& palette) {
    Clear();
    if (palette.empty()) return;
    int count = std::min(static_cast<int>(palette.size()), MaxColors);
    Reserve(count);
    for (int i = 0; i < count; ++i)
        entries_[i] = EntryOf(palette[i]);
    count_ = count;
    NotifyChanged();
}

void TGIFColorMap::FillFromDIBSection(const ui::TBitmap& bitmap) {
    FillFromPalette(bitmap.PaletteEntries());
}

ui::TPaletteEntries TGIFColorMap::CreatePaletteHandle() const {
    ui::TPaletteEntries palette;
    for (int i = 0; i < count_; ++i)
        palette.push_back(ui::RGB(entries_[i][0], entries_[i][1], entries_[i][2]));
    return palette;
}

void TGIFColorMap::Clear() {
    entries_.clear();
    entries_.shrink_to_fit();
    count_ = 0;
    optimized_ = false;
}

void TGIFColorMap::Assign(const data::TPersistent* source) {
    auto* other = dynamic_cast<const TGIFColorMap*>(source);
    if (!other) return data::TPersistent::Assign(source);
    entries_ = other->entries_;
    count_ = other->count_;
    optimized_ = other->optimized_;
    NotifyChanged();
}

void TGIFColorMap::LoadFromStream(rtl::TStream& stream, int count) {
    Clear();
    Reserve(count);
    ReadGIFBytes(stream, entries_.data(), 3 * static_cast<int64_t>(count));
    count_ = count;
}

void TGIFColorMap::SaveToStream(rtl::TStream& stream) const {
    if (count_ == 0) return;
    std::vector<TEntry> padded(entries_.begin(), entries_.begin() + count_);
    padded.resize(size_t{1} << IndexBits(), TEntry{0, 0, 0});
    stream.WriteBuffer(padded.data(), 3 * static_cast<int64_t>(padded.size()));
}

bool TGIFColorMap::SortByUsage() {
    if (count_ <= 1) return false;
    optimized_ = true;

    TUsage usage;
    CountUsage(usage);
    SortUsage(usage, 0, count_ - 1);

    bool inOrder = true;
    for (int i = 0; i < count_ && inOrder; ++i)
        inOrder = usage[i].second == i;
    if (inOrder) return true;

    std::array<uint8_t, MaxColors> map{};
    for (int i = 0; i < count_; ++i)
        map[usage[i].second] = static_cast<uint8_t>(i);
    RemapPixels(map);

    std::vector<TEntry> sorted(entries_.size());
    for (int i = 0; i < count_; ++i)
        sorted[i] = entries_[usage[i].second];
    entries_ = std::move(sorted);
    for (int i = 0; i < count_; ++i)
        if (usage[i].first == 0) {
            count_ = i;
            break;
        }
    NotifyChanged();
    return true;
}

} // namespace imaging
