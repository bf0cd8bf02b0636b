// A list of UTF-16 strings read from and written to text, streams and files.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/uUnicode.h"
#include "platform/rtl/StringList.h"

namespace rtl {
class TStream;
}

namespace core {

// An abstract list of UTF-16 strings, each with an object pointer (not owned), that reads and writes
// text, streams and files as UTF-16 or in the ANSI code page of its language. Comparisons ignore case
// (WideCompareTextLocale).
class TWideStrings {
public:
    TWideStrings() = default;
    virtual ~TWideStrings() = default;
    TWideStrings(const TWideStrings&) = delete;
    TWideStrings& operator=(const TWideStrings&) = delete;

    // To a plain list: its items become this list's texts in the ANSI code page, with their objects.
    void AssignTo(rtl::TStringList& target) const;
    void AssignTo(TWideStrings& target) const { target.Assign(*this); }
    // Replaces the items with those of the source.
    void Assign(const TWideStrings& source);
    void Assign(const rtl::TStringList& source);
    // Asks OnConfirmConversion whether a save may lose characters; `allowed` starts true.
    virtual void DoConfirmConversion(bool& allowed);
    virtual std::u16string Get(int index) const = 0;
    virtual int GetCapacity() const { return GetCount(); }
    virtual int GetCount() const = 0;
    virtual void* GetObject(int index) const { return nullptr; }
    // Every item followed by CR LF, except the last.
    virtual std::u16string GetText() const;
    virtual void Put(int index, std::u16string_view s) = 0;
    virtual void PutObject(int index, void* object) {}
    virtual void SetCapacity(int capacity) {}
    virtual void SetUpdateState(bool updating) {}

    // The index of the new item.
    virtual int Add(std::u16string_view s);
    int AddObject(std::u16string_view s, void* object);
    void AddStrings(const rtl::TStringList& source);
    void AddStrings(const TWideStrings& source);
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    virtual void Exchange(int index1, int index2);
    std::u16string GetSeparatedText(std::u16string_view separator) const;
    // The first item equal to `s` ignoring case, or -1.
    virtual int IndexOf(std::u16string_view s) const;
    virtual void Insert(int index, std::u16string_view s) = 0;
    void InsertObject(int index, std::u16string_view s, void* object);
    virtual void LoadFromFile(const std::string& fileName);
    // Text with a byte-order mark (FF FE or FE FF) is UTF-16 and turns SaveUnicode on; anything else is
    // UTF-8, after a UTF-8 mark (EF BB BF) if there is one, and turns SaveUnicode off.
    virtual void LoadFromStream(rtl::TStream& stream);
    virtual void Move(int curIndex, int newIndex);
    // Writes the file only when the text could be saved (see SaveToStream), with a byte-order mark.
    virtual void SaveToFile(const std::string& fileName);
    // UTF-16 little-endian with SaveUnicode (after FF FE when `withMark`), otherwise the ANSI code page
    // (after EF BB BF when `withMark` and the text was loaded with that mark). Text the code page
    // cannot hold is written only when OnConfirmConversion allows it; otherwise nothing is written.
    virtual void SaveToStream(rtl::TStream& stream, bool withMark = false);
    // Replaces the items with the lines of `text`: a line ends at CR LF, CR, LF, VT, FF, U+2028 or
    // U+2029; a final break adds no empty line.
    virtual void SetText(std::u16string_view text);

    void BeginUpdate();
    void EndUpdate();
    // Same count and ordinally equal texts.
    bool Equals(const TWideStrings& other) const;

    TLocaleId Language() const { return language_; }
    void SetLanguage(TLocaleId language) { language_ = language; }
    bool Saved() const { return saved_; }
    bool SaveUnicode() const { return saveUnicode_; }
    void SetSaveUnicode(bool on) { saveUnicode_ = on; }
    TNormalizationForm NormalizationForm() const { return normalizationForm_; }
    void SetNormalizationForm(TNormalizationForm form) { normalizationForm_ = form; }

    std::function<void(TWideStrings& sender, bool& allowed)> OnConfirmConversion;

protected:
    int UpdateCount() const { return updateCount_; }
    int Compare(std::u16string_view a, std::u16string_view b) const;
    std::u16string Normalized(std::u16string_view s) const;
    int AnsiCodePage() const { return CodePageFromLocale(language_); }

private:
    int updateCount_ = 0;
    TLocaleId language_ = kUserDefaultLocale;
    bool saved_ = false;
    bool saveUnicode_ = true;
    bool utf8Mark_ = false; // the loaded text began with EF BB BF
    TNormalizationForm normalizationForm_ = nfNone;
};

// The concrete list, optionally sorted, with a duplicates mode for sorted lists and change events.
class TWideStringList : public TWideStrings {
public:
    std::u16string Get(int index) const override;
    int GetCapacity() const override { return capacity_; }
    int GetCount() const override { return static_cast<int>(items_.size()); }
    void* GetObject(int index) const override;
    void Put(int index, std::u16string_view s) override;
    void PutObject(int index, void* object) override;
    void SetCapacity(int capacity) override;
    void SetUpdateState(bool updating) override;

    int Add(std::u16string_view s) override;
    void Clear() override;
    void Delete(int index) override;
    int IndexOf(std::u16string_view s) const override;
    void Insert(int index, std::u16string_view s) override;

    // Binary search of a sorted list: true when an equal item exists; `index` is where the search
    // settled (the equal item, or where `s` belongs).
    virtual bool Find(std::u16string_view s, int& index) const;
    // Sorts a list not yet marked sorted.
    virtual void Sort();

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    rtl::TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(rtl::TDuplicates duplicates) { duplicates_ = duplicates; }

    std::function<void(TWideStringList& sender)> OnChange;
    std::function<void(TWideStringList& sender)> OnChanging;

protected:
    virtual void Changed();
    virtual void Changing();
    virtual void InsertItem(int index, std::u16string_view s);

private:
    struct TItem {
        std::u16string text;
        void* object = nullptr;
    };

    void CheckIndex(int index) const;
    void Grow();

    std::vector<TItem> items_;
    int capacity_ = 0;
    bool sorted_ = false;
    rtl::TDuplicates duplicates_ = rtl::dupIgnore;
};

} // namespace core
