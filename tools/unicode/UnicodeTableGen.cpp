// Builds the program's character tables (resource group "UNICODEDATA") from the text files of the
// Unicode Character Database and writes them as C++ byte arrays.
//
// Usage: UnicodeTableGen <ucd-folder> <output.cpp>
//
// Every table covers the Basic Multilingual Plane only. Numbers are little-endian 32-bit integers,
// except the one-byte category ordinal of CATEGORIES.
//   CATEGORIES     records to the end: category (1 byte), range count N, N (first, last) ranges
//   CASE           count N, N records: code point, then case folding, lower, title and upper case,
//                  each a count M and M code points (M = 0: the character maps to itself)
//   DECOMPOSITION  count N, N records: code point (bit 30 set: compatibility), count M, M code points
//   COMBINING      records to the end: combining class, range count N, N (first, last) ranges
//   COMPOSITION    count N, N pairs: key (first << 16 | second), composite; sorted by key
//   NUMBERS        count N, N records: code point, numerator, denominator (signed)

#include "core/uUnicode.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kPlaneSize = 0x10000;
constexpr std::uint32_t kCompatibilityBit = 1u << 30;

// The ordinals written into CATEGORIES are the library's own.
using Category = core::TCharacterCategory;
using enum core::TCharacterCategory;

const std::map<std::string, Category> kGeneralCategories = {
    {"Lu", ccLetterUppercase},       {"Ll", ccLetterLowercase},      {"Lt", ccLetterTitlecase},
    {"Mn", ccMarkNonSpacing},        {"Mc", ccMarkSpacingCombining}, {"Me", ccMarkEnclosing},
    {"Nd", ccNumberDecimalDigit},    {"Nl", ccNumberLetter},         {"No", ccNumberOther},
    {"Zs", ccSeparatorSpace},        {"Zl", ccSeparatorLine},        {"Zp", ccSeparatorParagraph},
    {"Cc", ccOtherControl},          {"Cf", ccOtherFormat},          {"Cs", ccOtherSurrogate},
    {"Co", ccOtherPrivate},          {"Cn", ccOtherUnassigned},      {"Lm", ccLetterModifier},
    {"Lo", ccLetterOther},           {"Pc", ccPunctuationConnector}, {"Pd", ccPunctuationDash},
    {"Ps", ccPunctuationOpen},       {"Pe", ccPunctuationClose},     {"Pi", ccPunctuationInitialQuote},
    {"Pf", ccPunctuationFinalQuote}, {"Po", ccPunctuationOther},     {"Sm", ccSymbolMath},
    {"Sc", ccSymbolCurrency},        {"Sk", ccSymbolModifier},       {"So", ccSymbolOther},
};

// Bidirectional classes. The paragraph separator class (B) counts as a paragraph separator, so line
// breaks are white space; non-spacing marks (NSM) as non-spacing marks; the isolates, newer than
// the category list, as other neutrals.
const std::map<std::string, Category> kBidiClasses = {
    {"L", ccLeftToRight},
    {"LRE", ccLeftToRightEmbedding},
    {"LRO", ccLeftToRightOverride},
    {"R", ccRightToLeft},
    {"AL", ccRightToLeftArabic},
    {"RLE", ccRightToLeftEmbedding},
    {"RLO", ccRightToLeftoverride},
    {"PDF", ccPopDirectionalFormat},
    {"EN", ccEuropeanNumber},
    {"ES", ccEuropeanNumberSeparator},
    {"ET", ccEuropeanNumberTerminator},
    {"AN", ccArabicNumber},
    {"CS", ccCommonNumberSeparator},
    {"BN", ccBoundaryNeutral},
    {"S", ccSegmentSeparator},
    {"WS", ccWhiteSpace},
    {"ON", ccOtherNeutrals},
    {"B", ccSeparatorParagraph},
    {"NSM", ccMarkNonSpacing},
    {"LRI", ccOtherNeutrals},
    {"RLI", ccOtherNeutrals},
    {"FSI", ccOtherNeutrals},
    {"PDI", ccOtherNeutrals},
};

