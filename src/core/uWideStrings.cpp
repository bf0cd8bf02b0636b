#include "core/uWideStrings.h"

#include <algorithm>

#include "platform/rtl/Streams.h"

namespace core {

namespace {

constexpr char kUtf16LittleEndianMark[] = "\xFF\xFE";
constexpr char kUtf16BigEndianMark[] = "\xFE\xFF";
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

bool IsLineBreak(char16_t c) {
    return c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f' || c == 0x2028 || c == 0x2029;
}

std::u16string FromUtf16Bytes(std::string_view bytes, bool bigEndian) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    return text;
}

std::string ToUtf16LittleEndianBytes(std::u16string_view text) {
    std::string bytes(text.size() * 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

} // namespace

// TWideStrings

void TWideStrings::AssignTo(rtl::TStringList& target) const {
    rtl::TUpdateBracket<rtl::TStringList> update(target);
    target.Clear();
    for (int i = 0; i < GetCount(); ++i)
        target.AddObject(WideToCodePageEx(Get(i), AnsiCodePage()), GetObject(i));
}

void TWideStrings::Assign(const TWideStrings& source) {
    if (&source == this) return;
    rtl::TUpdateBracket<TWideStrings> update(*this);
    Clear();
    AddStrings(source);
}

void TWideStrings::Assign(const rtl::TStringList& source) {
    rtl::TUpdateBracket<TWideStrings> update(*this);
    Clear();
    AddStrings(source);
}

void TWideStrings::DoConfirmConversion(bool& allowed) {
    if (OnConfirmConversion) OnConfirmConversion(*this, allowed);
}

std::u16string TWideStrings::GetText() const {
    return GetSeparatedText(u"\r\n");
}

int TWideStrings::Add(std::u16string_view s) {
    const int index = GetCount();
    Insert(index, s);
    return index;
}

int TWideStrings::AddObject(std::u16string_view s, void* object) {
    const int index = Add(s);
    PutObject(index, object);
    return index;
}

void TWideStrings::AddStrings(const rtl::TStringList& source) {
    rtl::TUpdateBracket<TWideStrings> update(*this);
    for (int i = 0, count = source.Count(); i < count; ++i)
        AddObject(CodePageToWideEx(source.Strings(i), AnsiCodePage()), source.Objects(i));
}

void TWideStrings::AddStrings(const TWideStrings& source) {
    const bool sameCodePage = language_ == source.language_ || AnsiCodePage() == source.AnsiCodePage();
    rtl::TUpdateBracket<TWideStrings> update(*this);
    for (int i = 0, count = source.GetCount(); i < count; ++i) {
        const std::u16string text = source.Get(i);
        AddObject(sameCodePage
                      ? text
                      : CodePageToWideEx(WideToCodePageEx(text, source.AnsiCodePage()), AnsiCodePage()),
                  source.GetObject(i));
    }
}

void TWideStrings::Exchange(int index1, int index2) {
    rtl::TUpdateBracket<TWideStrings> update(*this);
    const std::u16string text = Get(index1);
    void* object = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, text);
    PutObject(index2, object);
}

std::u16string TWideStrings::GetSeparatedText(std::u16string_view separator) const {
    std::u16string text;
    for (int i = 0; i < GetCount(); ++i) {
        if (i > 0) text += separator;
        text += Get(i);
    }
    return text;
}

int TWideStrings::IndexOf(std::u16string_view s) const {
    const std::u16string text = Normalized(s);
    for (int i = 0; i < GetCount(); ++i)
        if (Compare(Get(i), text) == 0) return i;
    return -1;
}

void TWideStrings::InsertObject(int index, std::u16string_view s, void* object) {
    Insert(index, s);
    PutObject(index, object);
}

void TWideStrings::LoadFromFile(const std::string& fileName) {
    rtl::TFileStream file(fileName, rtl::fmOpenRead | rtl::fmShareDenyNone);
    LoadFromStream(file);
}

void TWideStrings::LoadFromStream(rtl::TStream& stream) {
    const std::string bytes = stream.ReadToEnd();
    const std::string_view data(bytes);
    const bool littleEndian = data.starts_with(kUtf16LittleEndianMark);
    if (littleEndian || data.starts_with(kUtf16BigEndianMark)) {
        saveUnicode_ = true;
        utf8Mark_ = false;
        SetText(FromUtf16Bytes(data.substr(2), !littleEndian));
        return;
    }
    saveUnicode_ = false;
    utf8Mark_ = data.starts_with(kUtf8Mark);
    SetText(CodePageToWideEx(utf8Mark_ ? data.substr(3) : data, AnsiCodePage()));
}

void TWideStrings::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    rtl::TUpdateBracket<TWideStrings> update(*this);
    const std::u16string text = Get(curIndex);
    void* object = GetObject(curIndex);
    Delete(curIndex);
    InsertObject(newIndex, text, object);
}

void TWideStrings::SaveToFile(const std::string& fileName) {
    // Built in memory first, so that a refused conversion leaves an existing file as it was.
    rtl::TMemoryStream buffer;
    SaveToStream(buffer, true);
    if (!saved_) return;
    rtl::TFileStream file(fileName, rtl::fmCreate);
    buffer.SaveToStream(file);
}

