// Lists of UTF-16 strings and the file and resource streams of the wide controls.
#pragma once

#include "widecontrols/uFiler.h"
#include "widecontrols/uUcUtils.h"

#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace widecontrols {

class TAnsiStringsForWideStringsAdapter;

// An ordered list of UTF-16 strings, each with an object pointer the list does not own. The abstract
// base of the layer's lists: descendants keep the items (a stored list, a control's lines) and the base
// builds text, files, searching, copying and the stored form on the virtual operations.
class TWideStrings : public data::TPersistent, public IStreamedObject {
public:
    // Read as ",", the double quote and "=" until set.
    WideChar Delimiter() const { return Defined(kDelimiter) ? delimiter_ : u','; }
    void SetDelimiter(WideChar c) { Define(kDelimiter, delimiter_, c); }
    WideChar QuoteChar() const { return Defined(kQuoteChar) ? quoteChar_ : u'"'; }
    void SetQuoteChar(WideChar c) { Define(kQuoteChar, quoteChar_, c); }
    WideChar NameValueSeparator() const { return Defined(kNameValueSeparator) ? nameValueSeparator_ : u'='; }
    void SetNameValueSeparator(WideChar c) { Define(kNameValueSeparator, nameValueSeparator_, c); }

    virtual WideString Get(int index) const = 0;
    virtual int GetCapacity() const { return GetCount(); }
    virtual int GetCount() const = 0;
    virtual void* GetObject(int index) const { return nullptr; }
    // Every item followed by CR LF.
    virtual WideString GetTextStr() const;
    virtual void Put(int index, const WideString& s);
    virtual void PutObject(int index, void* object) {}
    virtual void SetCapacity(int capacity) {}
    // Replaces the items by the lines of the text. A line ends at CR, LF, U+2028 or NUL; CR, LF and
    // U+2028 in that order count as one break; the text ends at the first NUL; a final break adds no
    // empty line.
    virtual void SetTextStr(std::u16string_view text);
    virtual void SetUpdateState(bool updating) {}
    // -1, 0 or 1; ignoring case.
    virtual int CompareStrings(const WideString& a, const WideString& b) const;
    virtual int Add(const WideString& s);
    virtual int AddObject(const WideString& s, void* object);
    // 8-bit items in the default code page.
    virtual void AddStrings(const rtl::TStringList& strings);
    virtual void AddWideStrings(const TWideStrings& strings);
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    virtual void Exchange(int index1, int index2);
    virtual int IndexOf(const WideString& s) const;
    // The first item "name<separator>..." whose name compares equal.
    virtual int IndexOfName(const WideString& name) const;
    virtual int IndexOfObject(const void* object) const;
    virtual void Insert(int index, const WideString& s) = 0;
    virtual void InsertObject(int index, const WideString& s, void* object);
    virtual void LoadFromFile(const WideString& fileName);
    // The rest of the stream as UTF-16 little-endian; an odd last byte is not text.
    virtual void LoadFromStream(rtl::TStream& stream);
    virtual void Move(int curIndex, int newIndex);
    virtual void SaveToFile(const WideString& fileName);
    // The text as UTF-16 little-endian, without a byte-order mark.
    virtual void SaveToStream(rtl::TStream& stream);

    // Only the outermost bracket reaches SetUpdateState. An EndUpdate too many is ignored.
    void BeginUpdate();
    void EndUpdate();
    // Same count and the same strings, character by character.
    bool Equals(const TWideStrings& other) const;
    // The items, objects and the three characters of another list. From an 8-bit list the characters
    // are taken as set, so they read back as copied.
    void Assign(const data::TPersistent* source) override;
    void Assign(const TWideStrings& source);
    void Assign(const rtl::TStringList& source);
    void AssignTo(TWideStrings& target) const { target.Assign(*this); }
    // To an 8-bit list in the default code page.
    void AssignTo(rtl::TStringList& target) const;

    // Raises EStringListError with the message formatted with the value.
    [[noreturn]] static void Error(const char* message, int value);

    // "Strings": the items as a list of wide strings; written when they differ from the ancestor's.
    void DefineProperties(TFiler& filer) override;

protected:
    int UpdateCount() const { return updateCount_; }
    void AssignTo(data::TPersistent* dest) const override;
    // The items from a stored "Strings": a list, or one text of lines.
    void ReadStrings(TReader& reader);

private:
    enum TDefined : uint8_t { kDelimiter = 1, kQuoteChar = 2, kNameValueSeparator = 4 };
    bool Defined(TDefined mark) const { return (defined_ & mark) != 0; }
    void Define(TDefined mark, WideChar& slot, WideChar c) {
        defined_ |= mark;
        slot = c;
    }

    uint8_t defined_ = 0;
    WideChar delimiter_ = 0;
    WideChar quoteChar_ = 0;
    WideChar nameValueSeparator_ = 0;
    int updateCount_ = 0;
};

// The character set of a text file.
enum TTextCharSet : uint8_t { tcsAnsi, tcsUnicodeLE, tcsUnicodeBE, tcsUtf8 };

// The character set that the stream's byte-order mark gives (FF FE, FE FF, EF BB BF), and the stream
// after it; without one, tcsAnsi and the stream where it was.
TTextCharSet DetectTextCharSet(rtl::TStream& stream);

// A wide list with text files that carry a byte-order mark, and an 8-bit view of itself.
class TUcStrings : public TWideStrings {
public:
    TUcStrings();
    ~TUcStrings() override;

