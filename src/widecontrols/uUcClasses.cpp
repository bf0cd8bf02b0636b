#include "widecontrols/uUcClasses.h"

#include "core/uUnicode.h"
#include "platform/rtl/Format.h"
#include "platform/ui/Resources.h"

#include <algorithm>
#include <utility>

namespace widecontrols {

namespace {

constexpr char kIndexError[] = "List index out of bounds (%d)";
constexpr char kSortedListError[] = "Operation not allowed on sorted list";
constexpr char kDuplicateError[] = "String list does not allow duplicates";
constexpr std::u16string_view kLineBreak = u"\r\n";
constexpr char16_t kLineSeparator = u'\u2028';
constexpr uint16_t kOpenForLoading = rtl::fmOpenRead | rtl::fmShareDenyWrite;

WideString FromUtf16Bytes(std::string_view bytes, bool bigEndian) {
    WideString text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    return text;
}

std::string ToUtf16LeBytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// Whether the next bytes are `mark`; they stay consumed only when they are.
bool SkipMark(rtl::TStream& stream, std::string_view mark) {
    const auto length = static_cast<int64_t>(mark.size());
    if (stream.Size() - stream.Position() < length) return false;
    std::string bytes(mark.size(), '\0');
    stream.ReadBuffer(bytes.data(), length);
    if (bytes == mark) return true;
    stream.Seek(-length, rtl::soCurrent);
    return false;
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}

} // namespace

// ---- TWideStrings ----

WideString TWideStrings::GetTextStr() const {
    WideString text;
    for (int i = 0; i < GetCount(); ++i)
        text.append(Get(i)).append(kLineBreak);
    return text;
}

void TWideStrings::Put(int index, const WideString& s) {
    void* const object = GetObject(index);
    Delete(index);
    InsertObject(index, s, object);
}

void TWideStrings::SetTextStr(std::u16string_view text) {
    rtl::TUpdateBracket update(*this);
    Clear();
    const auto isBreak = [](char16_t c) { return c == u'\r' || c == u'\n' || c == kLineSeparator || c == 0; };
    size_t i = 0;
    while (i < text.size() && text[i] != 0) {
        const size_t start = i;
        while (i < text.size() && !isBreak(text[i]))
            ++i;
        Add(WideString(text.substr(start, i - start)));
        for (const char16_t skipped : {u'\r', u'\n', kLineSeparator})
            if (i < text.size() && text[i] == skipped) ++i;
    }
}

int TWideStrings::CompareStrings(const WideString& a, const WideString& b) const {
    return core::WideCompareTextLocale(a, b, core::kUserDefaultLocale);
}

int TWideStrings::Add(const WideString& s) {
    const int index = GetCount();
    Insert(index, s);
    return index;
}

int TWideStrings::AddObject(const WideString& s, void* object) {
    const int index = Add(s);
    PutObject(index, object);
    return index;
}

void TWideStrings::AddStrings(const rtl::TStringList& strings) {
    rtl::TUpdateBracket update(*this);
    for (int i = 0; i < strings.Count(); ++i)
        AddObject(AnsiToWide(strings[i]), strings.Objects(i));
}

void TWideStrings::AddWideStrings(const TWideStrings& strings) {
    rtl::TUpdateBracket update(*this);
    for (int i = 0; i < strings.GetCount(); ++i)
        AddObject(strings.Get(i), strings.GetObject(i));
}

void TWideStrings::Exchange(int index1, int index2) {
    rtl::TUpdateBracket update(*this);
    const WideString s = Get(index1);
    void* const object = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, s);
    PutObject(index2, object);
}

int TWideStrings::IndexOf(const WideString& s) const {
    for (int i = 0; i < GetCount(); ++i)
        if (CompareStrings(Get(i), s) == 0) return i;
    return -1;
}

int TWideStrings::IndexOfName(const WideString& name) const {
    for (int i = 0; i < GetCount(); ++i) {
        const WideString item = Get(i);
        const size_t separator = item.find(NameValueSeparator());
        if (separator != WideString::npos && CompareStrings(item.substr(0, separator), name) == 0) return i;
    }
    return -1;
}

int TWideStrings::IndexOfObject(const void* object) const {
    for (int i = 0; i < GetCount(); ++i)
        if (GetObject(i) == object) return i;
    return -1;
}

void TWideStrings::InsertObject(int index, const WideString& s, void* object) {
    Insert(index, s);
    PutObject(index, object);
}

void TWideStrings::LoadFromFile(const WideString& fileName) {
    TUcFileStream stream(fileName, kOpenForLoading);
    LoadFromStream(stream);
}

void TWideStrings::LoadFromStream(rtl::TStream& stream) {
    rtl::TUpdateBracket update(*this);
    SetTextStr(FromUtf16Bytes(stream.ReadToEnd(), false));
}

