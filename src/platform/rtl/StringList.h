// A list of strings with objects, sorting and text forms.
#pragma once

#include "platform/rtl/Exception.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rtl {

class TStream;

// "String list does not allow duplicates", "Operation not allowed on sorted list". Index errors
// raise EListError "List index out of bounds (%d)".
RTL_DECLARE_EXCEPTION(EStringListError, EListError);

enum TDuplicates { dupIgnore, dupAccept, dupError };

// BeginUpdate now, EndUpdate when the scope ends, however it ends; for any list with the two.
template <class List>
class TUpdateBracket {
public:
    explicit TUpdateBracket(List& list) : list_(list) { list_.BeginUpdate(); }
    ~TUpdateBracket() noexcept(false) { list_.EndUpdate(); }
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;

private:
    List& list_;
};

// Bisection of `count` sorted items; compare(i) compares item i with the sought value (<0, 0, >0).
// Returns whether an equal item exists. `index` is where the search settled: an equal item it met
// (with dupAccept the first of them), or where the value belongs.
template <class Compare>
bool FindSorted(int count, TDuplicates duplicates, Compare compare, int& index) {
    bool found = false;
    int low = 0, high = count - 1;
    while (low <= high) {
        const int middle = (low + high) >> 1;
        const int comparison = compare(middle);
        if (comparison < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (comparison == 0) {
                found = true;
                if (duplicates != dupAccept) low = middle;
            }
        }
    }
    index = low;
    return found;
}

// A list of UTF-8 strings, each with an object pointer. The list does not own the objects unless
// it was given a deleter (SetOwnsObjects); it then frees an object when its item is deleted, the
// list is cleared or destroyed, or the object is replaced.
//
// Comparisons are case-insensitive unless CaseSensitive is set: code points after simple Unicode
// lower-casing, independent of the process locale. A sorted list keeps that order; its duplicate
// mode decides what Add does with a string already present.
class TStringList {
public:
    using ObjectDeleter = std::function<void(void*)>;

    TStringList() = default;
    ~TStringList();
    TStringList(const TStringList&) = delete; // objects may be owned; use Assign
    TStringList& operator=(const TStringList&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Strings(int index) const;
    const std::string& operator[](int index) const { return Strings(index); }
    void SetString(int index, std::string_view s); // not on a sorted list
    void* Objects(int index) const;
    void SetObject(int index, void* object);

    // The index of the new item; on a sorted list, of the existing equal item when duplicates are
    // ignored.
    int Add(std::string_view s);
    int AddObject(std::string_view s, void* object);
    void AddStrings(const TStringList& other);
    void Insert(int index, std::string_view s); // 0..Count, not on a sorted list
    void InsertObject(int index, std::string_view s, void* object);
    void Delete(int index);
    void Clear();
    void Exchange(int index1, int index2); // not on a sorted list
    void Move(int curIndex, int newIndex); // not on a sorted list
    // Copies the strings, the object pointers and the settings, but not the ownership of objects.
    void Assign(const TStringList& other);

    int IndexOf(std::string_view s) const;
    int IndexOfObject(const void* object) const;
    // Binary search on a sorted list (linear otherwise): true and the first equal item's index, or
    // false and the index where the string would be inserted.
    bool Find(std::string_view s, int& index) const;

    // "name=value" items (the separator is NameValueSeparator).
    int IndexOfName(std::string_view name) const;
    std::string Names(int index) const; // empty when the item has no separator
    std::string ValueFromIndex(int index) const;
    std::string Values(std::string_view name) const; // empty when there is no such name
    // Replaces the value of the first item with that name, appends "name=value" when there is none,
    // and deletes the item when the value is empty.
    void SetValue(std::string_view name, std::string_view value);
    char NameValueSeparator() const { return nameValueSeparator_; }
    void SetNameValueSeparator(char c) { nameValueSeparator_ = c; }

    // Every item followed by LineBreak ("\r\n" by default). Setting splits at CR LF, LF or CR; a
    // final break adds no empty item.
    std::string Text() const;
    void SetText(std::string_view text);
    const std::string& LineBreak() const { return lineBreak_; }
    void SetLineBreak(std::string lineBreak) { lineBreak_ = std::move(lineBreak); }

    // Items joined by Delimiter. An item that holds the delimiter or the quote character, or (unless
    // StrictDelimiter) a character up to the space, is enclosed in QuoteChar with inner quotes
    // doubled; a single empty item is written as two quotes. Setting reads it back: unquoted blanks
    // also separate items unless StrictDelimiter, and a delimiter at the very end adds an empty item.
    std::string DelimitedText() const;
    void SetDelimitedText(std::string_view text);
    char Delimiter() const { return delimiter_; }
    void SetDelimiter(char c) { delimiter_ = c; }
    char QuoteChar() const { return quoteChar_; }
    void SetQuoteChar(char c) { quoteChar_ = c; }
    bool StrictDelimiter() const { return strictDelimiter_; }
    void SetStrictDelimiter(bool on) { strictDelimiter_ = on; }
    // DelimitedText with "," and '"', whatever Delimiter and QuoteChar are.
    std::string CommaText() const;
    void SetCommaText(std::string_view text);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool on);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }
    void Sort();
    // Negative, 0 or positive under the list's case rule.
    int CompareStrings(std::string_view a, std::string_view b) const;

    bool OwnsObjects() const { return static_cast<bool>(deleter_); }
    void SetOwnsObjects(ObjectDeleter deleter) { deleter_ = std::move(deleter); }

    // Change notification: OnChanging before and OnChange after each change, once around a
    // BeginUpdate/EndUpdate bracket.
    void BeginUpdate();
    void EndUpdate();
    std::function<void(TStringList&)> OnChange;
    std::function<void(TStringList&)> OnChanging;

    // The text (see Text) as UTF-8 bytes; loading replaces the items.
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

private:
    struct Item {
        std::string text;
        void* object = nullptr;
    };

    void CheckIndex(int index, int count) const;
    void CheckNotSorted() const;
    int AddItem(std::string_view s, void* object);
    void InsertItem(int index, std::string_view s, void* object);
    std::string DelimitedText(char delimiter, char quote, bool strict) const;
    void SetDelimitedText(std::string_view text, char delimiter, char quote, bool strict);
    void FreeObject(void* object) const;
    void Changing();
    void Changed();

    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = dupIgnore;
    bool strictDelimiter_ = false;
    char delimiter_ = ',';
    char quoteChar_ = '"';
    char nameValueSeparator_ = '=';
    std::string lineBreak_ = "\r\n";
    int updateCount_ = 0;
    ObjectDeleter deleter_;
};

// Blanks and control characters (codes up to 32) removed at both ends.
std::string Trim(std::string_view text);

} // namespace rtl