const std::map<std::string, Category> kListedProperties = {
    {"White_Space", ccSpaceOther},
    {"Hex_Digit", ccHexDigit},
    {"Quotation_Mark", ccQuotationMark},
};

[[noreturn]] void Fail(const std::string& message) {
    throw std::runtime_error(message);
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, ';'))
        fields.push_back(Trim(field));
    if (!line.empty() && line.back() == ';') fields.emplace_back();
    return fields;
}

std::uint32_t ParseHex(const std::string& s) {
    std::size_t used = 0;
    const unsigned long value = std::stoul(s, &used, 16);
    if (used != s.size() || value > 0x10FFFF) Fail("bad code point '" + s + "'");
    return static_cast<std::uint32_t>(value);
}

std::u32string ParseCodePoints(const std::string& s) {
    std::u32string result;
    std::istringstream in(s);
    std::string item;
    while (in >> item)
        result.push_back(ParseHex(item));
    return result;
}

// Calls `handle` with the fields of every data line of a UCD file (comments stripped).
void ForEachLine(const std::string& folder, const std::string& file,
                 const std::function<void(const std::vector<std::string>&)>& handle) {
    const std::string path = folder + "/" + file;
    std::ifstream in(path);
    if (!in) Fail("cannot open " + path);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const auto hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        if (Trim(line).empty()) continue;
        try {
            handle(SplitFields(line));
        } catch (const std::exception& e) {
            Fail(path + ":" + std::to_string(number) + ": " + e.what());
        }
    }
}

// "0041" or "0041..005A" as an inclusive range.
std::pair<std::uint32_t, std::uint32_t> ParseRange(const std::string& s) {
    const auto dots = s.find("..");
    if (dots == std::string::npos) {
        const auto cp = ParseHex(s);
        return {cp, cp};
    }
    return {ParseHex(s.substr(0, dots)), ParseHex(s.substr(dots + 2))};
}

struct CaseMappings {
    std::u32string fold, lower, title, upper;
};

struct Decomposition {
    bool compatibility = false;
    std::u32string parts;
};

struct Database {
    std::vector<std::uint64_t> categories = std::vector<std::uint64_t>(kPlaneSize, 0);
    std::map<std::uint32_t, CaseMappings> cases;
    std::map<std::uint32_t, Decomposition> decompositions;
    std::vector<std::uint8_t> combining = std::vector<std::uint8_t>(kPlaneSize, 0);
    std::map<std::uint32_t, std::uint32_t> compositions;
    std::map<std::uint32_t, std::pair<std::int32_t, std::int32_t>> numbers;

    void Mark(std::uint32_t cp, Category category) {
        if (cp < kPlaneSize) categories[cp] |= std::uint64_t{1} << category;
    }
    bool Has(std::uint32_t cp, Category category) const { return (categories[cp] >> category) & 1; }
};

Category Lookup(const std::map<std::string, Category>& map, const std::string& key, const char* what) {
    const auto it = map.find(key);
    if (it == map.end()) Fail(std::string("unknown ") + what + " '" + key + "'");
    return it->second;
}

std::pair<std::int32_t, std::int32_t> ParseNumber(const std::string& s) {
    const auto slash = s.find('/');
    const long long numerator = std::stoll(s.substr(0, slash));
    const long long denominator = slash == std::string::npos ? 1 : std::stoll(s.substr(slash + 1));
    if (numerator < INT32_MIN || numerator > INT32_MAX || denominator <= 0 || denominator > INT32_MAX)
        Fail("numeric value out of range '" + s + "'");
    return {static_cast<std::int32_t>(numerator), static_cast<std::int32_t>(denominator)};
}

// A mapping equal to the character itself is stored as no mapping.
std::u32string Mapping(std::uint32_t cp, std::u32string mapping) {
    if (mapping.size() == 1 && mapping[0] == cp) mapping.clear();
    return mapping;
}

