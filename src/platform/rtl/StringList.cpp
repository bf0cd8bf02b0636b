#include "platform/rtl/StringList.h"

#include "platform/rtl/Streams.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <locale.h>
#include <wctype.h>

namespace rtl {

namespace {

// Simple lower-casing from the Unicode tables of the built-in C.UTF-8 locale, never the process
// locale; ASCII alone when that locale is missing.
char32_t FoldCase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    return utf8 ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), utf8)) : c;
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t x = FoldCase(Utf8Next(a, i));
        const char32_t y = FoldCase(Utf8Next(b, j));
        if (x != y) return x < y ? -1 : 1;
    }
    return (i < a.size()) - (j < b.size());
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::string Trim(std::string_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}

TStringList::~TStringList() {
    for (const Item& item : items_)
        FreeObject(item.object);
}

void TStringList::CheckIndex(int index, int count) const {
    if (index < 0 || index >= count) ListIndexError(index);
}

void TStringList::CheckNotSorted() const {
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
}

void TStringList::FreeObject(void* object) const {
    if (object && deleter_) deleter_(object);
}

void TStringList::Changing() {
    if (updateCount_ == 0 && OnChanging) OnChanging(*this);
}

void TStringList::Changed() {
    if (updateCount_ == 0 && OnChange) OnChange(*this);
}

void TStringList::BeginUpdate() {
    if (updateCount_ == 0) Changing();
    ++updateCount_;
}

void TStringList::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
    if (caseSensitive_) return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
    return CompareIgnoringCase(a, b);
}

const std::string& TStringList::Strings(int index) const {
    CheckIndex(index, Count());
    return items_[index].text;
}

void TStringList::SetString(int index, std::string_view s) {
    CheckNotSorted();
    CheckIndex(index, Count());
    Changing();
    items_[index].text = s;
    Changed();
}

void* TStringList::Objects(int index) const {
    CheckIndex(index, Count());
    return items_[index].object;
}

void TStringList::SetObject(int index, void* object) {
    CheckIndex(index, Count());
    Changing();
    if (items_[index].object != object) FreeObject(items_[index].object);
    items_[index].object = object;
    Changed();
}

int TStringList::Add(std::string_view s) {
    return AddItem(s, nullptr);
}

int TStringList::AddObject(std::string_view s, void* object) {
    return AddItem(s, object);
}

int TStringList::AddItem(std::string_view s, void* object) {
    int index = Count();
    if (sorted_ && Find(s, index)) {
        if (duplicates_ == dupIgnore) return index;
        if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
        while (index < Count() && CompareStrings(items_[index].text, s) == 0)
            ++index; // after its equals
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::AddStrings(const TStringList& other) {
    TUpdateBracket update(*this);
    for (const Item& item : other.items_)
        AddItem(item.text, item.object);
}

void TStringList::Insert(int index, std::string_view s) {
    InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int index, std::string_view s, void* object) {
    CheckNotSorted();
    CheckIndex(index, Count() + 1);
    InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, std::string_view s, void* object) {
    Changing();
    items_.insert(items_.begin() + index, Item{std::string(s), object});
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index, Count());
    Changing();
    FreeObject(items_[index].object);
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    for (const Item& item : items_)
        FreeObject(item.object);
    items_.clear();
    Changed();
}

void TStringList::Exchange(int index1, int index2) {
    CheckNotSorted();
    CheckIndex(index1, Count());
    CheckIndex(index2, Count());
    Changing();
    std::swap(items_[index1], items_[index2]);
    Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
    CheckNotSorted();
    CheckIndex(curIndex, Count());
    CheckIndex(newIndex, Count());
    if (curIndex == newIndex) return;
    Changing();
    const auto first = items_.begin();
    if (curIndex < newIndex)
        std::rotate(first + curIndex, first + curIndex + 1, first + newIndex + 1);
    else
        std::rotate(first + newIndex, first + curIndex, first + curIndex + 1);
    Changed();
}

void TStringList::Assign(const TStringList& other) {
    if (&other == this) return;
    TUpdateBracket update(*this);
    Clear();
    sorted_ = other.sorted_;
    caseSensitive_ = other.caseSensitive_;
    duplicates_ = other.duplicates_;
    strictDelimiter_ = other.strictDelimiter_;
    delimiter_ = other.delimiter_;
    quoteChar_ = other.quoteChar_;
    nameValueSeparator_ = other.nameValueSeparator_;
    lineBreak_ = other.lineBreak_;
    items_ = other.items_;
}

int TStringList::IndexOf(std::string_view s) const {
    int index;
    return Find(s, index) ? index : -1;
}

int TStringList::IndexOfObject(const void* object) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[i].object == object) return i;
    return -1;
}

