#include "core/uRegExpr.h"

#include <algorithm>
#include <bitset>
#include <climits>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/rtl/Format.h"

namespace core {

namespace {

enum ErrorCode {
    reeCompParseRegTooManyBrackets = 102,
    reeCompParseRegUnmatchedBrackets = 103,
    reeCompParseRegUnmatchedBrackets2 = 104,
    reePlusStarOperandCouldBeEmpty = 106,
    reeNestedSQP = 107,
    reeBadHexDigit = 108,
    reeInvalidRange = 109,
    reeParseAtomTrailingBackSlash = 110,
    reeNoHexCodeAfterBSlashX = 111,
    reeHexCodeAfterBSlashXTooBig = 112,
    reeUnmatchedSqBrackets = 113,
    reeQPSBFollowsNothing = 115,
    reeTrailingBackSlash = 116,
    reeBRACESArgTooBig = 122,
    reeBracesMinParamGreaterMax = 124,
    reeUnclosedComment = 125,
    reeUrecognizedModifier = 127,
    reeBadLinePairedSeparator = 128,
    reeNoExpression = 1003,
    reeLoopStackExceeded = 1014,
    reeBacktrackStackExceeded = 1016,
};

struct ErrorText {
    int code;
    const char* text;
};

const ErrorText kErrorTexts[] = {
    {0, "No errors"},
    {100, "TRegExpr(comp): Null Argument"},
    {101, "TRegExpr(comp): Regexp Too Big"},
    {102, "TRegExpr(comp): ParseReg Too Many ()"},
    {103, "TRegExpr(comp): ParseReg Unmatched ()"},
    {104, "TRegExpr(comp): ParseReg Unmatched ()"},
    {105, "TRegExpr(comp): ParseReg Junk On End"},
    {106, "TRegExpr(comp): *+ Operand Could Be Empty"},
    {107, "TRegExpr(comp): Nested *?+"},
    {108, "TRegExpr(comp): Bad Hex Digit"},
    {109, "TRegExpr(comp): Invalid [] Range"},
    {110, "TRegExpr(comp): Parse Atom Trailing \\"},
    {111, "TRegExpr(comp): No Hex Code After \\x"},
    {112, "TRegExpr(comp): Hex Code After \\x Is Too Big"},
    {113, "TRegExpr(comp): Unmatched []"},
    {114, "TRegExpr(comp): Internal Urp"},
    {115, "TRegExpr(comp): ?+*{ Follows Nothing"},
    {116, "TRegExpr(comp): Trailing \\"},
    {119, "TRegExpr(comp): RarseAtom Internal Disaster"},
    {122, "TRegExpr(comp): BRACES Argument Too Big"},
    {124, "TRegExpr(comp): BRACE Min Param Greater then Max"},
    {125, "TRegExpr(comp): Unclosed (?#Comment)"},
    {126, "TRegExpr(comp): If you want take part in beta-testing BRACES '{min,max}' and non-greedy ops "
          "'*?', '+?', '?\?' for complex cases - remove '.' from {.$DEFINE ComplexBraces}"},
    {127, "TRegExpr(comp): Urecognized Modifier"},
    {128, "TRegExpr(comp): LinePairedSeparator must countain two different chars or no chars at all"},
    {1000, "TRegExpr(exec): RegRepeat Called Inappropriately"},
    {1001, "TRegExpr(exec): MatchPrim Memory Corruption"},
    {1002, "TRegExpr(exec): MatchPrim Corrupted Pointers"},
    {1003, "TRegExpr(exec): Not Assigned Expression Property"},
    {1004, "TRegExpr(exec): Corrupted Program"},
    {1005, "TRegExpr(exec): No Input String Specified"},
    {1006, "TRegExpr(exec): Offset Must Be Greater Then 0"},
    {1007, "TRegExpr(exec): ExecNext Without Exec[Pos]"},
    {1008, "TRegExpr(exec): GetInputString Without InputString"},
    {1011, "TRegExpr(dump): Corrupted Opcode"},
    {1014, "TRegExpr(exec): Loop Stack Exceeded"},
    {1015, "TRegExpr(exec): Loop Without LoopEntry !"},
    {1016, "TRegExpr(exec): Backtrack Stack Exceeded"},
    {2000, "TRegExpr(misc): Bad p-code imported"},
};

enum ModifierBit : unsigned { modI = 1, modR = 2, modS = 4, modG = 8, modM = 16, modX = 32 };

constexpr unsigned kDefaultModifiers = modR | modS | modG;
constexpr int kMaxGroups = TRegExpr::SubMatchCount - 1;
constexpr int kInfinite = 2147483646; // the maximum of an open repetition
constexpr size_t kMaxBraceDigits = 8;
constexpr int kMaxLoopNesting = 10; // nesting of brace and non-greedy loops over complex atoms
// Matching keeps its choice points on the heap, never on the call stack; this bounds that memory
// (16 bytes an entry) so that a pathological subject fails clearly instead of exhausting it.
constexpr size_t kMaxBacktrackEntries = size_t(1) << 23;

[[noreturn]] void RaiseError(int code, int compilePos) {
    std::string message = TRegExpr::ErrorMsg(code);
    if (code < 1000) message = rtl::Format("%s (pos %d)", message, compilePos);
    throw ERegExpr(message, code, compilePos);
}

// The bit of a modifier letter (either case), 0 for any other character.
unsigned ModifierOfLetter(char letter) {
    constexpr std::string_view letters = "irsgmx"; // in the order of their bits
    size_t index = letters.find(static_cast<char>(letter | 0x20));
    return index == std::string_view::npos ? 0 : 1u << index;
}

// Case mapping of bytes. There is no 8-bit system code page to ask, so: ASCII letters always;
// above 0x7F the Latin-1 letters (0xC0-0xDE <-> 0xE0-0xFE without 0xD7 and 0xF7), or under
// modifier r the cp1251 Cyrillic letters instead (0xC0-0xDF <-> 0xE0-0xFF, 0xA8 <-> 0xB8).
unsigned char UpperCase(unsigned char c, bool cyrillic) {
    if (c >= 'a' && c <= 'z') return c - 0x20;
    if (cyrillic) {
        if (c >= 0xE0) return c - 0x20;
        return c == 0xB8 ? 0xA8 : c;
    }
    return c >= 0xE0 && c <= 0xFE && c != 0xF7 ? c - 0x20 : c;
}

unsigned char LowerCase(unsigned char c, bool cyrillic) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (cyrillic) {
        if (c >= 0xC0 && c <= 0xDF) return c + 0x20;
        return c == 0xA8 ? 0xB8 : c;
    }
    return c >= 0xC0 && c <= 0xDE && c != 0xD7 ? c + 0x20 : c;
}

unsigned char InvertCase(unsigned char c, bool cyrillic) {
    unsigned char upper = UpperCase(c, cyrillic);
    return upper != c ? upper : LowerCase(c, cyrillic);
}

using CharSet = std::bitset<256>;

CharSet SetOf(std::string_view chars) {
    CharSet set;
    for (unsigned char c : chars)
        set.set(c);
    return set;
}

CharSet DigitSet() {
    return SetOf("0123456789");
}

enum AssertKind { asStart, asEnd, asLineStart, asLineEnd, asWordBoundary, asNotWordBoundary };

// Parsed form of an expression.
struct Node {
    enum Kind { nkChars, nkAssert, nkBackref, nkGroup, nkConcat, nkAlternation, nkRepeat };

