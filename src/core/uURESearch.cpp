#include "core/uURESearch.h"

#include <algorithm>
#include <optional>
#include <string>

namespace core {

namespace {

constexpr int kMaxRepeat = 1000;
constexpr std::size_t kMaxStates = 100000;

struct TCompileError {
    TUREError code;
};

bool IsLineBreak(char16_t c) {
    return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029;
}

int HexValue(char32_t c) {
    if (c >= U'0' && c <= U'9') return int(c - U'0');
    if (c >= U'a' && c <= U'f') return int(c - U'a') + 10;
    if (c >= U'A' && c <= U'F') return int(c - U'A') + 10;
    return -1;
}

bool IsDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

constexpr TCharacterCategories kLetters{ccLetterUppercase, ccLetterLowercase, ccLetterTitlecase,
                                        ccLetterModifier,  ccLetterOther,     ccNumberLetter};
constexpr TCharacterCategories kPunctuation{
    ccPunctuationConnector,    ccPunctuationDash,       ccPunctuationOpen, ccPunctuationClose,
    ccPunctuationInitialQuote, ccPunctuationFinalQuote, ccPunctuationOther};
constexpr TCharacterCategories kSpaces{ccSeparatorSpace, ccSeparatorParagraph, ccSegmentSeparator,
                                       ccWhiteSpace, ccSpaceOther};

// Characters that show something: letters, marks, numbers, punctuation and symbols.
constexpr TCharacterCategories kGraphic =
    kLetters + kPunctuation +
    TCharacterCategories{ccMarkNonSpacing,     ccMarkSpacingCombining, ccMarkEnclosing,
                         ccNumberDecimalDigit, ccNumberOther,          ccSymbolMath,
                         ccSymbolCurrency,     ccSymbolModifier,       ccSymbolOther};

// The classes written between "[:" and ":]".
struct TNamedClass {
    std::u32string_view name;
    TCharacterCategories categories;
};
constexpr TNamedClass kNamedClasses[] = {
    {U"alpha", kLetters},
    {U"digit", {ccNumberDecimalDigit}},
    {U"alnum", kLetters + TCharacterCategories{ccNumberDecimalDigit}},
    {U"upper", {ccLetterUppercase}},
    {U"lower", {ccLetterLowercase}},
    {U"space", kSpaces},
    {U"blank", {ccSeparatorSpace, ccSegmentSeparator}},
    {U"cntrl", {ccOtherControl, ccOtherFormat}},
    {U"punct", kPunctuation},
    {U"graph", kGraphic},
    {U"print", kGraphic + TCharacterCategories{ccSeparatorSpace}},
    {U"xdigit", {ccHexDigit}},
};

// A parsed pattern element.
struct TURENode {
    enum Kind { nkEmpty, nkSymbol, nkLineStart, nkLineEnd, nkConcat, nkAlternation, nkRepeat } kind = nkEmpty;
    int symbol = -1;
    int min = 0, max = 0; // max -1: no limit
    std::vector<TURENode> children;
};

} // namespace

// Parses a pattern into nodes and compiles them into the engine's symbols and states.
class TURESearch::TCompiler {
public:
    TCompiler(TURESearch& engine, std::u16string_view pattern) : engine_(engine) {
        for (std::size_t pos = 0; pos < pattern.size();)
            pattern_ += WideCodePointAt(pattern, pos);
    }

    void Compile() {
        const TURENode root = ParseAlternation();
        if (!AtEnd()) throw TCompileError{ureUnbalancedGroup}; // a ")" without "("
        const int accept = Emit({TState::skAccept});
        engine_.start_ = CompileNode(root, accept);
    }

private:
    bool AtEnd() const { return pos_ >= pattern_.size(); }
    char32_t Peek(std::size_t ahead = 0) const {
        return pos_ + ahead < pattern_.size() ? pattern_[pos_ + ahead] : U'\0';
    }
    char32_t Next() { return pattern_[pos_++]; }

    TURENode ParseAlternation() {
        std::vector<TURENode> branches{ParseConcatenation()};
        while (Peek() == U'|') {
            Next();
            branches.push_back(ParseConcatenation());
        }
        if (branches.size() == 1) return std::move(branches.front());
        return {TURENode::nkAlternation, -1, 0, 0, std::move(branches)};
    }