void TWideStrings::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    rtl::TUpdateBracket update(*this);
    const WideString s = Get(curIndex);
    void* const object = GetObject(curIndex);
    Delete(curIndex);
    InsertObject(newIndex, s, object);
}

void TWideStrings::SaveToFile(const WideString& fileName) {
    TUcFileStream stream(fileName, fmCreateWide);
    SaveToStream(stream);
}

void TWideStrings::SaveToStream(rtl::TStream& stream) {
    stream.WriteString(ToUtf16LeBytes(GetTextStr()));
}

void TWideStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TWideStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0) SetUpdateState(false);
}

bool TWideStrings::Equals(const TWideStrings& other) const {
    if (GetCount() != other.GetCount()) return false;
    for (int i = 0; i < GetCount(); ++i)
        if (Get(i) != other.Get(i)) return false;
    return true;
}

void TWideStrings::Assign(const data::TPersistent* source) {
    if (const auto* strings = dynamic_cast<const TWideStrings*>(source))
        Assign(*strings);
    else
        data::TPersistent::Assign(source);
}

void TWideStrings::AssignTo(data::TPersistent* dest) const {
    if (auto* strings = dynamic_cast<TWideStrings*>(dest))
        strings->Assign(*this);
    else
        data::TPersistent::AssignTo(dest);
}

void TWideStrings::Assign(const TWideStrings& source) {
    if (&source == this) return;
    rtl::TUpdateBracket update(*this);
    Clear();
    defined_ = source.defined_;
    nameValueSeparator_ = source.nameValueSeparator_;
    quoteChar_ = source.quoteChar_;
    delimiter_ = source.delimiter_;
    AddWideStrings(source);
}

void TWideStrings::Assign(const rtl::TStringList& source) {
    rtl::TUpdateBracket update(*this);
    Clear();
    SetNameValueSeparator(static_cast<unsigned char>(source.NameValueSeparator()));
    SetQuoteChar(static_cast<unsigned char>(source.QuoteChar()));
    SetDelimiter(static_cast<unsigned char>(source.Delimiter()));
    AddStrings(source);
}

void TWideStrings::AssignTo(rtl::TStringList& target) const {
    rtl::TUpdateBracket update(target);
    target.Clear();
    // The 8-bit list's characters are bytes: a character above them cannot be given.
    const auto narrow = [](WideChar c, char fallback) { return c < 0x80 ? static_cast<char>(c) : fallback; };
    target.SetNameValueSeparator(narrow(NameValueSeparator(), '='));
    target.SetQuoteChar(narrow(QuoteChar(), '"'));
    target.SetDelimiter(narrow(Delimiter(), ','));
    for (int i = 0; i < GetCount(); ++i)
        target.AddObject(WideToAnsi(Get(i)), GetObject(i));
}

void TWideStrings::Error(const char* message, int value) {
    throw rtl::EStringListError(rtl::Format(message, value));
}

void TWideStrings::DefineProperties(TFiler& filer) {
    const auto* ancestor = filer.Ancestor();
    const auto* inherited = dynamic_cast<const TWideStrings*>(ancestor);
    const bool hasData = ancestor ? !inherited || !inherited->Equals(*this) : GetCount() > 0;
    filer.DefineProperty(
        "Strings", [this](TReader& reader) { ReadStrings(reader); },
        [this](TWriter& writer) {
            writer.WriteListBegin();
            for (int i = 0; i < GetCount(); ++i)
                writer.WriteWideString(Get(i));
            writer.WriteListEnd();
        },
        hasData);
}

void TWideStrings::ReadStrings(TReader& reader) {
    const TValueType type = reader.NextValue();
    if (type == vaString || type == vaLString || type == vaWString) {
        SetTextStr(reader.ReadWideString());
        return;
    }
    reader.ReadListBegin();
    {
        rtl::TUpdateBracket update(*this);
        Clear();
        while (!reader.EndOfList())
            Add(reader.ReadWideString());
    }
    reader.ReadListEnd();
}

// ---- TUcStrings ----

TTextCharSet DetectTextCharSet(rtl::TStream& stream) {
    if (SkipMark(stream, "\xFF\xFE")) return tcsUnicodeLE;
    if (SkipMark(stream, "\xFE\xFF")) return tcsUnicodeBE;
    if (SkipMark(stream, "\xEF\xBB\xBF")) return tcsUtf8;
    return tcsAnsi;
}

TUcStrings::TUcStrings() : ansiStrings_(std::make_unique<TAnsiStringsForWideStringsAdapter>(*this)) {}

TUcStrings::~TUcStrings() = default;

void TUcStrings::SetAnsiStrings(const rtl::TStringList& value) {
    ansiStrings_->Assign(value);
}

