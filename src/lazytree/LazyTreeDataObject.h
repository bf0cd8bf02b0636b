// The data a lazy tree exchanges through the clipboard and drag and drop, in formats.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lazytree {

class TBaseLazyTree;

// Results of the data exchange, with the codes consumers of the system's data transfer know.
enum TDataResult : uint32_t {
    S_OK = 0,
    S_FALSE = 1,
    OLE_S_USEREG = 0x00040000,
    DATA_S_SAMEFORMATETC = 0x00040130,
    E_NOTIMPL = 0x80004001,
    E_FAIL = 0x80004005,
    E_OUTOFMEMORY = 0x8007000E,
    OLE_E_ADVISENOTSUPPORTED = 0x80040003,
    DV_E_LINDEX = 0x80040068,
    DV_E_TYMED = 0x80040069,
    DV_E_FORMATETC = 0x8004006A,
    DV_E_DVASPECT = 0x8004006B,
};

inline constexpr uint32_t DVASPECT_CONTENT = 1;
// Medium kinds, as bits of a mask; only memory blocks carry bytes here.
inline constexpr uint32_t TYMED_HGLOBAL = 1;
inline constexpr uint32_t TYMED_FILE = 2;
inline constexpr uint32_t TYMED_ISTREAM = 4;
inline constexpr uint32_t TYMED_ISTORAGE = 8;
inline constexpr uint32_t TYMED_GDI = 16;
inline constexpr uint32_t TYMED_MFPICT = 32;
inline constexpr uint32_t TYMED_ENHMF = 64;
inline constexpr int DATADIR_GET = 1;
inline constexpr int DATADIR_SET = 2;

// One format a data object offers: its number, and which aspect, index and media of it.
struct TFormatEtc {
    uint16_t Format = 0;
    const void* TargetDevice = nullptr; // none for every format a tree offers
    uint32_t Aspect = DVASPECT_CONTENT;
    int32_t Index = -1;
    uint32_t Tymed = TYMED_HGLOBAL;
};
using TFormatEtcArray = std::vector<TFormatEtc>;

// Equal number, device, aspect and index, and at least one medium kind in common.
bool SameFormat(const TFormatEtc& a, const TFormatEtc& b);

// A medium: its kind and, for a memory block, its bytes.
struct TStgMedium {
    uint32_t Tymed = 0;
    std::string Data;
};

// Whether a tree is of a class (or derives from it): what a registered format is offered by.
using TTreeClass = bool (*)(const TBaseLazyTree* tree);
template <class T>
bool TreeClassOf(const TBaseLazyTree* tree) {
    return dynamic_cast<const T*>(tree) != nullptr;
}

// The process-wide registry of the formats trees render, sorted by priority (lower first).
class TClipboardFormatList {
public:
    struct TEntry {
        std::string Description;
        TTreeClass TreeClass;
        int Priority;
        TFormatEtc FormatEtc;
    };

    // A standard format by number, described by its standard name (1-16) or its registered name
    // (from 17 on); a number without a name adds nothing.
    static void Register(uint16_t format, TTreeClass treeClass, int priority);
    // A named format: the name is registered as a format number, which is returned.
    static uint16_t Register(const std::string& description, TTreeClass treeClass, int priority,
                             int32_t index = -1, uint32_t aspect = DVASPECT_CONTENT,
                             uint32_t tymed = TYMED_HGLOBAL);
    static void Add(TEntry entry);
    // The formats a tree may offer, in priority order; with allowed names only those.
    static TFormatEtcArray Formats(const TBaseLazyTree& tree, const std::vector<std::string>* allowed);
    // The entry of a description (ASCII case ignored), the later in priority order when several.
    static const TEntry* Find(const std::string& description);
    static void Clear();
    static const std::vector<TEntry>& Entries();
};

// A tree's own list of the format names it may offer: sorted, unique, and only names registered
// for the tree's class.
class TClipboardFormats {
public:
    explicit TClipboardFormats(const TBaseLazyTree& owner) : owner_(owner) {}
    // The name's index, or -1 for a name unknown or registered for another class of tree.
    int Add(const std::string& name);
    void Clear() { names_.clear(); }
    const std::vector<std::string>& Names() const { return names_; }

private:
    bool Accepts(const std::string& name) const;
    const TBaseLazyTree& owner_;
    std::vector<std::string> names_;
};

// Hands a format list out one by one.
class TEnumFormatEtc {
public:
    explicit TEnumFormatEtc(TFormatEtcArray formats) : formats_(std::move(formats)) {}
    TDataResult Next(uint32_t count, TFormatEtc* formats, uint32_t* fetched);
    TDataResult Skip(uint32_t count);
    TDataResult Reset();
    TDataResult Clone(std::unique_ptr<TEnumFormatEtc>& enumerator) const;

private:
    TFormatEtcArray formats_;
    std::size_t position_ = 0;
};

// What a tree hands to a drag or the clipboard: the formats it offers, rendered only when asked
// for, and whatever a consumer stores in it.
class TVTDataObject {
public:
    // Renders a format the object offers and holds no stored medium for.
    using TRenderEvent =
        std::function<TDataResult(const TFormatEtc& format, TStgMedium& medium, bool forClipboard)>;

    TVTDataObject(TFormatEtcArray formats, bool forClipboard, TRenderEvent render)
        : formats_(std::move(formats)), forClipboard_(forClipboard), render_(std::move(render)) {}

    TDataResult QueryGetData(const TFormatEtc& format) const;
    // A request that passes QueryGetData but equals no offered format (it names a target device)
    // fails: nothing would fill the medium.
    TDataResult GetData(const TFormatEtc& format, TStgMedium& medium);
    TDataResult GetDataHere(const TFormatEtc&, TStgMedium&) { return E_NOTIMPL; }
    TDataResult GetCanonicalFormatEtc(const TFormatEtc&, TFormatEtc&) const { return DATA_S_SAMEFORMATETC; }
    // Stores a medium for a format, replacing an earlier one; a new format joins the offered list.
    TDataResult SetData(const TFormatEtc& format, const TStgMedium& medium);
    TDataResult EnumFormatEtc(int direction, std::unique_ptr<TEnumFormatEtc>& enumerator) const;
    const TFormatEtcArray& Formats() const { return formats_; }
    bool ForClipboard() const { return forClipboard_; }

private:
    TFormatEtcArray formats_;
    bool forClipboard_;
    TRenderEvent render_;
    std::vector<std::pair<uint16_t, TStgMedium>> stored_;
};

} // namespace lazytree