    explicit Node(Kind k) : kind(k) {}

    Kind kind;
    bool nullable = false;                          // can match the empty string
    CharSet chars;                                  // nkChars: the set one character comes from
    int value = 0;                                  // nkAssert: AssertKind; nkBackref, nkGroup: group number
    bool caseInsensitive = false, cyrillic = false; // nkBackref
    int min = 0, max = 0;                           // nkRepeat
    bool greedy = true, braces = false;             // nkRepeat
    std::vector<std::unique_ptr<Node>> kids;
};

using NodePtr = std::unique_ptr<Node>;

// The single byte a node matches case-sensitively, or -1.
int LiteralByte(const Node& node) {
    if (node.kind != Node::nkChars || node.chars.count() != 1) return -1;
    for (int c = 0; c < 256; ++c) {
        if (node.chars.test(c)) return c;
    }
    return -1;
}

enum class Op : std::uint8_t {
    Chars,     // a: set; consumes one character of the set
    Assert,    // a: AssertKind
    Backref,   // a: group, b: case-insensitive, c: cyrillic case mapping
    Save,      // a: submatch slot := position
    Split,     // go to a, on failure to b
    Jump,      // a: target
    Repeat,    // a: set, b: min, c: max; a single-character atom repeated in place
    LoopInit,  // a: counter slot, b: loop nesting depth (0 when it does not count)
    LoopTest,  // a: counter slot, b: min, c: max, d: exit; the body follows
    IterStart, // a: slot := position where this iteration started
    LoopNext,  // a: counter slot, b: iteration start slot, c: LoopTest, d: exit
    Match,
};

struct Inst {
    Op op;
    int a = 0, b = 0, c = 0, d = 0;
    bool greedy = true;
};

} // namespace

struct TRegExpr::Program {
    unsigned modifiers = 0; // the modifiers it was compiled with
    std::vector<Inst> code;
    std::vector<CharSet> sets;
    int slotCount = 2 * SubMatchCount; // submatch slots, then loop counters and iteration starts
    CharSet wordChars, lineSeparators;
    int pairedHead = -1, pairedTail = -1;
    // Shortcuts: match only at the start; first character of every match; text every match holds.
    bool anchored = false;
    int firstByte = -1;
    std::string mustContain;
};