void TWideStrings::SaveToStream(rtl::TStream& stream, bool withMark) {
    const std::u16string text = GetText();
    saved_ = false;
    if (saveUnicode_) {
        if (withMark) stream.WriteString(std::string_view(kUtf16LittleEndianMark, 2));
        stream.WriteString(ToUtf16LittleEndianBytes(text));
    } else {
        const std::string bytes = WideToCodePageEx(text, AnsiCodePage());
        if (CodePageToWideEx(bytes, AnsiCodePage()) != text) {
            // Without a handler that accepts the loss, nothing is lost: nothing is written.
            bool allowed = static_cast<bool>(OnConfirmConversion);
            DoConfirmConversion(allowed);
            if (!allowed) return;
        }
        if (withMark && utf8Mark_) stream.WriteString(kUtf8Mark);
        stream.WriteString(bytes);
    }
    saved_ = true;
}

void TWideStrings::SetText(std::u16string_view text) {
    rtl::TUpdateBracket<TWideStrings> update(*this);
    Clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsLineBreak(text[i])) continue;
        Add(text.substr(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) Add(text.substr(start));
}

void TWideStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TWideStrings::EndUpdate() {
    if (--updateCount_ == 0) SetUpdateState(false);
}

bool TWideStrings::Equals(const TWideStrings& other) const {
    if (GetCount() != other.GetCount()) return false;
    for (int i = 0; i < GetCount(); ++i)
        if (Get(i) != other.Get(i)) return false;
    return true;
}

int TWideStrings::Compare(std::u16string_view a, std::u16string_view b) const {
    return WideCompareTextLocale(a, b, language_);
}

std::u16string TWideStrings::Normalized(std::u16string_view s) const {
    return normalizationForm_ == nfNone ? std::u16string(s) : WideNormalize(s, normalizationForm_);
}

// TWideStringList

std::u16string TWideStringList::Get(int index) const {
    CheckIndex(index);
    return items_[std::size_t(index)].text;
}

void* TWideStringList::GetObject(int index) const {
    CheckIndex(index);
    return items_[std::size_t(index)].object;
}

void TWideStringList::Put(int index, std::u16string_view s) {
    if (sorted_) throw rtl::EStringListError("Operation not allowed on sorted list");
    CheckIndex(index);
    Changing();
    items_[std::size_t(index)].text = Normalized(s);
    Changed();
}

void TWideStringList::PutObject(int index, void* object) {
    CheckIndex(index);
    Changing();
    items_[std::size_t(index)].object = object;
    Changed();
}

void TWideStringList::SetCapacity(int capacity) {
    capacity = std::max(capacity, 0);
    if (capacity < GetCount()) items_.resize(std::size_t(capacity));
    items_.reserve(std::size_t(capacity));
    capacity_ = capacity;
}

void TWideStringList::SetUpdateState(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

int TWideStringList::Add(std::u16string_view s) {
    int index = GetCount();
    if (sorted_ && Find(s, index)) {
        if (duplicates_ == rtl::dupIgnore) return index;
        if (duplicates_ == rtl::dupError)
            throw rtl::EStringListError("String list does not allow duplicates");
    }
    InsertItem(index, s);
    return index;
}

void TWideStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    items_.clear();
    SetCapacity(0);
    Changed();
}

void TWideStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

int TWideStringList::IndexOf(std::u16string_view s) const {
    if (!sorted_) return TWideStrings::IndexOf(s);
    int index = 0;
    return Find(s, index) ? index : -1;
}

void TWideStringList::Insert(int index, std::u16string_view s) {
    if (sorted_) throw rtl::EStringListError("Operation not allowed on sorted list");
    if (index < 0 || index > GetCount()) rtl::ListIndexError(index);
    InsertItem(index, s);
}

bool TWideStringList::Find(std::u16string_view s, int& index) const {
    const std::u16string text = Normalized(s);
    return rtl::FindSorted(
        GetCount(), duplicates_, [&](int i) { return Compare(items_[std::size_t(i)].text, text); }, index);
}

void TWideStringList::Sort() {
    if (sorted_ || items_.size() < 2) return;
    Changing();
    std::sort(items_.begin(), items_.end(),
              [this](const TItem& a, const TItem& b) { return Compare(a.text, b.text) < 0; });
    Changed();
}

void TWideStringList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    if (sorted) Sort();
    sorted_ = sorted;
}

void TWideStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(*this);
}

void TWideStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(*this);
}

void TWideStringList::InsertItem(int index, std::u16string_view s) {
    Changing();
    if (GetCount() == capacity_) Grow();
    items_.insert(items_.begin() + index, TItem{s.empty() ? std::u16string() : Normalized(s), nullptr});
    Changed();
}

void TWideStringList::CheckIndex(int index) const {
    if (index < 0 || index >= GetCount()) rtl::ListIndexError(index);
}

// By a quarter beyond 64 items, by 16 from 9 to 64, by 4 below.
void TWideStringList::Grow() {
    const int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
    SetCapacity(capacity_ + delta);
}

} // namespace core