bool TStringList::Find(std::string_view s, int& index) const {
    if (!sorted_) {
        for (index = 0; index < Count(); ++index)
            if (CompareStrings(items_[index].text, s) == 0) return true;
        return false;
    }
    int lo = 0, hi = Count();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (CompareStrings(items_[mid].text, s) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    index = lo;
    return lo < Count() && CompareStrings(items_[lo].text, s) == 0;
}

int TStringList::IndexOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string& text = items_[i].text;
        const size_t sep = text.find(nameValueSeparator_);
        if (sep != std::string::npos && CompareStrings(std::string_view(text).substr(0, sep), name) == 0)
            return i;
    }
    return -1;
}

std::string TStringList::Names(int index) const {
    const std::string& text = Strings(index);
    const size_t sep = text.find(nameValueSeparator_);
    return sep == std::string::npos ? std::string() : text.substr(0, sep);
}

std::string TStringList::ValueFromIndex(int index) const {
    const std::string& text = Strings(index);
    const size_t sep = text.find(nameValueSeparator_);
    return sep == std::string::npos ? std::string() : text.substr(sep + 1);
}

std::string TStringList::Values(std::string_view name) const {
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStringList::SetValue(std::string_view name, std::string_view value) {
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    std::string text = std::string(name) + nameValueSeparator_ + std::string(value);
    if (index < 0) {
        Add(text);
    } else if (!sorted_) {
        SetString(index, text);
    } else {
        // A new value may move the item; it keeps its object.
        TUpdateBracket update(*this);
        void* object = items_[index].object;
        items_.erase(items_.begin() + index);
        AddItem(text, object);
    }
}

std::string TStringList::Text() const {
    std::string text;
    for (const Item& item : items_) {
        text += item.text;
        text += lineBreak_;
    }
    return text;
}

void TStringList::SetText(std::string_view text) {
    TUpdateBracket update(*this);
    Clear();
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
        AddItem(text.substr(pos, end - pos), nullptr);
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
}

std::string TStringList::DelimitedText() const {
    return DelimitedText(delimiter_, quoteChar_, strictDelimiter_);
}

void TStringList::SetDelimitedText(std::string_view text) {
    SetDelimitedText(text, delimiter_, quoteChar_, strictDelimiter_);
}

std::string TStringList::CommaText() const {
    return DelimitedText(',', '"', false);
}

void TStringList::SetCommaText(std::string_view text) {
    SetDelimitedText(text, ',', '"', false);
}

std::string TStringList::DelimitedText(char delimiter, char quote, bool strict) const {
    if (Count() == 1 && items_[0].text.empty()) return std::string(2, quote);
    std::string out;
    for (const Item& item : items_) {
        if (&item != &items_.front()) out += delimiter;
        const bool needsQuotes = std::any_of(item.text.begin(), item.text.end(), [&](char c) {
            return c == delimiter || c == quote || (!strict && IsBlank(c));
        });
        if (!needsQuotes) {
            out += item.text;
            continue;
        }
        out += quote;
        for (char c : item.text) {
            if (c == quote) out += quote;
            out += c;
        }
        out += quote;
    }
    return out;
}

void TStringList::SetDelimitedText(std::string_view text, char delimiter, char quote, bool strict) {
    TUpdateBracket update(*this);
    Clear();
    size_t i = 0;
    const auto skipBlanks = [&] {
        while (!strict && i < text.size() && IsBlank(text[i]))
            ++i;
    };
    skipBlanks();
    while (i < text.size()) {
        std::string item;
        if (text[i] == quote) {
            for (++i; i < text.size(); ++i) {
                if (text[i] == quote) {
                    if (i + 1 < text.size() && text[i + 1] == quote) {
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                }
                item += text[i];
            }
        } else {
            while (i < text.size() && text[i] != delimiter && !(!strict && IsBlank(text[i])))
                item += text[i++];
        }
        AddItem(item, nullptr);
        skipBlanks();
        if (i < text.size() && text[i] == delimiter) {
            if (++i == text.size()) AddItem("", nullptr);
            skipBlanks();
        }
    }
}

void TStringList::Sort() {
    Changing();
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
    Changed();
}

void TStringList::SetSorted(bool sorted) {
    if (sorted && !sorted_) Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool on) {
    if (on == caseSensitive_) return;
    caseSensitive_ = on;
    if (sorted_) Sort();
}

void TStringList::LoadFromStream(TStream& stream) {
    std::string text = stream.ReadToEnd();
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3); // a UTF-8 byte-order mark
    SetText(text);
}

void TStringList::SaveToStream(TStream& stream) const {
    stream.WriteString(Text());
}

void TStringList::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TStringList::SaveToFile(const std::string& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

} // namespace rtl