void ReadUnicodeData(const std::string& folder, Database& db) {
    std::uint32_t rangeFirst = 0;
    bool inRange = false;
    ForEachLine(folder, "UnicodeData.txt", [&](const std::vector<std::string>& f) {
        if (f.size() != 15) Fail("expected 15 fields");
        const std::uint32_t cp = ParseHex(f[0]);
        const std::string& name = f[1];
        std::uint32_t first = cp;
        if (name.ends_with(", First>")) {
            rangeFirst = cp;
            inRange = true;
            return;
        }
        if (name.ends_with(", Last>")) {
            if (!inRange) Fail("range end without start");
            first = rangeFirst;
            inRange = false;
        }
        const Category general = Lookup(kGeneralCategories, f[2], "general category");
        const Category bidi = Lookup(kBidiClasses, f[4], "bidirectional class");
        const int combiningClass = std::stoi(f[3]);
        for (std::uint32_t c = first; c <= cp && c < kPlaneSize; ++c) {
            db.Mark(c, general);
            db.Mark(c, bidi);
            db.Mark(c, ccAssigned);
            if (f[9] == "Y") db.Mark(c, ccSymmetric);
            db.combining[c] = static_cast<std::uint8_t>(combiningClass);
        }
        if (first != cp) {
            // Hangul syllables are the only range with (arithmetic) decompositions.
            if (f[1].starts_with("<Hangul Syllable"))
                for (std::uint32_t c = first; c <= cp; ++c)
                    db.Mark(c, ccComposed);
            return;
        }
        if (cp >= kPlaneSize) return;
        if (!f[5].empty()) {
            Decomposition d;
            std::string text = f[5];
            if (text[0] == '<') {
                const auto close = text.find('>');
                if (close == std::string::npos) Fail("bad decomposition tag");
                if (text.substr(0, close + 1) == "<noBreak>") db.Mark(cp, ccNonBreaking);
                text.erase(0, close + 1);
                d.compatibility = true;
            } else {
                db.Mark(cp, ccComposed);
            }
            d.parts = ParseCodePoints(text);
            db.decompositions[cp] = d;
        }
        if (!f[8].empty()) db.numbers[cp] = ParseNumber(f[8]);
        auto& cases = db.cases[cp];
        if (!f[12].empty()) cases.upper = Mapping(cp, ParseCodePoints(f[12]));
        if (!f[13].empty()) cases.lower = Mapping(cp, ParseCodePoints(f[13]));
        // An empty title-case field means the title case is the upper case.
        cases.title = f[14].empty() ? cases.upper : Mapping(cp, ParseCodePoints(f[14]));
    });
    if (inRange) Fail("UnicodeData.txt ends inside a range");
    for (std::uint32_t c = 0; c < kPlaneSize; ++c)
        if (!db.Has(c, ccAssigned)) db.Mark(c, ccOtherUnassigned);
}

// Full case mappings without conditions (language or context) replace the simple ones.
void ReadSpecialCasing(const std::string& folder, Database& db) {
    ForEachLine(folder, "SpecialCasing.txt", [&](const std::vector<std::string>& f) {
        if (f.size() < 4) Fail("expected at least 4 fields");
        if (f.size() > 4 && !f[4].empty()) return;
        const std::uint32_t cp = ParseHex(f[0]);
        if (cp >= kPlaneSize) return;
        auto& cases = db.cases[cp];
        cases.lower = Mapping(cp, ParseCodePoints(f[1]));
        cases.title = Mapping(cp, ParseCodePoints(f[2]));
        cases.upper = Mapping(cp, ParseCodePoints(f[3]));
    });
}