void TUcStrings::LoadFromFile(const WideString& fileName) {
    TUcFileStream stream(fileName, kOpenForLoading);
    lastFileCharSet_ = DetectTextCharSet(stream);
    stream.SetPosition(0);
    LoadFromStream(stream);
}

void TUcStrings::LoadFromStream(rtl::TStream& stream) {
    LoadFromStreamDetect(stream, true);
}

void TUcStrings::SaveToStream(rtl::TStream& stream) {
    SaveToStreamWithBom(stream, true);
}

void TUcStrings::LoadFromStreamDetect(rtl::TStream& stream, bool detect) {
    rtl::TUpdateBracket update(*this);
    const TTextCharSet charSet = detect ? DetectTextCharSet(stream) : tcsUnicodeLE;
    const std::string bytes = stream.ReadToEnd();
    switch (charSet) {
    case tcsUnicodeLE:
    case tcsUnicodeBE:
        SetTextStr(FromUtf16Bytes(bytes, charSet == tcsUnicodeBE));
        break;
    case tcsUtf8:
        SetTextStr(Utf8ToWide(bytes));
        break;
    case tcsAnsi:
        SetTextStr(AnsiToWide(bytes));
        break;
    }
}

void TUcStrings::SaveToStreamWithBom(rtl::TStream& stream, bool writeMark) {
    if (writeMark) stream.WriteString("\xFF\xFE");
    TWideStrings::SaveToStream(stream);
}

void TUcStrings::DefineProperties(TFiler& filer) {
    TWideStrings::DefineProperties(filer);
    filer.DefineProperty(
        "WideStrings", [this](TReader& reader) { ReadStrings(reader); }, nullptr, false);
    filer.DefineProperty(
        "WideStringsW",
        [this](TReader& reader) {
            // Only into an empty list: the items of "Strings" win over the legacy copy.
            const bool take = GetCount() == 0;
            reader.ReadListBegin();
            rtl::TUpdateBracket update(*this);
            if (take) Clear();
            while (!reader.EndOfList()) {
                const std::string item = reader.ReadString();
                if (take) Add(Utf8ToWide(item));
            }
            reader.ReadListEnd();
        },
        nullptr, false);
    filer.DefineProperty(
        "WideStrings_UTF7",
        [](TReader& reader) {
            reader.ReadListBegin();
            while (!reader.EndOfList())
                reader.ReadString();
            reader.ReadListEnd();
        },
        nullptr, false);
}

// ---- TUcStringList ----

void TUcStringList::CheckIndex(int index, int count) const {
    if (index < 0 || index >= count) Error(kIndexError, index);
}

WideString TUcStringList::Get(int index) const {
    CheckIndex(index, GetCount());
    return items_[index].s;
}

void* TUcStringList::GetObject(int index) const {
    CheckIndex(index, GetCount());
    return items_[index].object;
}

void TUcStringList::Put(int index, const WideString& s) {
    if (sorted_) Error(kSortedListError, 0);
    CheckIndex(index, GetCount());
    Changing();
    items_[index].s = s;
    Changed();
}

void TUcStringList::PutObject(int index, void* object) {
    CheckIndex(index, GetCount());
    Changing();
    items_[index].object = object;
    Changed();
}

void TUcStringList::SetCapacity(int capacity) {
    capacity_ = std::max(capacity, GetCount());
    if (capacity_ == 0)
        items_.shrink_to_fit();
    else
        items_.reserve(capacity_);
}

void TUcStringList::SetUpdateState(bool updating) {
    // One OnChanging as the outermost bracket opens, one OnChange as it closes.
    if (updating) {
        Changing();
        updating_ = true;
    } else {
        updating_ = false;
        Changed();
    }
}

int TUcStringList::CompareStrings(const WideString& a, const WideString& b) const {
    return caseSensitive_ ? Sign(a.compare(b)) : TUcStrings::CompareStrings(a, b);
}

int TUcStringList::Add(const WideString& s) {
    return AddObject(s, nullptr);
}

int TUcStringList::AddObject(const WideString& s, void* object) {
    int index = GetCount();
    if (sorted_ && Find(s, index)) {
        if (duplicates_ == rtl::dupIgnore) return index;
        if (duplicates_ == rtl::dupError) Error(kDuplicateError, 0);
    }
    InsertItem(index, s, object);
    return index;
}

void TUcStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    items_.clear();
    SetCapacity(0);
    Changed();
}