    TURENode ParseConcatenation() {
        std::vector<TURENode> items;
        while (!AtEnd() && Peek() != U'|' && Peek() != U')')
            items.push_back(ParseRepetition());
        if (items.size() == 1) return std::move(items.front());
        return {TURENode::nkConcat, -1, 0, 0, std::move(items)};
    }

    TURENode ParseRepetition() {
        TURENode node = ParseAtom();
        for (;;) {
            int min = 0, max = 0;
            if (Peek() == U'*') {
                Next();
                min = 0, max = -1;
            } else if (Peek() == U'+') {
                Next();
                min = 1, max = -1;
            } else if (Peek() == U'?') {
                Next();
                min = 0, max = 1;
            } else if (Peek() == U'{') {
                Next();
                ParseBrace(min, max);
            } else {
                return node;
            }
            std::vector<TURENode> child;
            child.push_back(std::move(node));
            node = {TURENode::nkRepeat, -1, min, max, std::move(child)};
        }
    }

    // The rest of {m}, {m,} or {m,n}; spaces are allowed inside.
    void ParseBrace(int& min, int& max) {
        SkipSpaces();
        min = ParseCount();
        SkipSpaces();
        max = min;
        if (Peek() == U',') {
            Next();
            SkipSpaces();
            max = IsDigit(Peek()) ? ParseCount() : -1;
            SkipSpaces();
        }
        if (AtEnd() || Next() != U'}' || (max != -1 && max < min)) throw TCompileError{ureBadBrace};
    }

    void SkipSpaces() {
        while (Peek() == U' ')
            Next();
    }

    int ParseCount() {
        if (!IsDigit(Peek())) throw TCompileError{ureBadBrace};
        int value = 0;
        while (IsDigit(Peek())) {
            value = value * 10 + int(Next() - U'0');
            if (value > kMaxRepeat) throw TCompileError{ureBadBrace};
        }
        return value;
    }

    TURENode ParseAtom() {
        const char32_t c = Next();
        switch (c) {
        case U'(': {
            TURENode inner = ParseAlternation();
            if (AtEnd() || Next() != U')') throw TCompileError{ureUnbalancedGroup};
            return inner;
        }
        case U'*':
        case U'+':
        case U'?':
        case U'{':
            throw TCompileError{ureNothingToRepeat};
        case U'^':
            return {TURENode::nkLineStart, -1, 0, 0, {}};
        case U'$':
            return {TURENode::nkLineEnd, -1, 0, 0, {}};
        case U'.': {
            TSymbol any;
            any.any = true;
            return SymbolNode(std::move(any));
        }
        case U'[':
            return SymbolNode(ParseClass());
        case U'\\': {
            TSymbol symbol;
            if (const auto code = Escape(symbol)) AddCharacter(symbol, *code, *code);
            return SymbolNode(std::move(symbol));
        }
        default: {
            TSymbol literal;
            AddCharacter(literal, c, c);
            return SymbolNode(std::move(literal));
        }
        }
    }

    // The escape after a backslash: its character, or nothing when it is a category list, which goes
    // into the symbol.
    std::optional<char32_t> Escape(TSymbol& symbol) {
        if (AtEnd()) throw TCompileError{ureTrailingBackslash};
        const char32_t c = Next();
        const std::optional<char32_t> code = EscapedCharacter(c);
        if (!code) {
            auto& into = c == U'P' ? symbol.excluded : symbol.categories;
            into += ParseCategoryList();
        }
        return code;
    }

    std::optional<char32_t> EscapedCharacter(char32_t c) {
        switch (c) {
        case U'a':
            return 7;
        case U'b':
            return 8;
        case U'f':
            return 12;
        case U'n':
            return 10;
        case U'r':
            return 13;
        case U't':
            return 9;
        case U'v':
            return 11;
        case U'x':
        case U'X':
        case U'u':
        case U'U': {
            char32_t value = 0;
            int digits = 0;
            for (; digits < 4 && HexValue(Peek()) >= 0; ++digits)
                value = value * 16 + char32_t(HexValue(Next()));
            return digits > 0 ? value : c;
        }
        case U'p':
        case U'P':
            return std::nullopt;
        default:
            return c;
        }
    }

    TCharacterCategories ParseCategoryList() {
        TCharacterCategories list;
        for (;;) {
            if (!IsDigit(Peek())) throw TCompileError{ureBadCategory};
            int value = 0;
            while (IsDigit(Peek())) {
                value = value * 10 + int(Next() - U'0');
                if (value >= kCharacterCategoryCount) throw TCompileError{ureBadCategory};
            }
            list.Include(TCharacterCategory(value));
            if (Peek() != U',' || !IsDigit(Peek(1))) return list;
            Next();
        }
    }

