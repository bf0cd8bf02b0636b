#include "editor/uSQLScriptEditorPlugin.h"

#include "core/uStringUtils.h"
#include "editor/WCEBuffers.h"
#include "editor/WCEContent.h"

namespace editor {

namespace {

constexpr std::u16string_view kDelimiterCommand = u"DELIMITER";
constexpr std::u16string_view kUseCommand = u"USE";

bool IsGap(int kind) {
    return kind == tkWhiteSpace || kind == tkLineComment || kind == tkBlockComment;
}

bool MarkOf(const TLineData* data) {
    return data && data->Mark;
}

} // namespace

TSQLStatementSplitter::TLineEnd TSQLStatementSplitter::EndOf(const TLineData* data) {
    return data ? TLineEnd{data->OpenAtEnd, data->EndState, data->Delimiter} : TLineEnd{};
}

void TSQLStatementSplitter::Tokenize(const std::u16string& text, TSQLScanState state) {
    TWideStringStream stream(text);
    tokenizer_.Open(stream, state);
    tokens_.clear();
    for (int kind = tokenizer_.NextToken(); kind != tkEnd; kind = tokenizer_.NextToken()) {
        const auto start = static_cast<int>(tokenizer_.TokenPosition());
        tokens_.push_back({kind, start, start + static_cast<int>(tokenizer_.TokenText().size())});
    }
}

// The delimiter is matched on its characters, and it must cover whole tokens: after DELIMITER go,
// "go" ends a statement and "good" does not.
int TSQLStatementSplitter::MatchDelimiter(const std::u16string& text, std::size_t first,
                                          const std::u16string& delimiter) const {
    if (delimiter.empty()) return -1;
    const int start = tokens_[first].Start;
    if (text.compare(static_cast<std::size_t>(start), delimiter.size(), delimiter) != 0) return -1;
    const int stop = start + static_cast<int>(delimiter.size());
    for (std::size_t i = first; i < tokens_.size() && tokens_[i].End <= stop; ++i)
        if (tokens_[i].End == stop) return static_cast<int>(i);
    return -1;
}

void TSQLStatementSplitter::ParseLine(int line, bool openBefore, bool mark) {
    const TLineEnd before = line == 0 ? TLineEnd{} : EndOf(lines_.LineData(line - 1));
    const std::u16string& text = lines_.LineText(line);
    Tokenize(text, before.EndState);
    const auto tokenText = [&](std::size_t i) {
        return std::u16string_view(text).substr(static_cast<std::size_t>(tokens_[i].Start),
                                                static_cast<std::size_t>(tokens_[i].End - tokens_[i].Start));
    };
    const auto isWord = [&](std::size_t i, std::u16string_view word) {
        return tokens_[i].Kind == tkWord && SameWord(tokenText(i), word);
    };
    const auto nextSolid = [&](std::size_t i) {
        while (i < tokens_.size() && IsGap(tokens_[i].Kind))
            ++i;
        return i;
    };

    auto data = std::make_unique<TLineData>();
    data->Mark = mark;
    std::u16string delimiter = before.Delimiter;
    std::u16string database;
    int statementStart = -1;
    int afterLastStatement = 0;
    bool open = openBefore;
    for (std::size_t i = 0; i < tokens_.size(); ++i) {
        if (IsGap(tokens_[i].Kind)) continue;
        if (const int last = MatchDelimiter(text, i, delimiter); last >= 0) {
            // A delimiter with nothing before it ends an empty statement, unless an earlier line
            // began the statement.
            if (statementStart < 0 && !open) statementStart = afterLastStatement;
            data->Statements.push_back({statementStart, tokens_[i].Start, database});
            afterLastStatement = tokens_[static_cast<std::size_t>(last)].End;
            statementStart = -1;
            open = false;
            i = static_cast<std::size_t>(last);
            continue;
        }
        if (statementStart >= 0 || open) continue;
        if (isWord(i, kDelimiterCommand)) {
            const std::size_t first = nextSolid(i + 1);
            if (first == tokens_.size()) break;
            std::size_t end = first;
            while (end < tokens_.size() && !IsGap(tokens_[end].Kind))
                ++end;
            delimiter = text.substr(static_cast<std::size_t>(tokens_[first].Start),
                                    static_cast<std::size_t>(tokens_[end - 1].End - tokens_[first].Start));
            i = end - 1;
            continue;
        }
        statementStart = tokens_[i].Start;
        if (isWord(i, kUseCommand)) {
            // "USE;" names no database: the delimiter stays a delimiter.
            const std::size_t name = nextSolid(i + 1);
            if (name < tokens_.size() && MatchDelimiter(text, name, delimiter) < 0) {
                std::u16string_view value = tokenText(name);
                if (tokens_[name].Kind == tkString && value.size() >= 2)
                    value = value.substr(1, value.size() - 2);
                database = value;
                i = name;
            }
        }
    }
    if (statementStart >= 0) {
        data->Statements.push_back({statementStart, -1, database});
        open = true;
    }
    data->OpenAtEnd = open;
    data->EndState = tokenizer_.State();
    data->Parsed = true;
    data->Delimiter = std::move(delimiter);
    bool startsStatement = false;
    for (const TStatement& statement : data->Statements)
        startsStatement = startsStatement || statement.Start >= 0;
    lines_.SetLineData(line, std::move(data));
    lines_.SetStatementMarkers(line, startsStatement, mark);
}

void TSQLStatementSplitter::ValidateLine(int line) {
    const TLineData* old = lines_.LineData(line);
    // A line without data yet (a new one) stands where the lines after it were parsed against the
    // end of the line before it.
    const TLineEnd saved = old ? EndOf(old) : line == 0 ? TLineEnd{} : EndOf(lines_.LineData(line - 1));
    const bool mark = MarkOf(old);
    if (line > 0) {
        int parsed = line - 1;
        while (parsed >= 0 && !(lines_.LineData(parsed) && lines_.LineData(parsed)->Parsed))
            --parsed;
        if (parsed < 0) {
            ParseLine(0, false, MarkOf(lines_.LineData(0)));
            parsed = 0;
        }
        for (int k = parsed + 1; k < line; ++k)
            ParseLine(k, lines_.LineData(k - 1)->OpenAtEnd, MarkOf(lines_.LineData(k)));
    }
    ParseLine(line, line > 0 && lines_.LineData(line - 1)->OpenAtEnd, mark);
    if (EndOf(lines_.LineData(line)) != saved) InvalidateFollowing(line);
}

// A line without data is parsed when fetched, unless the lines after it were parsed already: a line
// inserted among parsed lines is parsed at once, so that their data follows it.
void TSQLStatementSplitter::LineChanged(int line) {
    const bool followersParsed =
        line + 1 < lines_.LineCount() && lines_.LineData(line + 1) && lines_.LineData(line + 1)->Parsed;
    if (lines_.LineData(line) || followersParsed) ValidateLine(line);
}

// The lines after a deleted one were parsed against its end; they follow the line before it now.
void TSQLStatementSplitter::LineDeleted(int line) {
    const TLineData* data = lines_.LineData(line);
    if (!data) return;
    const bool endChanges = EndOf(data) != (line == 0 ? TLineEnd{} : EndOf(lines_.LineData(line - 1)));
    lines_.SetLineData(line, nullptr);
    if (endChanges) InvalidateFollowing(line);
}

// Every following parsed line is dropped, whether or not it was ever fetched: a line parsed on the
// way to a later one holds data as stale as a painted one.
void TSQLStatementSplitter::InvalidateFollowing(int line) {
    for (int k = line + 1; k < lines_.LineCount(); ++k) {
        TLineData* data = lines_.LineData(k);
        if (!data || !data->Parsed) break;
        data->Parsed = false;
        lines_.InvalidateLine(k);
    }
}

TStatementAtCaret TSQLStatementSplitter::StatementAt(TCharPoint caret) {
    const int line = caret.Y;
    if (line < 0 || line >= lines_.LineCount()) return {};
    const std::u16string& text = lines_.FetchLine(line);
    TCharPoint start;
    TCharPoint end;
    if (const TLineData* data = lines_.LineData(line)) {
        bool previousEnded = false;
        for (const TStatement& statement : data->Statements) {
            if (previousEnded || (statement.Start >= 0 && statement.Start <= caret.X))
                start = {statement.Start, line};
            if (statement.End >= caret.X) {
                end = {statement.End, line};
                break;
            }
            // After the line's last delimiter the caret still belongs to the statement it ends.
            if (statement.End >= 0) {
                const std::u16string rest = core::WideTrimSpaces(std::u16string_view(text).substr(
                    static_cast<std::size_t>(std::min<int>(statement.End, static_cast<int>(text.size())))));
                if (rest.empty() || rest == data->Delimiter) {
                    end = {statement.End, line};
                    break;
                }
            }
            previousEnded = statement.End >= 0;
        }
    }
    if (!end.Valid() && line == lines_.LineCount() - 1) end = {static_cast<int>(text.size()), line};
    if (!start.Valid()) start = FindStart(line);
    if (!end.Valid()) end = FindEnd(line);
    if (!start.Valid() || !end.Valid()) return {};
    return {lines_.TextRange(start, end), TextOffset(start)};
}

// Backwards from the line before: the last statement piece that starts a statement, unless one that
// ends a statement comes first.
TCharPoint TSQLStatementSplitter::FindStart(int line) {
    for (int k = line - 1; k >= 0; --k) {
        lines_.FetchLine(k);
        const TLineData* data = lines_.LineData(k);
        if (!data) continue;
        for (auto it = data->Statements.rbegin(); it != data->Statements.rend(); ++it) {
            if (it->End >= 0) return {};
            if (it->Start >= 0) return {it->Start, k};
        }
    }
    return {};
}

// Forwards from the line after: the first delimiter, or the end of the text.
TCharPoint TSQLStatementSplitter::FindEnd(int line) {
    const int last = lines_.LineCount() - 1;
    for (int k = line + 1; k <= last; ++k) {
        const std::u16string& text = lines_.FetchLine(k);
        if (const TLineData* data = lines_.LineData(k))
            for (const TStatement& statement : data->Statements)
                if (statement.End >= 0) return {statement.End, k};
        if (k == last) return {static_cast<int>(text.size()), k};
    }
    return {};
}

int TSQLStatementSplitter::TextOffset(TCharPoint point) const {
    int offset = point.X;
    for (int k = 0; k < point.Y; ++k)
        offset += static_cast<int>(lines_.LineText(k).size()) + 2;
    return offset;
}

TSQLScriptEditorPlugin::~TSQLScriptEditorPlugin() {
    if (!editor_) return;
    TWideCodeEditorContent& content = Content();
    content.OnValidateLine = nullptr;
    content.OnLineChanged = nullptr;
    content.OnLineDeleted = nullptr;
    for (int line = 0; line < content.Count(); ++line)
        SetLineData(line, nullptr);
}

void TSQLScriptEditorPlugin::Attach(TWideCodeEditModel* editor) {
    RTL_ASSERT(editor);
    editor_ = editor;
    TWideCodeEditorContent& content = Content();
    content.OnValidateLine = [this](TWideCodeEditorContent&, TWCELine* line) {
        splitter_.ValidateLine(line->Index());
    };
    content.OnLineChanged = [this](TWideCodeEditorContent&, TWCELine* line) {
        if (line) splitter_.LineChanged(line->Index());
    };
    content.OnLineDeleted = [this](TWideCodeEditorContent&, TWCELine* line) {
        splitter_.LineDeleted(line->Index());
    };
}

// The caret's display column becomes a character index once; everything after counts characters.
void TSQLScriptEditorPlugin::GetStatementAtCaret(int& offset, std::u16string& text) {
    offset = 0;
    text.clear();
    if (!editor_) return;
    const int line = editor_->CaretY();
    if (line < 0 || line >= LineCount()) return;
    const TStatementAtCaret statement =
        splitter_.StatementAt({Content().GetLineRaw(line)->ColumnToChar(editor_->CaretX()), line});
    offset = statement.Offset;
    text = statement.Text;
}

void TSQLScriptEditorPlugin::GetStatementTextAtCaret(std::u16string& text) {
    int offset = 0;
    GetStatementAtCaret(offset, text);
}

void TSQLScriptEditorPlugin::GetLineFlags(int line, int& flags) const {
    flags = 0;
    if (editor_ && line >= 1 && line <= LineCount() && HasStatementMarker(line - 1))
        flags |= kStatementStartFlag;
}

int TSQLScriptEditorPlugin::LineCount() const {
    return Content().Count();
}

const std::u16string& TSQLScriptEditorPlugin::LineText(int line) const {
    return Content().GetLineRaw(line)->Text();
}

const std::u16string& TSQLScriptEditorPlugin::FetchLine(int line) {
    return Content().GetLine(line)->Text();
}

TLineData* TSQLScriptEditorPlugin::LineData(int line) const {
    return static_cast<TLineData*>(Content().GetLineRaw(line)->Data);
}

// The one place where a line's data changes hands: the old data is freed as the new one takes its
// slot.
void TSQLScriptEditorPlugin::SetLineData(int line, std::unique_ptr<TLineData> data) {
    TWCELine& target = *Content().GetLineRaw(line);
    delete static_cast<TLineData*>(target.Data);
    target.Data = data.release();
}

void TSQLScriptEditorPlugin::InvalidateLine(int line) {
    Content().GetLineRaw(line)->ClearValidated();
    editor_->Repaint();
}

void TSQLScriptEditorPlugin::SetStatementMarkers(int line, bool startsStatement, bool mark) {
    TWCELine& target = *Content().GetLineRaw(line);
    target.ClearMarkers();
    if (!startsStatement) return;
    target.AddMarker(debugInfoMarker_);
    target.AddMarker(mark ? breakPointMarker_ : emptyMarker_);
}

bool TSQLScriptEditorPlugin::HasStatementMarker(int line) const {
    return Content().GetLineRaw(line)->HasMarker(debugInfoMarker_);
}

std::u16string TSQLScriptEditorPlugin::TextRange(TCharPoint from, TCharPoint to) const {
    return Content().GetTextRangeChars({from.X, from.Y}, {to.X, to.Y});
}

} // namespace editor