void TUcStringList::Delete(int index) {
    CheckIndex(index, GetCount());
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TUcStringList::Exchange(int index1, int index2) {
    CheckIndex(index1, GetCount());
    CheckIndex(index2, GetCount());
    Changing();
    std::swap(items_[index1], items_[index2]);
    Changed();
}

int TUcStringList::IndexOf(const WideString& s) const {
    if (!sorted_) return TUcStrings::IndexOf(s);
    int index = -1;
    return Find(s, index) ? index : -1;
}

int TUcStringList::IndexOfName(const WideString& name) const {
    if (!sorted_) return TUcStrings::IndexOfName(name);
    const WideString prefix = name + NameValueSeparator();
    int index = -1;
    Find(prefix, index);
    if (index < GetCount() && CompareStrings(items_[index].s.substr(0, prefix.size()), prefix) == 0)
        return index;
    return -1;
}

void TUcStringList::Insert(int index, const WideString& s) {
    InsertObject(index, s, nullptr);
}

void TUcStringList::InsertObject(int index, const WideString& s, void* object) {
    if (sorted_) Error(kSortedListError, 0);
    CheckIndex(index, GetCount() + 1);
    InsertItem(index, s, object);
}

bool TUcStringList::Find(const WideString& s, int& index) const {
    return rtl::FindSorted(
        GetCount(), duplicates_, [&](int i) { return CompareStrings(items_[i].s, s); }, index);
}

void TUcStringList::Sort() {
    CustomSort([](TUcStringList& list, int a, int b) {
        return list.CompareStrings(list.items_[a].s, list.items_[b].s);
    });
}

void TUcStringList::CustomSort(const TStringListSortCompare& compare) {
    if (sorted_ || GetCount() < 2) return;
    Changing();
    QuickSort(0, GetCount() - 1, compare);
    Changed();
}

void TUcStringList::QuickSort(int left, int right, const TStringListSortCompare& compare) {
    int i;
    do {
        i = left;
        int j = right;
        int pivot = (left + right) >> 1;
        do {
            while (compare(*this, i, pivot) < 0)
                ++i;
            while (compare(*this, j, pivot) > 0)
                --j;
            if (i <= j) {
                std::swap(items_[i], items_[j]);
                // The pivot item moved with the exchange.
                if (pivot == i)
                    pivot = j;
                else if (pivot == j)
                    pivot = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j) QuickSort(left, j, compare);
        left = i;
    } while (i < right);
}

void TUcStringList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    if (sorted) Sort();
    sorted_ = sorted;
}

void TUcStringList::Changed() {
    if (!updating_ && OnChange) OnChange(*this);
}

void TUcStringList::Changing() {
    if (!updating_ && OnChanging) OnChanging(*this);
}

void TUcStringList::InsertItem(int index, const WideString& s, void* object) {
    Changing();
    if (GetCount() == capacity_)
        SetCapacity(capacity_ + (capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4));
    items_.insert(items_.begin() + index, TWideStringItem{s, object});
    Changed();
}

// ---- TAnsiStringsForWideStringsAdapter ----

std::string TAnsiStringsForWideStringsAdapter::Get(int index) const {
    return WideToStringWithCodePage(wideStrings_.Get(index), AdapterCodePage());
}

void TAnsiStringsForWideStringsAdapter::Put(int index, const std::string& s) {
    wideStrings_.Put(index, StringToWideWithCodePage(s, AdapterCodePage()));
}

void TAnsiStringsForWideStringsAdapter::Insert(int index, const std::string& s) {
    wideStrings_.Insert(index, StringToWideWithCodePage(s, AdapterCodePage()));
}

void TAnsiStringsForWideStringsAdapter::Assign(const rtl::TStringList& source) {
    rtl::TUpdateBracket update(wideStrings_);
    wideStrings_.Clear();
    for (int i = 0; i < source.Count(); ++i)
        wideStrings_.AddObject(StringToWideWithCodePage(source[i], AdapterCodePage()), source.Objects(i));
}

void TAnsiStringsForWideStringsAdapter::LoadFromStreamWithCodePage(rtl::TStream& stream, int codePage) {
    rtl::TUpdateBracket update(wideStrings_);
    wideStrings_.SetTextStr(StringToWideWithCodePage(stream.ReadToEnd(), codePage));
}

void TAnsiStringsForWideStringsAdapter::SaveToStreamWithCodePage(rtl::TStream& stream, int codePage) {
    stream.WriteString(WideToStringWithCodePage(wideStrings_.GetTextStr(), codePage));
}

// ---- TUcFileStream ----

TUcFileStream::TUcFileStream(const WideString& fileName, uint16_t mode)
    : rtl::TFileStream(WideToUtf8(ExpandFileNameWide(fileName)),
                       mode == fmCreateWide ? static_cast<uint16_t>(rtl::fmCreate) : mode) {}

// ---- TUcResourceStream ----

TUcResourceStream::TUcResourceStream(const WideString& name, const WideString& type) {
    const std::string_view bytes =
        ui::LoadResource(ui::TResourceId(WideToUtf8(type)), ui::TResourceId(WideToUtf8(name)));
    rtl::TMemoryStream::Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    SetPosition(0);
}

int64_t TUcResourceStream::Write(const void*, int64_t) {
    throw rtl::EStreamError("Can't write to a read-only resource stream");
}

} // namespace widecontrols