    // The rest of a class after "[".
    TSymbol ParseClass() {
        TSymbol symbol;
        if (Peek() == U'^') {
            Next();
            symbol.negated = true;
        }
        for (bool first = true;; first = false) {
            if (AtEnd()) throw TCompileError{ureUnterminatedClass};
            if (Peek() == U']' && !first) {
                Next();
                return symbol;
            }
            if (Peek() == U'[' && Peek(1) == U':') {
                AddNamedClass(symbol);
                continue;
            }
            const std::optional<char32_t> low = ClassItem(symbol);
            if (!low) continue;
            if (Peek() == U'-' && Peek(1) != U']') {
                Next();
                if (AtEnd()) throw TCompileError{ureUnterminatedClass};
                const std::optional<char32_t> high = ClassItem(symbol);
                if (!high || *high < *low) throw TCompileError{ureBadRange};
                AddCharacter(symbol, *low, *high);
            } else {
                AddCharacter(symbol, *low, *low);
            }
        }
    }

    // One character of a class, or nothing for a category list (added to the symbol).
    std::optional<char32_t> ClassItem(TSymbol& symbol) {
        const char32_t c = Next();
        return c == U'\\' ? Escape(symbol) : c;
    }

    void AddNamedClass(TSymbol& symbol) {
        pos_ += 2;
        std::u32string name;
        while (!AtEnd() && !(Peek() == U':' && Peek(1) == U']'))
            name += Next();
        if (AtEnd()) throw TCompileError{ureUnterminatedClass};
        pos_ += 2;
        const auto* named = std::find_if(std::begin(kNamedClasses), std::end(kNamedClasses),
                                         [&](const TNamedClass& n) { return name == n.name; });
        if (named == std::end(kNamedClasses)) throw TCompileError{ureBadClassName};
        symbol.categories += named->categories;
    }

    // Adds a range as written and, when case does not matter, as folded to lower case.
    void AddCharacter(TSymbol& symbol, char32_t low, char32_t high) {
        symbol.ranges.emplace_back(low, high);
        const char32_t foldedLow = engine_.Fold(low), foldedHigh = engine_.Fold(high);
        if ((foldedLow != low || foldedHigh != high) && foldedLow <= foldedHigh)
            symbol.ranges.emplace_back(foldedLow, foldedHigh);
    }

    TURENode SymbolNode(TSymbol symbol) {
        auto& symbols = engine_.symbols_;
        auto it = std::find(symbols.begin(), symbols.end(), symbol);
        if (it == symbols.end()) it = symbols.insert(symbols.end(), std::move(symbol));
        return {TURENode::nkSymbol, int(it - symbols.begin()), 0, 0, {}};
    }

    int Emit(TState state) {
        if (engine_.states_.size() >= kMaxStates) throw TCompileError{ureTooComplex};
        engine_.states_.push_back(state);
        return int(engine_.states_.size() - 1);
    }

    // The entry state of `node`, whose completion continues at `next`.
    int CompileNode(const TURENode& node, int next) {
        switch (node.kind) {
        case TURENode::nkEmpty:
            return next;
        case TURENode::nkSymbol:
            return Emit({TState::skSymbol, node.symbol, next});
        case TURENode::nkLineStart:
            return Emit({TState::skLineStart, -1, next});
        case TURENode::nkLineEnd:
            return Emit({TState::skLineEnd, -1, next});
        case TURENode::nkConcat:
            for (auto it = node.children.rbegin(); it != node.children.rend(); ++it)
                next = CompileNode(*it, next);
            return next;
        case TURENode::nkAlternation: {
            int entry = CompileNode(node.children.back(), next);
            for (auto it = node.children.rbegin() + 1; it != node.children.rend(); ++it)
                entry = Emit({TState::skSplit, -1, CompileNode(*it, next), entry});
            return entry;
        }
        case TURENode::nkRepeat: {
            const TURENode& child = node.children.front();
            int entry = next;
            if (node.max < 0) {
                entry = Emit({TState::skSplit, -1, -1, next});
                const int body = CompileNode(child, entry);
                engine_.states_[entry].next = body;
            } else {
                for (int i = node.min; i < node.max; ++i)
                    entry = Emit({TState::skSplit, -1, CompileNode(child, entry), next});
            }
            for (int i = 0; i < node.min; ++i)
                entry = CompileNode(child, entry);
            return entry;
        }
        }
        return next;
    }