// Common and full case folding.
void ReadCaseFolding(const std::string& folder, Database& db) {
    ForEachLine(folder, "CaseFolding.txt", [&](const std::vector<std::string>& f) {
        if (f.size() < 3) Fail("expected at least 3 fields");
        if (f[1] != "C" && f[1] != "F") return;
        const std::uint32_t cp = ParseHex(f[0]);
        if (cp < kPlaneSize) db.cases[cp].fold = Mapping(cp, ParseCodePoints(f[2]));
    });
}

void ReadPropList(const std::string& folder, Database& db) {
    ForEachLine(folder, "PropList.txt", [&](const std::vector<std::string>& f) {
        if (f.size() < 2) Fail("expected 2 fields");
        const auto it = kListedProperties.find(f[1]);
        if (it == kListedProperties.end()) return;
        const auto [first, last] = ParseRange(f[0]);
        for (std::uint32_t c = first; c <= last; ++c)
            db.Mark(c, it->second);
    });
}

void ReadBidiMirroring(const std::string& folder, Database& db) {
    ForEachLine(folder, "BidiMirroring.txt", [&](const std::vector<std::string>& f) {
        if (f.size() < 2) Fail("expected 2 fields");
        db.Mark(ParseHex(f[0]), ccMirroring);
    });
}

// Canonical pairs that recompose: two-part canonical decompositions not excluded from composition.
void BuildCompositions(const std::string& folder, Database& db) {
    std::vector<bool> excluded(kPlaneSize, false);
    ForEachLine(folder, "DerivedNormalizationProps.txt", [&](const std::vector<std::string>& f) {
        if (f.size() < 2 || f[1] != "Full_Composition_Exclusion") return;
        const auto [first, last] = ParseRange(f[0]);
        for (std::uint32_t c = first; c <= last && c < kPlaneSize; ++c)
            excluded[c] = true;
    });
    for (const auto& [cp, d] : db.decompositions) {
        if (d.compatibility || d.parts.size() != 2 || excluded[cp]) continue;
        if (d.parts[0] >= kPlaneSize || d.parts[1] >= kPlaneSize) continue;
        db.compositions[(d.parts[0] << 16) | d.parts[1]] = cp;
    }
}