    TAnsiStringsForWideStringsAdapter& AnsiStrings() const { return *ansiStrings_; }
    void SetAnsiStrings(const rtl::TStringList& value);
    // What the last LoadFromFile found.
    TTextCharSet LastFileCharSet() const { return lastFileCharSet_; }

    void LoadFromFile(const WideString& fileName) override;
    // LoadFromStreamDetect with detection.
    void LoadFromStream(rtl::TStream& stream) override;
    // SaveToStreamWithBom with the mark.
    void SaveToStream(rtl::TStream& stream) override;

    // The rest of the stream as text, in the character set its mark gives (detect) or as UTF-16
    // little-endian.
    virtual void LoadFromStreamDetect(rtl::TStream& stream, bool detect);
    // UTF-16 little-endian, after FF FE when `writeMark`.
    virtual void SaveToStreamWithBom(rtl::TStream& stream, bool writeMark);

    // Also reads the lists that older stored forms hold under "WideStrings", "WideStringsW" (UTF-8)
    // and "WideStrings_UTF7".
    void DefineProperties(TFiler& filer) override;

private:
    std::unique_ptr<TAnsiStringsForWideStringsAdapter> ansiStrings_;
    TTextCharSet lastFileCharSet_ = tcsUnicodeLE;
};

// The stored list: optionally sorted (with a duplicates rule), with change events.
class TUcStringList : public TUcStrings {
public:
    using TStringListSortCompare = std::function<int(TUcStringList& list, int index1, int index2)>;

    WideString Get(int index) const override;
    int GetCapacity() const override { return capacity_; }
    int GetCount() const override { return static_cast<int>(items_.size()); }
    void* GetObject(int index) const override;
    void Put(int index, const WideString& s) override;
    void PutObject(int index, void* object) override;
    // Never below the count.
    void SetCapacity(int capacity) override;
    void SetUpdateState(bool updating) override;
    // Ordinal, or ignoring case when CaseSensitive is off.
    int CompareStrings(const WideString& a, const WideString& b) const override;
    int Add(const WideString& s) override;
    int AddObject(const WideString& s, void* object) override;
    void Clear() override;
    void Delete(int index) override;
    void Exchange(int index1, int index2) override;
    int IndexOf(const WideString& s) const override;
    int IndexOfName(const WideString& name) const override;
    void Insert(int index, const WideString& s) override;
    void InsertObject(int index, const WideString& s, void* object) override;

    // Bisection of a sorted list: whether an equal item exists, and where the search settled (with
    // dupAccept the first equal item).
    virtual bool Find(const WideString& s, int& index) const;
    virtual void Sort();
    // Quicksort of a list that is not sorted.
    virtual void CustomSort(const TStringListSortCompare& compare);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    rtl::TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(rtl::TDuplicates duplicates) { duplicates_ = duplicates; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool on) { caseSensitive_ = on; }

    std::function<void(TUcStringList& sender)> OnChange;
    std::function<void(TUcStringList& sender)> OnChanging;

protected:
    virtual void Changed();
    virtual void Changing();
    virtual void InsertItem(int index, const WideString& s, void* object);

private:
    struct TWideStringItem {
        WideString s;
        void* object = nullptr;
    };

    void CheckIndex(int index, int count) const;
    void QuickSort(int left, int right, const TStringListSortCompare& compare);

    std::vector<TWideStringItem> items_;
    int capacity_ = 0;
    bool updating_ = false;
    bool sorted_ = false;
    rtl::TDuplicates duplicates_ = rtl::dupIgnore;
    bool caseSensitive_ = false;
};

// The 8-bit view of a wide list, converting with its code page (0: the adapters' default).
class TAnsiStringsForWideStringsAdapter {
public:
    TAnsiStringsForWideStringsAdapter(TWideStrings& wideStrings, int codePage = 0)
        : wideStrings_(wideStrings), codePage_(codePage) {}

    int AdapterCodePage() const { return codePage_ != 0 ? codePage_ : AdapterDefaultCodePage; }

    std::string Get(int index) const;
    int GetCount() const { return wideStrings_.GetCount(); }
    void* GetObject(int index) const { return wideStrings_.GetObject(index); }
    void Put(int index, const std::string& s);
    void PutObject(int index, void* object) { wideStrings_.PutObject(index, object); }
    void Clear() { wideStrings_.Clear(); }
    void Delete(int index) { wideStrings_.Delete(index); }
    void Insert(int index, const std::string& s);
    void Assign(const rtl::TStringList& source);
    // All remaining bytes in the given code page become the wide list's text, and back.
    void LoadFromStreamWithCodePage(rtl::TStream& stream, int codePage);
    void SaveToStreamWithCodePage(rtl::TStream& stream, int codePage);

private:
    TWideStrings& wideStrings_;
    int codePage_;
};

// Open modes beyond rtl's: the create mode of the wide file functions.
inline constexpr uint16_t fmCreateWide = 0xFFFF;

// A file opened by wide name; errors name the full path.
class TUcFileStream : public rtl::TFileStream {
public:
    TUcFileStream(const WideString& fileName, uint16_t mode);
};

// A compiled-in resource by wide name and type ("#12" for numbers), read-only.
class TUcResourceStream : public rtl::TMemoryStream {
public:
    // Raises EResNotFound "Resource %s not found".
    TUcResourceStream(const WideString& name, const WideString& type);
    // Raises EStreamError "Can't write to a read-only resource stream".
    int64_t Write(const void* buffer, int64_t count) override;
};

} // namespace widecontrols