namespace {

class Compiler {
public:
    Compiler(std::string_view expression, unsigned modifiers, const CharSet& spaces, const CharSet& words,
             const CharSet& lineSeparators, std::string_view pairedSeparator)
        : expr_(expression), modifiers_(modifiers), spaces_(spaces), words_(words) {
        CharSet lineBreaks = lineSeparators;
        for (unsigned char c : pairedSeparator)
            lineBreaks.set(c);
        anyButLineBreak_ = ~lineBreaks;
        program_ = std::make_unique<TRegExpr::Program>();
        program_->modifiers = modifiers;
        program_->wordChars = words;
        program_->lineSeparators = lineSeparators;
        if (pairedSeparator.size() == 2) {
            program_->pairedHead = static_cast<unsigned char>(pairedSeparator[0]);
            program_->pairedTail = static_cast<unsigned char>(pairedSeparator[1]);
        }
    }

    std::unique_ptr<TRegExpr::Program> Compile() {
        NodePtr root = ParseAlternation();
        if (!AtEnd()) Fail(reeCompParseRegUnmatchedBrackets2); // only ")" stops the top level
        Emit({Op::Save, 0});
        Generate(*root, 0);
        Emit({Op::Save, 1});
        Emit({Op::Match});
        FindShortcuts(*root);
        return std::move(program_);
    }

private:
    [[noreturn]] void Fail(int code) const { RaiseError(code, static_cast<int>(pos_) + 1); }

    bool AtEnd() const { return pos_ >= expr_.size(); }
    bool Has(size_t ahead) const { return pos_ + ahead < expr_.size(); }
    unsigned char Peek(size_t ahead = 0) const { return static_cast<unsigned char>(expr_[pos_ + ahead]); }
    bool Is(char c) const { return !AtEnd() && Peek() == static_cast<unsigned char>(c); }
    bool On(unsigned modifier) const { return (modifiers_ & modifier) != 0; }

    // ---- parsing

    // Blanks and "#" comments under modifier x, and "(?#...)" comments, between tokens.
    void SkipIgnorable() {
        while (!AtEnd()) {
            unsigned char c = Peek();
            if (On(modX) && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
                ++pos_;
            } else if (On(modX) && c == '#') {
                while (!AtEnd() && !Is('\r') && !Is('\n'))
                    ++pos_;
            } else if (c == '(' && Has(2) && Peek(1) == '?' && Peek(2) == '#') {
                size_t close = expr_.find(')', pos_ + 3);
                if (close == std::string_view::npos) Fail(reeUnclosedComment);
                pos_ = close + 1;
            } else {
                return;
            }
        }
    }

    NodePtr ParseAlternation() {
        NodePtr first = ParseSequence();
        if (!Is('|')) return first;
        auto alternation = std::make_unique<Node>(Node::nkAlternation);
        alternation->nullable = first->nullable;
        alternation->kids.push_back(std::move(first));
        while (Is('|')) {
            ++pos_;
            NodePtr branch = ParseSequence();
            alternation->nullable = alternation->nullable || branch->nullable;
            alternation->kids.push_back(std::move(branch));
        }
        return alternation;
    }

    NodePtr ParseSequence() {
        auto sequence = std::make_unique<Node>(Node::nkConcat);
        sequence->nullable = true;
        for (;;) {
            SkipIgnorable();
            if (AtEnd() || Is('|') || Is(')')) break;
            if (Is('(') && Has(1) && Peek(1) == '?') {
                ParseModifiers();
                continue;
            }
            NodePtr item = ParseQuantifier(ParseAtom());
            sequence->nullable = sequence->nullable && item->nullable;
            sequence->kids.push_back(std::move(item));
        }
        return sequence;
    }

    // "(?i-gx)": switches modifiers up to the end of the enclosing group.
    void ParseModifiers() {
        pos_ += 2;
        bool on = true;
        for (;;) {
            if (AtEnd()) Fail(reeCompParseRegUnmatchedBrackets);
            unsigned char c = Peek();
            if (c == ')') break;
            if (c == '-') {
                on = false;
            } else {
                unsigned bit = ModifierOfLetter(static_cast<char>(c));
                if (bit == 0) Fail(reeUrecognizedModifier);
                modifiers_ = on ? modifiers_ | bit : modifiers_ & ~bit;
            }
            ++pos_;
        }
        ++pos_;
    }

    NodePtr ParseAtom() {
        unsigned char c = Peek();
        switch (c) {
        case '^':
            ++pos_;
            return Assert(On(modM) ? asLineStart : asStart);
        case '$':
            ++pos_;
            return Assert(On(modM) ? asLineEnd : asEnd);
        case '.':
            ++pos_;
            return Chars(On(modS) ? ~CharSet() : anyButLineBreak_);
        case '[':
            ++pos_;
            return ParseClass();
        case '(':
            return ParseGroup();
        case '\\':
            return ParseEscape();
        case '*':
        case '+':
        case '?':
            Fail(reeQPSBFollowsNothing);
        case '{':
            if (BracesLength() > 0) Fail(reeQPSBFollowsNothing);
            [[fallthrough]];
        default:
            ++pos_;
            return Literal(c);
        }
    }