class Writer {
public:
    void Byte(std::uint8_t b) { data_.push_back(b); }
    void Int(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            Byte(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void CodePoints(const std::u32string& list) {
        Int(static_cast<std::uint32_t>(list.size()));
        for (const char32_t c : list)
            Int(c);
    }
    const std::vector<std::uint8_t>& Data() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
};

// Inclusive ranges of the code points for which `test` holds.
template <class Test>
std::vector<std::pair<std::uint32_t, std::uint32_t>> Ranges(Test test) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    for (std::uint32_t c = 0; c < kPlaneSize; ++c) {
        if (!test(c)) continue;
        if (!ranges.empty() && ranges.back().second + 1 == c)
            ranges.back().second = c;
        else
            ranges.emplace_back(c, c);
    }
    return ranges;
}

void WriteRanges(Writer& w, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& ranges) {
    w.Int(static_cast<std::uint32_t>(ranges.size()));
    for (const auto& [first, last] : ranges) {
        w.Int(first);
        w.Int(last);
    }
}

Writer Categories(const Database& db) {
    Writer w;
    for (int category = 0; category < core::kCharacterCategoryCount; ++category) {
        const auto ranges = Ranges([&](std::uint32_t c) { return db.Has(c, Category(category)); });
        if (ranges.empty()) continue;
        w.Byte(static_cast<std::uint8_t>(category));
        WriteRanges(w, ranges);
    }
    return w;
}

Writer Cases(const Database& db) {
    std::vector<std::pair<std::uint32_t, const CaseMappings*>> records;
    for (const auto& [cp, m] : db.cases)
        if (!m.fold.empty() || !m.lower.empty() || !m.title.empty() || !m.upper.empty())
            records.emplace_back(cp, &m);
    Writer w;
    w.Int(static_cast<std::uint32_t>(records.size()));
    for (const auto& [cp, m] : records) {
        w.Int(cp);
        w.CodePoints(m->fold);
        w.CodePoints(m->lower);
        w.CodePoints(m->title);
        w.CodePoints(m->upper);
    }
    return w;
}

Writer Decompositions(const Database& db) {
    Writer w;
    w.Int(static_cast<std::uint32_t>(db.decompositions.size()));
    for (const auto& [cp, d] : db.decompositions) {
        w.Int(d.compatibility ? cp | kCompatibilityBit : cp);
        w.CodePoints(d.parts);
    }
    return w;
}

Writer Combining(const Database& db) {
    Writer w;
    for (int cls = 1; cls < 256; ++cls) {
        const auto ranges = Ranges([&](std::uint32_t c) { return db.combining[c] == cls; });
        if (ranges.empty()) continue;
        w.Int(static_cast<std::uint32_t>(cls));
        WriteRanges(w, ranges);
    }
    return w;
}

Writer Compositions(const Database& db) {
    Writer w;
    w.Int(static_cast<std::uint32_t>(db.compositions.size()));
    for (const auto& [key, composite] : db.compositions) {
        w.Int(key);
        w.Int(composite);
    }
    return w;
}

Writer Numbers(const Database& db) {
    Writer w;
    w.Int(static_cast<std::uint32_t>(db.numbers.size()));
    for (const auto& [cp, value] : db.numbers) {
        w.Int(cp);
        w.Int(static_cast<std::uint32_t>(value.first));
        w.Int(static_cast<std::uint32_t>(value.second));
    }
    return w;
}

std::string Version(const std::string& folder) {
    std::ifstream in(folder + "/DerivedAge.txt");
    std::string line;
    if (in && std::getline(in, line) && line.starts_with("# DerivedAge-")) {
        const auto end = line.find(".txt");
        return line.substr(13, end == std::string::npos ? std::string::npos : end - 13);
    }
    return "unknown";
}

void WriteSource(const std::string& path, const std::string& version,
                 const std::vector<std::pair<std::string, Writer>>& tables) {
    std::ostringstream out;
    out << "// Generated by UnicodeTableGen from the Unicode Character Database " << version
        << ". Do not edit.\n\n#include \"core/uUnicodeData.h\"\n\nnamespace core {\nnamespace {\n\n";
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const auto& data = tables[t].second.Data();
        out << "// " << tables[t].first << "\nconst std::uint8_t kTable" << t << "[] = {";
        for (std::size_t i = 0; i < data.size(); ++i)
            out << (i % 24 == 0 ? "\n    " : "") << unsigned(data[i]) << ',';
        out << "\n};\n\n";
    }
    out << "} // namespace\n\nconst TUnicodeResource kUnicodeResources[] = {\n";
    for (std::size_t t = 0; t < tables.size(); ++t)
        out << "    {\"" << tables[t].first << "\", {kTable" << t << ", sizeof kTable" << t << "}},\n";
    out << "};\n\nconst std::size_t kUnicodeResourceCount = " << tables.size()
        << ";\n\n} // namespace core\n";

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << out.str();
    if (!file.flush()) Fail("cannot write " + path);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <ucd-folder> <output.cpp>\n", argv[0]);
        return 2;
    }
    try {
        const std::string folder = argv[1];
        Database db;
        ReadUnicodeData(folder, db);
        ReadSpecialCasing(folder, db);
        ReadCaseFolding(folder, db);
        ReadPropList(folder, db);
        ReadBidiMirroring(folder, db);
        BuildCompositions(folder, db);
        WriteSource(argv[2], Version(folder),
                    {{"CATEGORIES", Categories(db)},
                     {"CASE", Cases(db)},
                     {"DECOMPOSITION", Decompositions(db)},
                     {"COMBINING", Combining(db)},
                     {"COMPOSITION", Compositions(db)},
                     {"NUMBERS", Numbers(db)}});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "UnicodeTableGen: %s\n", e.what());
        return 1;
    }
    return 0;
}
