#include "lazytree/LazyTreeDataObject.h"
#include "platform/ui/Clipboard.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace lazytree {

namespace {

constexpr std::array<const char*, 16> kStandardFormatNames = {"Plain text",
                                                              "Windows bitmap",
                                                              "Windows metafile",
                                                              "Symbolic link",
                                                              "Data interchange format",
                                                              "Tiff image",
                                                              "OEM text",
                                                              "DIB image",
                                                              "Palette data",
                                                              "Pen data",
                                                              "Riff audio data",
                                                              "Wav audio data",
                                                              "Unicode text",
                                                              "Enhanced metafile image",
                                                              "File name(s)",
                                                              "Locale descriptor"};

bool SameAsciiText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::vector<TClipboardFormatList::TEntry>& Registry() {
    static std::vector<TClipboardFormatList::TEntry> entries;
    return entries;
}

} // namespace

bool SameFormat(const TFormatEtc& a, const TFormatEtc& b) {
    return a.Format == b.Format && a.TargetDevice == b.TargetDevice && a.Aspect == b.Aspect &&
           a.Index == b.Index && (a.Tymed & b.Tymed) != 0;
}

// ---- The registry ----

void TClipboardFormatList::Register(uint16_t format, TTreeClass treeClass, int priority) {
    const std::string description = format == 0 ? std::string()
                                    : format <= kStandardFormatNames.size()
                                        ? kStandardFormatNames[format - 1]
                                        : ui::GetClipboardFormatName(format);
    if (description.empty()) return;
    Add({description, treeClass, priority, TFormatEtc{format}});
}

uint16_t TClipboardFormatList::Register(const std::string& description, TTreeClass treeClass, int priority,
                                        int32_t index, uint32_t aspect, uint32_t tymed) {
    const auto format = static_cast<uint16_t>(ui::RegisterClipboardFormat(description));
    Add({description, treeClass, priority, TFormatEtc{format, nullptr, aspect, index, tymed}});
    return format;
}

void TClipboardFormatList::Add(TEntry entry) {
    std::vector<TEntry>& entries = Registry();
    entries.push_back(std::move(entry));
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TEntry& a, const TEntry& b) { return a.Priority < b.Priority; });
}

TFormatEtcArray TClipboardFormatList::Formats(const TBaseLazyTree& tree,
                                              const std::vector<std::string>* allowed) {
    TFormatEtcArray result;
    for (const TEntry& entry : Registry())
        if (entry.TreeClass(&tree) &&
            (!allowed || std::find(allowed->begin(), allowed->end(), entry.Description) != allowed->end()))
            result.push_back(entry.FormatEtc);
    return result;
}

const TClipboardFormatList::TEntry* TClipboardFormatList::Find(const std::string& description) {
    const std::vector<TEntry>& entries = Registry();
    for (auto run = entries.rbegin(); run != entries.rend(); ++run)
        if (SameAsciiText(run->Description, description)) return &*run;
    return nullptr;
}

void TClipboardFormatList::Clear() {
    Registry().clear();
}

const std::vector<TClipboardFormatList::TEntry>& TClipboardFormatList::Entries() {
    return Registry();
}

// ---- A tree's formats ----

bool TClipboardFormats::Accepts(const std::string& name) const {
    const TClipboardFormatList::TEntry* entry = TClipboardFormatList::Find(name);
    return entry && entry->TreeClass(&owner_);
}

int TClipboardFormats::Add(const std::string& name) {
    if (!Accepts(name)) return -1;
    auto at = std::lower_bound(names_.begin(), names_.end(), name);
    if (at == names_.end() || *at != name) at = names_.insert(at, name);
    return static_cast<int>(at - names_.begin());
}

// ---- The enumerator ----

TDataResult TEnumFormatEtc::Next(uint32_t count, TFormatEtc* formats, uint32_t* fetched) {
    const auto n = static_cast<uint32_t>(std::min<std::size_t>(count, formats_.size() - position_));
    std::copy_n(formats_.begin() + static_cast<std::ptrdiff_t>(position_), n, formats);
    position_ += n;
    if (fetched) *fetched = n;
    return n > 0 ? S_OK : S_FALSE;
}

TDataResult TEnumFormatEtc::Skip(uint32_t count) {
    if (position_ + count > formats_.size()) return S_FALSE;
    position_ += count;
    return S_OK;
}

TDataResult TEnumFormatEtc::Reset() {
    position_ = 0;
    return S_OK;
}

TDataResult TEnumFormatEtc::Clone(std::unique_ptr<TEnumFormatEtc>& enumerator) const {
    enumerator = std::make_unique<TEnumFormatEtc>(formats_);
    enumerator->position_ = position_;
    return S_OK;
}

// ---- The data object ----

TDataResult TVTDataObject::QueryGetData(const TFormatEtc& format) const {
    TDataResult result = DV_E_FORMATETC;
    for (const TFormatEtc& offered : formats_) {
        if (offered.Format != format.Format) continue;
        if ((offered.Tymed & format.Tymed) == 0)
            result = DV_E_TYMED;
        else if (offered.Aspect != format.Aspect)
            result = DV_E_DVASPECT;
        else if (offered.Index != format.Index)
            result = DV_E_LINDEX;
        else
            return S_OK;
    }
    return result;
}

TDataResult TVTDataObject::GetData(const TFormatEtc& format, TStgMedium& medium) {
    try {
        const TDataResult result = QueryGetData(format);
        if (result != S_OK) return result;
        const auto offered = std::find_if(formats_.begin(), formats_.end(),
                                          [&](const TFormatEtc& f) { return SameFormat(f, format); });
        if (offered == formats_.end()) return DV_E_FORMATETC;
        for (const auto& [number, stored] : stored_)
            if (number == offered->Format) {
                medium = stored;
                return S_OK;
            }
        return render_ ? render_(*offered, medium, forClipboard_) : E_FAIL;
    } catch (...) {
        medium = {};
        return E_FAIL;
    }
}

TDataResult TVTDataObject::SetData(const TFormatEtc& format, const TStgMedium& medium) {
    if ((medium.Tymed & (TYMED_HGLOBAL | TYMED_FILE)) == 0) return DV_E_TYMED;
    const bool offered = std::any_of(formats_.begin(), formats_.end(),
                                     [&](const TFormatEtc& f) { return SameFormat(f, format); });
    if (!offered) formats_.push_back(format);
    // A format offered for rendering gets a stored medium too: what a consumer stores wins.
    for (auto& [number, stored] : stored_)
        if (number == format.Format) {
            stored = medium;
            return S_OK;
        }
    stored_.emplace_back(format.Format, medium);
    return S_OK;
}

TDataResult TVTDataObject::EnumFormatEtc(int direction, std::unique_ptr<TEnumFormatEtc>& enumerator) const {
    enumerator.reset();
    if (direction != DATADIR_GET) return OLE_S_USEREG;
    enumerator = std::make_unique<TEnumFormatEtc>(formats_);
    return S_OK;
}

} // namespace lazytree