    NodePtr ParseGroup() {
        if (groupCount_ >= kMaxGroups) Fail(reeCompParseRegTooManyBrackets);
        auto group = std::make_unique<Node>(Node::nkGroup);
        group->value = ++groupCount_;
        ++pos_;
        unsigned outerModifiers = modifiers_;
        NodePtr inner = ParseAlternation();
        if (AtEnd()) Fail(reeCompParseRegUnmatchedBrackets);
        ++pos_;
        modifiers_ = outerModifiers;
        group->nullable = inner->nullable;
        group->kids.push_back(std::move(inner));
        return group;
    }

    NodePtr ParseEscape() {
        ++pos_;
        if (AtEnd()) Fail(reeTrailingBackSlash);
        unsigned char c = Peek();
        switch (c) {
        case 'b':
            ++pos_;
            return Assert(asWordBoundary);
        case 'B':
            ++pos_;
            return Assert(asNotWordBoundary);
        case 'A':
            ++pos_;
            return Assert(asStart);
        case 'Z':
            ++pos_;
            return Assert(asEnd);
        default:
            break;
        }
        if (c >= '1' && c <= '9') {
            ++pos_;
            auto backref = std::make_unique<Node>(Node::nkBackref);
            backref->value = c - '0';
            backref->caseInsensitive = On(modI);
            backref->cyrillic = On(modR);
            return backref;
        }
        CharSet set;
        if (ParseClassEscape(set)) return Chars(set);
        return Literal(ParseEscapedChar());
    }

    // The letter of "\d", "\D", "\s", "\S", "\w" or "\W".
    static bool IsClassEscape(unsigned char c) {
        return std::string_view("dDsSwW").find(c) != std::string_view::npos;
    }

    // Reads such an escape (the position just after the backslash) into `set`; false for others.
    bool ParseClassEscape(CharSet& set) {
        unsigned char c = Peek();
        if (!IsClassEscape(c)) return false;
        ++pos_;
        CharSet base = c == 'd' || c == 'D' ? DigitSet() : c == 's' || c == 'S' ? spaces_ : words_;
        set = c >= 'a' ? base : ~base;
        return true;
    }

    // The character an escape stands for, the position just after the backslash.
    unsigned char ParseEscapedChar() {
        unsigned char c = Peek();
        ++pos_;
        switch (c) {
        case 'a':
            return 7;
        case 'e':
            return 27;
        case 'f':
            return 12;
        case 'n':
            return 10;
        case 'r':
            return 13;
        case 't':
            return 9;
        case 'x':
            return ParseHexCode();
        default:
            return c;
        }
    }

    // "\x41" or "\x{41}", the position after the "x".
    unsigned char ParseHexCode() {
        int value = 0;
        if (Is('{')) {
            ++pos_;
            int digits = 0;
            for (;; ++digits) {
                if (AtEnd()) Fail(reeNoHexCodeAfterBSlashX);
                if (Is('}')) break;
                value = value * 16 + HexDigit();
                if (value > 255) Fail(reeHexCodeAfterBSlashXTooBig);
            }
            if (digits == 0) Fail(reeNoHexCodeAfterBSlashX);
            ++pos_;
        } else {
            for (int i = 0; i < 2; ++i) {
                if (AtEnd()) Fail(reeNoHexCodeAfterBSlashX);
                value = value * 16 + HexDigit();
            }
        }
        return static_cast<unsigned char>(value);
    }

    int HexDigit() {
        unsigned char c = Peek();
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            Fail(reeBadHexDigit);
        }
        ++pos_;
        return digit;
    }

    // "[...]", the position after the "[".
    NodePtr ParseClass() {
        bool negated = false;
        if (Is('^')) {
            negated = true;
            ++pos_;
        }
        CharSet set;
        for (bool first = true;; first = false) {
            if (AtEnd()) Fail(reeUnmatchedSqBrackets);
            if (Is(']') && !first) {
                ++pos_;
                break;
            }
            unsigned char low;
            if (Is('\\')) {
                ++pos_;
                if (AtEnd()) Fail(reeParseAtomTrailingBackSlash);
                CharSet escaped;
                if (ParseClassEscape(escaped)) {
                    set |= escaped;
                    continue;
                }
                low = ParseEscapedChar();
            } else {
                low = Peek();
                ++pos_;
            }
            if (!StartsRange()) {
                set.set(low);
                continue;
            }
            ++pos_;
            unsigned char high;
            if (Is('\\')) {
                ++pos_;
                if (AtEnd()) Fail(reeParseAtomTrailingBackSlash);
                high = ParseEscapedChar();
            } else {
                high = Peek();
                ++pos_;
            }
            if (high < low) Fail(reeInvalidRange);
            AddRange(set, low, high);
        }
        if (On(modI)) set = WithBothCases(set);
        if (negated) set.flip();
        return Chars(set);
    }

