#include "core/uUnicodeData.h"

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/rtl/Format.h"

namespace core {

namespace {

constexpr char32_t kLastTableCode = 0xFFFF;
constexpr std::uint32_t kCompatibilityBit = 1u << 30;
constexpr int kCategoryCount = 55;

// Per-character data in 256 pages selected by the high byte; a page exists once one of its
// characters has data.
template <class T>
class TUnicodePages {
public:
    const T* Find(char32_t code) const {
        if (code > kLastTableCode) return nullptr;
        const auto& page = pages_[code >> 8];
        return page ? &(*page)[code & 0xFF] : nullptr;
    }
    T& Ensure(char32_t code) {
        auto& page = pages_[code >> 8];
        if (!page) page = std::make_unique<std::array<T, 256>>();
        return (*page)[code & 0xFF];
    }

private:
    std::array<std::unique_ptr<std::array<T, 256>>, 256> pages_;
};

// Reads the little-endian numbers of a table; running past its end means the table is corrupt.
class TTableReader {
public:
    explicit TTableReader(std::span<const std::uint8_t> data) : data_(data) {}

    bool AtEnd() const { return pos_ >= data_.size(); }
    std::uint8_t Byte() {
        RTL_ASSERT_MSG(pos_ < data_.size(), "Unicode table truncated");
        return data_[pos_++];
    }
    std::uint32_t Int() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= std::uint32_t{Byte()} << (8 * i);
        return value;
    }
    std::u32string CodePoints() {
        std::u32string list(Int(), U'\0');
        for (auto& c : list)
            c = Int();
        return list;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

// Loads `Table` with `Load` on first use; the table becomes visible only once it is complete.
template <class Table, Table (*Load)()>
const Table& Loaded() {
    static std::once_flag once;
    static std::unique_ptr<const Table> table;
    std::call_once(once, [] { table = std::make_unique<const Table>(Load()); });
    return *table;
}

using TCategoryTable = TUnicodePages<std::uint64_t>;

TCategoryTable LoadCategories() {
    TCategoryTable table;
    TTableReader in(UnicodeResource("CATEGORIES"));
    while (!in.AtEnd()) {
        const int category = in.Byte();
        const std::uint32_t count = in.Int();
        for (std::uint32_t i = 0; i < count; ++i) {
            const char32_t first = in.Int();
            const char32_t last = std::min<char32_t>(in.Int(), kLastTableCode);
            if (category >= kCategoryCount) continue;
            for (char32_t c = first; c <= last; ++c)
                table.Ensure(c) |= std::uint64_t{1} << category;
        }
    }
    return table;
}

using TCaseTable = TUnicodePages<TCaseMapping>;

TCaseTable LoadCases() {
    TCaseTable table;
    TTableReader in(UnicodeResource("CASE"));
    for (std::uint32_t n = in.Int(); n > 0; --n) {
        const char32_t code = in.Int();
        RTL_ASSERT_MSG(code <= kLastTableCode, "cased Unicode character > $FFFF found");
        auto& mapping = table.Ensure(code);
        mapping.fold = in.CodePoints();
        mapping.lower = in.CodePoints();
        mapping.title = in.CodePoints();
        mapping.upper = in.CodePoints();
    }
    // Plain ASCII i and I map to each other whatever language-specific rule the data carries.
    table.Ensure(U'i').title = table.Ensure(U'i').upper = U"I";
    table.Ensure(U'I').lower = U"i";
    return table;
}

struct TDecompositionTable {
    TUnicodePages<std::u32string> canonical, compatibility;
};

TDecompositionTable LoadDecompositions() {
    TDecompositionTable table;
    TTableReader in(UnicodeResource("DECOMPOSITION"));
    for (std::uint32_t n = in.Int(); n > 0; --n) {
        const std::uint32_t key = in.Int();
        const char32_t code = key & ~kCompatibilityBit;
        RTL_ASSERT_MSG(code <= kLastTableCode, "decomposed Unicode character > $FFFF found");
        auto& pages = key & kCompatibilityBit ? table.compatibility : table.canonical;
        pages.Ensure(code) = in.CodePoints();
    }
    return table;
}

using TCombiningTable = TUnicodePages<std::uint8_t>;

TCombiningTable LoadCombiningClasses() {
    TCombiningTable table;
    TTableReader in(UnicodeResource("COMBINING"));
    while (!in.AtEnd()) {
        const std::uint32_t combiningClass = in.Int();
        for (std::uint32_t n = in.Int(); n > 0; --n) {
            const char32_t first = in.Int();
            const char32_t last = in.Int();
            RTL_ASSERT_MSG(last <= kLastTableCode, "combining class for Unicode character > $FFFF found");
            for (char32_t c = first; c <= last; ++c)
                table.Ensure(c) = static_cast<std::uint8_t>(combiningClass);
        }
    }
    return table;
}

// (first << 16 | second, composite), sorted by key.
using TCompositionTable = std::vector<std::pair<std::uint32_t, char32_t>>;

TCompositionTable LoadCompositions() {
    TCompositionTable table;
    TTableReader in(UnicodeResource("COMPOSITION"));
    table.resize(in.Int());
    for (auto& [key, composite] : table) {
        key = in.Int();
        composite = in.Int();
    }
    RTL_ASSERT_MSG(std::is_sorted(table.begin(), table.end()), "Unicode composition table not sorted");
    return table;
}

} // namespace

std::span<const std::uint8_t> UnicodeResource(std::string_view name) {
    for (std::size_t i = 0; i < kUnicodeResourceCount; ++i)
        if (name == kUnicodeResources[i].name) return kUnicodeResources[i].data;
    throw EResNotFound(rtl::Format("Resource %s not found", name));
}

std::uint64_t CharacterCategoryBits(char32_t code) {
    const auto* bits = Loaded<TCategoryTable, LoadCategories>().Find(code);
    return bits ? *bits : 0;
}

const TCaseMapping* CharacterCaseMapping(char32_t code) {
    const auto* mapping = Loaded<TCaseTable, LoadCases>().Find(code);
    if (!mapping ||
        (mapping->fold.empty() && mapping->lower.empty() && mapping->title.empty() && mapping->upper.empty()))
        return nullptr;
    return mapping;
}

std::u32string_view CharacterDecomposition(char32_t code, bool compatibility) {
    const auto& table = Loaded<TDecompositionTable, LoadDecompositions>();
    const auto* parts = (compatibility ? table.compatibility : table.canonical).Find(code);
    return parts ? std::u32string_view(*parts) : std::u32string_view();
}

std::uint8_t CharacterCombiningClass(char32_t code) {
    const auto* combiningClass = Loaded<TCombiningTable, LoadCombiningClasses>().Find(code);
    return combiningClass ? *combiningClass : 0;
}

char32_t CharacterComposite(char32_t first, char32_t second) {
    if (first > kLastTableCode || second > kLastTableCode) return 0;
    const auto& table = Loaded<TCompositionTable, LoadCompositions>();
    const std::uint32_t key = (std::uint32_t{first} << 16) | second;
    const auto it = std::lower_bound(table.begin(), table.end(), key,
                                     [](const auto& entry, std::uint32_t k) { return entry.first < k; });
    return it != table.end() && it->first == key ? it->second : 0;
}

} // namespace core
