#include "dataaccess/store/uCRParser.h"

#include "dataaccess/store/uDataUtils.h"
#include "dataaccess/store/uEncoding.h"
#include "dataaccess/store/uMarshal.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"

#include <algorithm>

namespace dataaccess {

namespace {

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

int CompareEntry(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(UpperAscii(a[i]));
        const auto cb = static_cast<unsigned char>(UpperAscii(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string UpperAsciiText(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), UpperAscii);
    return text;
}

bool InRange(char c, int low, int high) {
    const auto u = static_cast<unsigned char>(c);
    return u >= low && u <= high;
}

std::vector<std::pair<std::string, int>> BaseSymbolEntries() {
    std::vector<std::pair<std::string, int>> entries;
    for (const auto& [low, high] : {std::pair{33, 47}, std::pair{58, 64}, std::pair{91, 96}})
        for (int c = low; c <= high; ++c)
            entries.emplace_back(std::string(1, static_cast<char>(c)), static_cast<int>(entries.size()) + 1);
    return entries;
}

const TLexemeTable& BaseSymbols() {
    static const TLexemeTable table(BaseSymbolEntries());
    return table;
}

const TLexemeTable& BaseKeywords() {
    static const TLexemeTable table({{"AND", 29}, {"NOT", 30}, {"OR", 31}});
    return table;
}

const TLexemeTable& SQLKeywords() {
    static const TLexemeTable table({{"AND", 29},
                                     {"BY", 30},
                                     {"FROM", 31},
                                     {"GROUP", 32},
                                     {"HAVING", 33},
                                     {"INTERSECT", 34},
                                     {"MINUS", 35},
                                     {"NOT", 36},
                                     {"OR", 37},
                                     {"ORDER", 38},
                                     {"SELECT", 39},
                                     {"WHERE", 40},
                                     {"UNION", 41}});
    return table;
}

const std::vector<int>& SQLClauses() {
    // WHERE, GROUP, HAVING, UNION, INTERSECT, MINUS, ORDER
    static const std::vector<int> clauses = {40, 32, 33, 41, 34, 35, 38};
    return clauses;
}

} // namespace

// ---- TLexemeTable

TLexemeTable::TLexemeTable(std::vector<std::pair<std::string, int>> entries) : entries_(std::move(entries)) {
    std::sort(entries_.begin(), entries_.end(),
              [](const auto& a, const auto& b) { return CompareEntry(a.first, b.first) < 0; });
    for (const auto& entry : entries_)
        RTL_ASSERT(entry.second > 0);
}

const std::pair<std::string, int>* TLexemeTable::Find(std::string_view text) const {
    const auto it =
        std::lower_bound(entries_.begin(), entries_.end(), text, [](const auto& entry, std::string_view t) {
            return CompareEntry(entry.first, t) < 0;
        });
    return it != entries_.end() && CompareEntry(it->first, text) == 0 ? &*it : nullptr;
}

// ---- TParser

TParser::TParser(std::string text)
    : text_(std::move(text)), symbols_(&BaseSymbols()), keywords_(&BaseKeywords()) {
    ToBegin();
}

TParser::TParser(rtl::TStream& stream, const Encoding& encoding)
    : symbols_(&BaseSymbols()), keywords_(&BaseKeywords()), stream_(&stream), encoding_(&encoding),
      streamStart_(stream.Position()) {
    ToBegin();
}

bool TParser::IsBlank(char c) const {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool TParser::IsSymbol(char c) const {
    return InRange(c, 33, 47) || InRange(c, 58, 64) || InRange(c, 91, 94) || c == '`' || InRange(c, 123, 126);
}

bool TParser::IsAlpha(char c) const {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || InRange(c, 128, 255);
}

bool TParser::IsNumber(char c) const {
    return c >= '0' && c <= '9';
}

bool TParser::IsStringQuote(char c) const {
    return c == '\'' || c == '"';
}

bool TParser::IsIdentQuote(char) const {
    return false;
}

// The marker must be followed by at least one more character.
bool TParser::IsInlineComment(int64_t index) {
    return TextAt(index, "//") && !AtEnd(index + 2);
}

void TParser::SkipToQuote(char quote) {
    SkipToPlainQuote(quote);
}

void TParser::SkipToPlainQuote(char quote) {
    if (!TracksLines()) {
        const size_t found = text_.find(quote, static_cast<size_t>(pos_));
        pos_ = found == std::string::npos ? static_cast<int64_t>(text_.size()) : static_cast<int64_t>(found);
        return;
    }
    while (!AtEnd(pos_) && CharAt(pos_) != quote)
        StepTracked();
}

void TParser::StepTracked() {
    const char c = CharAt(pos_++);
    if (c == '\r' || c == '\n') SkipLineBreak(c);
}

// After the first character of a line break: CR LF counts once.
void TParser::SkipLineBreak(char c) {
    if (c == '\r' && !AtEnd(pos_) && CharAt(pos_) == '\n') ++pos_;
    ++line_;
    lineStart_ = pos_;
}

void TParser::SetText(std::string text) {
    RTL_ASSERT(!stream_);
    text_ = std::move(text);
    ToBegin();
}

void TParser::ToBegin() {
    if (stream_) RestartStream();
    pos_ = lastStart_ = prevPrevStart_ = 0;
    line_ = prevLine_ = 0;
    lineStart_ = prevLineStart_ = 0;
    lexStart_ = -1;
}

// ---- Stream blocks

void TParser::RestartStream() {
    stream_->SetPosition(streamStart_);
    blocks_.clear();
    loadedEnd_ = 0;
    streamDone_ = false;
}

void TParser::LoadBlock() {
    // Keep what Back and the lexeme under construction still need.
    int64_t needed = std::min(lastStart_, pos_);
    if (lexStart_ >= 0) needed = std::min(needed, lexStart_);
    while (!blocks_.empty() &&
           blocks_.front().Start + static_cast<int64_t>(blocks_.front().Text.size()) <= needed)
        blocks_.pop_front();

    TBytes bytes(kParserBlockSize);
    const auto read = static_cast<int>(stream_->Read(bytes.data(), kParserBlockSize));
    if (read == 0) {
        streamDone_ = true;
        return;
    }
    int count = read;
    // A surrogate pair split by the block boundary is read again with the next block.
    if (encoding_ == &Encoding::UnicodeInstance() && read == kParserBlockSize) {
        const auto last = static_cast<uint16_t>(bytes[read - 2] | (bytes[read - 1] << 8));
        if (last >= 0xD800 && last <= 0xDBFF) count -= 2;
    }
    if (count < read) stream_->Seek(count - read, rtl::soCurrent);
    std::string text = encoding_ == &Encoding::DefaultEncoding()
                           ? std::string(bytes.begin(), bytes.begin() + count)
                           : encoding_->GetStringRange(bytes, 0, count);
    const int64_t start = loadedEnd_;
    loadedEnd_ += static_cast<int64_t>(text.size());
    if (!text.empty()) blocks_.push_back({start, std::move(text)});
}

bool TParser::AtEnd(int64_t index) {
    if (!stream_) return index >= static_cast<int64_t>(text_.size());
    while (index >= loadedEnd_ && !streamDone_)
        LoadBlock();
    return index >= loadedEnd_;
}

char TParser::CharAt(int64_t index) {
    if (!stream_)
        return index < static_cast<int64_t>(text_.size()) ? text_[static_cast<size_t>(index)] : '\0';
    if (AtEnd(index)) return '\0';
    for (auto block = blocks_.rbegin(); block != blocks_.rend(); ++block)
        if (index >= block->Start) return block->Text[static_cast<size_t>(index - block->Start)];
    rtl::AssertionFailed("Position before the stored blocks", __FILE__, __LINE__);
}

bool TParser::TextAt(int64_t index, std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i)
        if (AtEnd(index + static_cast<int64_t>(i)) || CharAt(index + static_cast<int64_t>(i)) != text[i])
            return false;
    return true;
}

std::string TParser::LexemText(int64_t start, int64_t end) {
    RTL_ASSERT(start >= 0 && start <= end);
    if (!stream_) return text_.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
    std::string result;
    result.reserve(static_cast<size_t>(end - start));
    for (const TBlock& block : blocks_) {
        const int64_t blockEnd = block.Start + static_cast<int64_t>(block.Text.size());
        const int64_t from = std::max(start, block.Start);
        const int64_t to = std::min(end, blockEnd);
        if (from < to)
            result.append(block.Text, static_cast<size_t>(from - block.Start),
                          static_cast<size_t>(to - from));
    }
    RTL_ASSERT(static_cast<int64_t>(result.size()) == end - start);
    return result;
}

// ---- Scanning

int TParser::ScanLexem() {
    prevPrevStart_ = lastStart_;
    lastStart_ = pos_;
    prevLine_ = line_;
    prevLineStart_ = lineStart_;
    lexStart_ = -1;

    for (;;) {
        while (!AtEnd(pos_) && IsBlank(CharAt(pos_))) {
            if (lexStart_ < 0) lexStart_ = pos_;
            StepTracked();
        }
        if (lexStart_ >= 0) {
            if (!skipBlanks_) {
                lexEnd_ = pos_;
                return lxBlank;
            }
            lexStart_ = -1; // skipped blanks belong to no lexeme
        }
        if (AtEnd(pos_)) return lxEnd;

        const int64_t commentStart = pos_;
        if (IsInlineComment(pos_)) {
            while (!AtEnd(pos_) && CharAt(pos_) != '\r' && CharAt(pos_) != '\n')
                ++pos_;
        } else if (TextAt(pos_, "/*")) {
            // The end is searched after the opening mark, so "/*/" does not close the comment.
            pos_ += 2;
            while (!AtEnd(pos_) && !TextAt(pos_, "*/"))
                StepTracked();
            if (!AtEnd(pos_)) pos_ += 2;
        } else {
            break;
        }
        lexStart_ = commentStart;
        if (!skipComments_) {
            lexEnd_ = pos_;
            return lxComment;
        }
        // A skipped comment joins the blanks after it when blanks are kept.
        if (skipBlanks_) lexStart_ = -1;
    }

    lexStart_ = pos_;
    const char c = CharAt(pos_);
    if (IsSymbol(c)) {
        if (IsStringQuote(c)) {
            ++pos_;
            if (!keepQuotes_) lexStart_ = pos_;
            SkipToQuote(c);
            lexEnd_ = pos_;
            if (!AtEnd(pos_)) {
                ++pos_;
                if (keepQuotes_) lexEnd_ = pos_;
            }
            return lxString;
        }
        if (IsIdentQuote(c)) {
            ++pos_;
            SkipToPlainQuote(c);
            if (!AtEnd(pos_)) ++pos_;
            lexEnd_ = pos_;
            return lxIdent;
        }
        return ScanSymbol();
    }
    if (IsAlpha(c) || c == '_') {
        ++pos_;
        while (!AtEnd(pos_) && (IsAlpha(CharAt(pos_)) || IsNumber(CharAt(pos_)) || CharAt(pos_) == '_'))
            ++pos_;
        lexEnd_ = pos_;
        return lxIdent;
    }
    if (IsNumber(c)) {
        while (!AtEnd(pos_) && IsNumber(CharAt(pos_)))
            ++pos_;
        if (CharAt(pos_) == kDecimalSeparator && !AtEnd(pos_ + 1) && IsNumber(CharAt(pos_ + 1))) {
            ++pos_;
            while (!AtEnd(pos_) && IsNumber(CharAt(pos_)))
                ++pos_;
        }
        lexEnd_ = pos_;
        return lxNumber;
    }
    throw EParserError(rtl::Format("Parser: The unknown symbol '%s'  $%.4x", std::string(1, c),
                                   static_cast<unsigned char>(c)));
}

// The longest run of symbol characters that keeps matching the table from one character on.
int TParser::ScanSymbol() {
    const std::pair<std::string, int>* match = nullptr;
    std::string probe;
    for (int64_t i = pos_; !AtEnd(i) && IsSymbol(CharAt(i)); ++i) {
        probe += CharAt(i);
        const auto* entry = symbols_->Find(probe);
        if (!entry) break;
        match = entry;
    }
    if (!match) {
        ++pos_;
        lexEnd_ = pos_;
        return lxSymbol;
    }
    pos_ += static_cast<int64_t>(match->first.size());
    lexEnd_ = pos_;
    symbolText_ = match->first;
    return match->second;
}

int TParser::NextLexem(std::string& lexem) {
    int code = ScanLexem();
    if (code > 0) {
        lexem = symbolText_;
    } else if (code == lxEnd) {
        lexem.clear();
    } else {
        lexem = LexemText(lexStart_, lexEnd_);
    }
    if (code == lxIdent) {
        if (const auto* keyword = keywords_->Find(lexem)) {
            code = keyword->second;
            if (upperKeywords_) lexem = AnsiUpper(lexem);
        }
    }
    return code;
}

int TParser::NextCode() {
    std::string lexem;
    return NextLexem(lexem);
}

int TParser::SkipToCode(int code) {
    int current;
    do {
        current = NextCode();
    } while (current != code && current != lxEnd);
    return current;
}

void TParser::Back() {
    pos_ = lastStart_;
}

bool TParser::FindKeyword(std::string_view word) {
    const std::string wanted = AnsiUpper(word);
    for (;;) {
        const int code = ScanLexem();
        if (code == lxEnd) return false;
        if (code == lxIdent || code == lxNumber) {
            if (UpperAsciiText(LexemText(lexStart_, lexEnd_)) == wanted) return true;
        } else if (code > 0) {
            if (symbolText_ == wanted) return true;
        } else if (code == lxSymbol) {
            if (LexemText(lexStart_, lexEnd_) == wanted) return true;
        }
    }
}

// ---- TSQLParser

TSQLParser::TSQLParser(std::string text) : TParser(std::move(text)) {
    InitSQL();
}

TSQLParser::TSQLParser(rtl::TStream& stream, const Encoding& encoding) : TParser(stream, encoding) {
    InitSQL();
}

void TSQLParser::InitSQL() {
    SetTables(BaseSymbols(), SQLKeywords());
    SetClauses(SQLClauses());
}

bool TSQLParser::IsAlpha(char c) const {
    return TParser::IsAlpha(c) || c == '#' || c == '$';
}

bool TSQLParser::IsStringQuote(char c) const {
    return c == '\'';
}

bool TSQLParser::IsIdentQuote(char c) const {
    return c == '"';
}

bool TSQLParser::IsInlineComment(int64_t index) {
    return TextAt(index, "--") && !AtEnd(index + 2);
}

int TSQLParser::ClauseIndex(int code) const {
    RTL_ASSERT(clauses_ && !clauses_->empty());
    const auto it = std::find(clauses_->begin(), clauses_->end(), code);
    return it == clauses_->end() ? -1 : static_cast<int>(it - clauses_->begin());
}

bool TSQLParser::IsClauseLexem(int code) const {
    return ClauseIndex(code) >= 0;
}

int TSQLParser::CompareClauses(int code1, int code2) const {
    const int index1 = ClauseIndex(code1);
    const int index2 = ClauseIndex(code2);
    if (index1 < 0 || index2 < 0) return -2;
    return index1 == index2 ? 0 : (index1 < index2 ? -1 : 1);
}

} // namespace dataaccess