    // A "-" that makes a range: not at the end of the class, not before a class escape.
    bool StartsRange() const {
        if (!Is('-') || !Has(1) || Peek(1) == ']') return false;
        return Peek(1) != '\\' || !Has(2) || !IsClassEscape(Peek(2));
    }

    void AddRange(CharSet& set, unsigned char low, unsigned char high) const {
        for (int c = low; c <= high; ++c)
            set.set(c);
        if (!On(modR)) return;
        // cp1251: the lower-case letters 0xE0-0xFF leave out 0xB8, the capitals 0xC0-0xDF 0xA8.
        constexpr unsigned char capitalA = 0xC0, capitalYa = 0xDF, smallA = 0xE0, smallYa = 0xFF;
        if (high == smallYa && (low == smallA || low == capitalA)) set.set(0xB8);
        if (low == capitalA && (high == capitalYa || high == smallYa)) set.set(0xA8);
    }

    CharSet WithBothCases(const CharSet& set) const {
        CharSet result = set;
        for (int c = 0; c < 256; ++c) {
            if (set.test(c)) result.set(InvertCase(static_cast<unsigned char>(c), On(modR)));
        }
        return result;
    }

    // Length of a valid "{min}", "{min,}" or "{min,max}" at the position, 0 when there is none.
    size_t BracesLength() const {
        size_t i = 1;
        auto digits = [&] {
            size_t start = i;
            while (Has(i) && Peek(i) >= '0' && Peek(i) <= '9')
                ++i;
            return i - start;
        };
        if (!Is('{') || digits() == 0) return 0;
        if (Has(i) && Peek(i) == ',') {
            ++i;
            digits();
        }
        return Has(i) && Peek(i) == '}' ? i + 1 : 0;
    }

    bool AtQuantifier() const { return Is('*') || Is('+') || Is('?') || BracesLength() > 0; }

    void ParseBraces(size_t length, int& min, int& max) {
        std::string_view text = expr_.substr(pos_ + 1, length - 2);
        size_t comma = text.find(',');
        std::string_view minText = text.substr(0, comma);
        std::string_view maxText = comma == std::string_view::npos ? minText : text.substr(comma + 1);
        if (minText.size() > kMaxBraceDigits || maxText.size() > kMaxBraceDigits) Fail(reeBRACESArgTooBig);
        auto number = [](std::string_view digits) {
            int value = 0;
            for (char c : digits)
                value = value * 10 + (c - '0');
            return value;
        };
        min = number(minText);
        max = maxText.empty() ? kInfinite : number(maxText);
        if (max < min) Fail(reeBracesMinParamGreaterMax);
        pos_ += length;
    }

    NodePtr ParseQuantifier(NodePtr atom) {
        SkipIgnorable();
        if (!AtQuantifier()) return atom;
        unsigned char op = Peek();
        if (atom->nullable && op != '?') Fail(reePlusStarOperandCouldBeEmpty);
        auto repeat = std::make_unique<Node>(Node::nkRepeat);
        if (op == '{') {
            repeat->braces = true;
            ParseBraces(BracesLength(), repeat->min, repeat->max);
        } else {
            repeat->min = op == '+' ? 1 : 0;
            repeat->max = op == '?' ? 1 : kInfinite;
            ++pos_;
        }
        SkipIgnorable();
        bool lazy = Is('?');
        if (lazy) {
            ++pos_;
            SkipIgnorable();
        }
        if (AtQuantifier()) Fail(reeNestedSQP);
        repeat->greedy = !lazy && On(modG);
        repeat->nullable = repeat->min == 0 || atom->nullable;
        repeat->kids.push_back(std::move(atom));
        return repeat;
    }

    NodePtr Assert(AssertKind kind) {
        auto node = std::make_unique<Node>(Node::nkAssert);
        node->value = kind;
        node->nullable = true;
        return node;
    }

    NodePtr Chars(const CharSet& set) {
        auto node = std::make_unique<Node>(Node::nkChars);
        node->chars = set;
        return node;
    }

    NodePtr Literal(unsigned char c) {
        CharSet set;
        set.set(c);
        if (On(modI)) set.set(InvertCase(c, On(modR)));
        return Chars(set);
    }

    // ---- code generation

    int Emit(Inst inst) {
        program_->code.push_back(inst);
        return static_cast<int>(program_->code.size()) - 1;
    }

    int Here() const { return static_cast<int>(program_->code.size()); }

    int SetIndex(const CharSet& set) {
        auto [it, added] = setIndex_.try_emplace(set, static_cast<int>(program_->sets.size()));
        if (added) program_->sets.push_back(set);
        return it->second;
    }