    TURESearch& engine_;
    std::u32string pattern_;
    std::size_t pos_ = 0;
};

bool TURESearch::TSymbol::Matches(char32_t code, char32_t folded) const {
    bool found = any;
    for (std::size_t i = 0; !found && i < ranges.size(); ++i)
        found = (code >= ranges[i].first && code <= ranges[i].second) ||
                (folded >= ranges[i].first && folded <= ranges[i].second);
    if (!found && !(categories.Empty() && excluded.Empty())) {
        const TCharacterCategories own = UnicodeCategories(code);
        found = !(own * categories).Empty() || (!excluded.Empty() && (own * excluded).Empty());
    }
    return found != negated;
}

char32_t TURESearch::Fold(char32_t code) const {
    return (flags_ & sfCaseSensitive) ? code : UnicodeToLower(code).front();
}

void TURESearch::Clear() {
    ClearPattern();
    TSearchEngine::Clear();
}

void TURESearch::ClearPattern() {
    symbols_.clear();
    states_.clear();
    start_ = -1;
}

void TURESearch::FindPrepare(std::u16string_view pattern, TSearchFlags flags) {
    ClearPattern();
    flags_ = flags;
    error_ = ureOk;
    try {
        TCompiler(*this, pattern).Compile();
    } catch (const TCompileError& e) {
        error_ = e.code;
        ClearPattern();
    }
}

namespace {

// The live states of one text position, each with the earliest start that reached it.
class TThreadList {
public:
    explicit TThreadList(std::size_t stateCount) : seen_(stateCount, 0) {}

    void Reset() {
        threads_.clear();
        ++generation_;
    }
    // Marks a state as reached; false when a thread with an earlier start got there first.
    bool Visit(int state) {
        if (seen_[std::size_t(state)] == generation_) return false;
        seen_[std::size_t(state)] = generation_;
        return true;
    }
    void Add(int state, std::size_t start) { threads_.push_back({state, start}); }
    const std::vector<std::pair<int, std::size_t>>& Threads() const { return threads_; }

private:
    std::vector<std::pair<int, std::size_t>> threads_;
    std::vector<unsigned> seen_;
    unsigned generation_ = 1;
};

} // namespace

bool TURESearch::FindFrom(std::u16string_view text, std::size_t from, TSearchResult& result) const {
    if (start_ < 0) return false;
    TThreadList current(states_.size()), following(states_.size());
    std::vector<int> stack;
    // Follows the branches and line tests of `state` at `pos` and adds the states that consume or accept.
    const auto addThread = [&](TThreadList& list, int state, std::size_t start, std::size_t pos) {
        stack.assign(1, state);
        while (!stack.empty()) {
            const int s = stack.back();
            stack.pop_back();
            if (!list.Visit(s)) continue;
            const TState& st = states_[std::size_t(s)];
            switch (st.kind) {
            case TState::skSplit:
                stack.push_back(st.alternative);
                stack.push_back(st.next);
                break;
            case TState::skLineStart:
                if (pos == 0 || IsLineBreak(text[pos - 1])) stack.push_back(st.next);
                break;
            case TState::skLineEnd:
                if (pos == text.size() || IsLineBreak(text[pos])) stack.push_back(st.next);
                break;
            case TState::skSymbol:
            case TState::skAccept:
                list.Add(s, start);
                break;
            }
        }
    };

    bool found = false;
    current.Reset();
    for (std::size_t pos = from;;) {
        if (!found) addThread(current, start_, pos, pos);
        for (const auto& [state, start] : current.Threads()) {
            if (states_[std::size_t(state)].kind != TState::skAccept || start == pos) continue;
            if (!found || start < result.start || (start == result.start && pos > result.stop)) {
                result = {start, pos};
                found = true;
            }
        }
        if (pos >= text.size()) break;
        std::size_t next = pos;
        const char32_t code = WideCodePointAt(text, next);
        const char32_t folded = Fold(code);
        following.Reset();
        for (const auto& [state, start] : current.Threads()) {
            const TState& st = states_[std::size_t(state)];
            if (st.kind != TState::skSymbol || (found && start > result.start)) continue;
            if (symbols_[std::size_t(st.symbol)].Matches(code, folded))
                addThread(following, st.next, start, next);
        }
        std::swap(current, following);
        pos = next;
        if (found && current.Threads().empty()) break;
    }
    return found;
}

} // namespace core