    // `loopDepth`: brace and non-greedy loops over complex atoms enclosing the node.
    void Generate(const Node& node, int loopDepth) {
        auto& code = program_->code;
        switch (node.kind) {
        case Node::nkChars:
            Emit({Op::Chars, SetIndex(node.chars)});
            break;
        case Node::nkAssert:
            Emit({Op::Assert, node.value});
            break;
        case Node::nkBackref:
            Emit({Op::Backref, node.value, node.caseInsensitive, node.cyrillic});
            break;
        case Node::nkGroup:
            Emit({Op::Save, 2 * node.value});
            Generate(*node.kids[0], loopDepth);
            Emit({Op::Save, 2 * node.value + 1});
            break;
        case Node::nkConcat:
            for (const NodePtr& kid : node.kids)
                Generate(*kid, loopDepth);
            break;
        case Node::nkAlternation: {
            std::vector<int> jumps;
            for (size_t i = 0; i + 1 < node.kids.size(); ++i) {
                int split = Emit({Op::Split, Here() + 1});
                Generate(*node.kids[i], loopDepth);
                jumps.push_back(Emit({Op::Jump}));
                code[split].b = Here();
            }
            Generate(*node.kids.back(), loopDepth);
            for (int jump : jumps)
                code[jump].a = Here();
            break;
        }
        case Node::nkRepeat:
            GenerateRepeat(node, loopDepth);
            break;
        }
    }

    void GenerateRepeat(const Node& node, int loopDepth) {
        const Node& atom = *node.kids[0];
        if (atom.kind == Node::nkChars) {
            Inst repeat{Op::Repeat, SetIndex(atom.chars), node.min, node.max};
            repeat.greedy = node.greedy;
            Emit(repeat);
            return;
        }
        bool counts = node.braces || !node.greedy;
        int depth = counts ? loopDepth + 1 : loopDepth;
        int counter = program_->slotCount++;
        int iterationStart = program_->slotCount++;
        Emit({Op::LoopInit, counter, counts ? depth : 0});
        Inst test{Op::LoopTest, counter, node.min, node.max};
        test.greedy = node.greedy;
        int testAt = Emit(test);
        Emit({Op::IterStart, iterationStart});
        Generate(atom, depth);
        int next = Emit({Op::LoopNext, counter, iterationStart, testAt});
        program_->code[testAt].d = Here();
        program_->code[next].d = Here();
    }

    // ---- shortcuts

    void FindShortcuts(const Node& root) {
        const Node* first = &root;
        for (;;) {
            if (first->kind == Node::nkConcat && !first->kids.empty()) {
                first = first->kids[0].get();
            } else if (first->kind == Node::nkGroup || (first->kind == Node::nkRepeat && first->min > 0)) {
                first = first->kids[0].get();
            } else {
                break;
            }
        }
        program_->anchored = first->kind == Node::nkAssert && first->value == asStart;
        program_->firstByte = LiteralByte(*first);

        if (root.kind != Node::nkConcat) return;
        std::string run;
        auto endRun = [&] {
            if (run.size() > program_->mustContain.size()) program_->mustContain = run;
            run.clear();
        };
        for (const NodePtr& kid : root.kids) {
            int c = LiteralByte(*kid);
            if (c >= 0) {
                run += static_cast<char>(c);
            } else {
                endRun();
            }
        }
        endRun();
    }

    std::string_view expr_;
    size_t pos_ = 0;
    unsigned modifiers_;
    CharSet spaces_, words_, anyButLineBreak_;
    int groupCount_ = 0;
    std::unique_ptr<TRegExpr::Program> program_;
    std::unordered_map<CharSet, int> setIndex_;
};

// Runs a compiled program with an explicit backtracking stack, so that no subject can overflow
// the call stack.
class Matcher {
public:
    Matcher(const TRegExpr::Program& program, std::string_view input)
        : program_(program), code_(program.code), sets_(program.sets),
          text_(reinterpret_cast<const unsigned char*>(input.data())),
          end_(static_cast<int>(strnlen(input.data(), input.size()))) {}

    // Leftmost match; fills `slots` with the submatch positions.
    bool Search(std::array<int, 2 * TRegExpr::SubMatchCount>& slots) {
        std::string_view text(reinterpret_cast<const char*>(text_), end_);
        if (!program_.mustContain.empty() && text.find(program_.mustContain) == std::string_view::npos) {
            return false;
        }
        bool found = false;
        if (program_.anchored) {
            found = Run(0);
        } else {
            for (size_t start = 0; start <= text.size() && !found; ++start) {
                if (program_.firstByte >= 0) {
                    start = text.find(static_cast<char>(program_.firstByte), start);
                    if (start == std::string_view::npos) break;
                }
                found = Run(static_cast<int>(start));
            }
        }
        if (found) std::copy_n(slots_.begin(), slots.size(), slots.begin());
        return found;
    }

private:
    enum EntryKind { ekAlternative, ekRestoreSlot, ekGiveBack, ekTakeMore };

    // ekAlternative: resume at `pc`, `pos`; ekRestoreSlot: slot `pc` had `pos`; ekGiveBack and
    // ekTakeMore: the Repeat at `pc` began at `pos` and has taken `count` characters.
    struct Entry {
        EntryKind kind;
        int pc, pos, count;
    };

    void Push(EntryKind kind, int pc, int pos, int count = 0) {
        if (stack_.size() >= kMaxBacktrackEntries) RaiseError(reeBacktrackStackExceeded, 0);
        stack_.push_back({kind, pc, pos, count});
    }

    void SetSlot(int slot, int value) {
        Push(ekRestoreSlot, slot, slots_[slot]);
        slots_[slot] = value;
    }

    bool InSet(int set, int pos) const { return pos < end_ && sets_[set].test(text_[pos]); }

    bool Run(int start) {
        slots_.assign(program_.slotCount, -1);
        stack_.clear();
        int pc = 0;
        int pos = start;
        for (;;) {
            const Inst& inst = code_[pc];
            switch (inst.op) {
            case Op::Chars:
                if (!InSet(inst.a, pos)) break;
                ++pos;
                ++pc;
                continue;
            case Op::Assert:
                if (!Holds(static_cast<AssertKind>(inst.a), pos)) break;
                ++pc;
                continue;
            case Op::Backref: {
                int length = BackrefLength(inst, pos);
                if (length < 0) break;
                pos += length;
                ++pc;
                continue;
            }
            case Op::Save:
                SetSlot(inst.a, pos);
                ++pc;
                continue;
            case Op::Split:
                Push(ekAlternative, inst.b, pos);
                pc = inst.a;
                continue;
            case Op::Jump:
                pc = inst.a;
                continue;
            case Op::Repeat: {
                int count = 0;
                if (inst.greedy) {
                    int limit = std::min(inst.c, end_ - pos);
                    while (count < limit && sets_[inst.a].test(text_[pos + count]))
                        ++count;
                    if (count < inst.b) break;
                    if (count > inst.b) Push(ekGiveBack, pc, pos, count);
                } else {
                    while (count < inst.b && InSet(inst.a, pos + count))
                        ++count;
                    if (count < inst.b) break;
                    if (count < inst.c) Push(ekTakeMore, pc, pos, count);
                }
                pos += count;
                ++pc;
                continue;
            }
            case Op::LoopInit:
                if (inst.b > kMaxLoopNesting) RaiseError(reeLoopStackExceeded, 0);
                SetSlot(inst.a, 0);
                ++pc;
                continue;
            case Op::LoopTest: {
                int count = slots_[inst.a];
                if (count < inst.b) {
                    ++pc;
                } else if (count >= inst.c) {
                    pc = inst.d;
                } else if (inst.greedy) {
                    Push(ekAlternative, inst.d, pos);
                    ++pc;
                } else {
                    Push(ekAlternative, pc + 1, pos);
                    pc = inst.d;
                }
                continue;
            }
            case Op::IterStart:
                SetSlot(inst.a, pos);
                ++pc;
                continue;
            case Op::LoopNext:
                // An iteration that consumed nothing would repeat forever: leave the loop.
                if (pos == slots_[inst.b]) {
                    pc = inst.d;
                } else {
                    SetSlot(inst.a, slots_[inst.a] + 1);
                    pc = inst.c;
                }
                continue;
            case Op::Match:
                return true;
            }
            if (!Backtrack(pc, pos)) return false;
        }
    }

    bool Backtrack(int& pc, int& pos) {
        while (!stack_.empty()) {
            Entry entry = stack_.back();
            stack_.pop_back();
            switch (entry.kind) {
            case ekRestoreSlot:
                slots_[entry.pc] = entry.pos;
                continue;
            case ekAlternative:
                pc = entry.pc;
                pos = entry.pos;
                return true;
            case ekGiveBack: {
                int count = entry.count - 1;
                if (count > code_[entry.pc].b) Push(ekGiveBack, entry.pc, entry.pos, count);
                pc = entry.pc + 1;
                pos = entry.pos + count;
                return true;
            }
            case ekTakeMore: {
                const Inst& inst = code_[entry.pc];
                if (!InSet(inst.a, entry.pos + entry.count)) continue;
                int count = entry.count + 1;
                if (count < inst.c) Push(ekTakeMore, entry.pc, entry.pos, count);
                pc = entry.pc + 1;
                pos = entry.pos + count;
                return true;
            }
            }
        }
        return false;
    }

    bool IsWordChar(int pos) const { return pos >= 0 && pos < end_ && program_.wordChars.test(text_[pos]); }
    bool IsLineSeparator(int pos) const { return program_.lineSeparators.test(text_[pos]); }
    bool IsPairedAt(int pos) const {
        return program_.pairedHead >= 0 && pos >= 0 && pos + 1 < end_ && text_[pos] == program_.pairedHead &&
               text_[pos + 1] == program_.pairedTail;
    }

    bool Holds(AssertKind kind, int pos) const {
        switch (kind) {
        case asStart:
            return pos == 0;
        case asEnd:
            return pos == end_;
        case asLineStart:
            if (pos == 0) return true;
            if (IsPairedAt(pos - 1)) return false; // between the two characters of a line break
            return IsLineSeparator(pos - 1) || IsPairedAt(pos - 2);
        case asLineEnd:
            if (pos == end_) return true;
            if (IsPairedAt(pos - 1)) return false;
            return IsLineSeparator(pos) || IsPairedAt(pos);
        case asWordBoundary:
            return IsWordChar(pos - 1) != IsWordChar(pos);
        case asNotWordBoundary:
            return IsWordChar(pos - 1) == IsWordChar(pos);
        }
        return false;
    }

    // Length of the group's text matched again at `pos`, -1 when it does not match.
    int BackrefLength(const Inst& inst, int pos) const {
        int start = slots_[2 * inst.a];
        int end = slots_[2 * inst.a + 1];
        if (start < 0 || end < start) return -1;
        int length = end - start;
        if (length > end_ - pos) return -1;
        for (int i = 0; i < length; ++i) {
            unsigned char want = text_[start + i];
            unsigned char got = text_[pos + i];
            if (got != want && !(inst.b && got == InvertCase(want, inst.c))) return -1;
        }
        return length;
    }

    const TRegExpr::Program& program_;
    const std::vector<Inst>& code_;
    const std::vector<CharSet>& sets_;
    const unsigned char* text_;
    int end_;
    std::vector<int> slots_;
    std::vector<Entry> stack_;
};

} // namespace

TRegExpr::TRegExpr()
    : modifiers_(kDefaultModifiers), spaceChars_(" \t\n\r\f"),
      wordChars_("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_"), lineSeparators_("\r\n"),
      linePairedSeparator_("\r\n") {
    ClearSubMatches();
}

TRegExpr::~TRegExpr() = default;

void TRegExpr::SetExpression(std::string_view expression) {
    if (expression != expression_ || !program_) {
        expression_ = expression;
        Invalidate();
    }
}

bool TRegExpr::Modifier(char letter) const {
    unsigned bit = ModifierOfLetter(letter);
    if (bit == 0) RaiseError(reeUrecognizedModifier, 0);
    return (modifiers_ & bit) != 0;
}

void TRegExpr::SetModifier(char letter, bool on) {
    unsigned bit = ModifierOfLetter(letter);
    if (bit == 0) RaiseError(reeUrecognizedModifier, 0);
    modifiers_ = on ? modifiers_ | bit : modifiers_ & ~bit;
}

void TRegExpr::SetSpaceChars(std::string_view chars) {
    spaceChars_ = chars;
    Invalidate();
}

void TRegExpr::SetWordChars(std::string_view chars) {
    wordChars_ = chars;
    Invalidate();
}

void TRegExpr::SetLineSeparators(std::string_view chars) {
    lineSeparators_ = chars;
    Invalidate();
}

void TRegExpr::SetLinePairedSeparator(std::string_view chars) {
    if (!chars.empty() && (chars.size() != 2 || chars[0] == chars[1]))
        RaiseError(reeBadLinePairedSeparator, 0);
    linePairedSeparator_ = chars;
    Invalidate();
}

void TRegExpr::Invalidate() {
    program_.reset();
}

void TRegExpr::ClearSubMatches() {
    subMatches_.fill(-1);
}

bool TRegExpr::Exec(std::string_view input) {
    RTL_ASSERT(input.size() < static_cast<size_t>(INT_MAX));
    input_ = input;
    ClearSubMatches();
    if (expression_.empty()) RaiseError(reeNoExpression, 0);
    if (!program_ || program_->modifiers != modifiers_) {
        program_.reset();
        program_ = Compiler(expression_, modifiers_, SetOf(spaceChars_), SetOf(wordChars_),
                            SetOf(lineSeparators_), linePairedSeparator_)
                       .Compile();
    }
    return Matcher(*program_, input_).Search(subMatches_);
}

int TRegExpr::SubMatchStart(int index) const {
    if (index < 0 || index >= SubMatchCount || subMatches_[2 * index + 1] < 0) return -1;
    return subMatches_[2 * index] + 1;
}

int TRegExpr::SubMatchLength(int index) const {
    if (index < 0 || index >= SubMatchCount || subMatches_[2 * index + 1] < 0) return -1;
    return subMatches_[2 * index + 1] - subMatches_[2 * index];
}

std::string TRegExpr::SubMatchText(int index) const {
    int start = SubMatchStart(index);
    if (start < 0) return {};
    return input_.substr(start - 1, SubMatchLength(index));
}

std::string TRegExpr::ErrorMsg(int code) {
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.code == code) return entry.text;
    }
    return "Unknown error";
}

} // namespace core
