// The editor plug-in that splits a script into statements and finds the one at the caret.
#pragma once

#include "editor/uSQLTokenizer.h"
#include "editor/WCEShared.h"
#include "editor/WideCodeEditModel.h"

#include <memory>
#include <string>
#include <vector>

namespace editor {

// One statement piece on one line; offsets are character indexes in the line.
struct TStatement {
    int Start = -1;          // where its first token begins; -1 when it began on an earlier line
    int End = -1;            // the first character of the delimiter that ends it; -1 when it goes on
    std::u16string Database; // named by a USE on this line
    friend bool operator==(const TStatement&, const TStatement&) = default;
};

// What the splitter knows of one parsed line.
struct TLineData {
    std::vector<TStatement> Statements;
    TSQLScanState EndState = ssNone;
    bool OpenAtEnd = false;          // a statement still waits for its delimiter
    bool Parsed = false;             // cleared to ask for a parse at the next fetch
    std::u16string Delimiter = u";"; // in force at the line's end
    bool Mark = false;               // carried from one parse of the line to the next
};

// A point in the text with X as a character index in its line.
struct TCharPoint {
    int X = -1;
    int Y = -1;
    bool Valid() const { return X >= 0 && Y >= 0; }
};

// The lines the splitter reads and marks; the plug-in answers for the editor's line store.
class ISQLScriptLines {
public:
    virtual ~ISQLScriptLines() = default;
    virtual int LineCount() const = 0;
    // The text as it stands.
    virtual const std::u16string& LineText(int line) const = 0;
    // The text after the store has validated the line, which parses a changed line through the
    // splitter's ValidateLine.
    virtual const std::u16string& FetchLine(int line) = 0;
    virtual TLineData* LineData(int line) const = 0;
    // Replaces the line's data and frees the old one.
    virtual void SetLineData(int line, std::unique_ptr<TLineData> data) = 0;
    // Drops the line's validated mark, so that its next fetch validates it again, and repaints it.
    virtual void InvalidateLine(int line) = 0;
    // The gutter marks of a line: whether a statement starts on it, and the carried mark flag.
    virtual void SetStatementMarkers(int line, bool startsStatement, bool mark) = 0;
    virtual bool HasStatementMarker(int line) const = 0;
    // The text from one point up to another (X character indexes), lines joined with CR LF.
    virtual std::u16string TextRange(TCharPoint from, TCharPoint to) const = 0;
};

// The statement at a position: its text without the delimiter, lines joined with CR LF, and the
// offset of its start in the whole text with every line break counted as two characters.
struct TStatementAtCaret {
    std::u16string Text;
    int Offset = 0;
};

// Follows statement delimiters, DELIMITER commands and USE line by line over a store of lines. A
// line is parsed when it is first fetched after a change; a change of a line's end (open statement,
// open string or comment, delimiter) drops the parsed state of the lines after it.
class TSQLStatementSplitter {
public:
    explicit TSQLStatementSplitter(ISQLScriptLines& lines) : lines_(lines) {}
    TSQLStatementSplitter(const TSQLStatementSplitter&) = delete;
    TSQLStatementSplitter& operator=(const TSQLStatementSplitter&) = delete;

    // The store's three content hooks.
    void ValidateLine(int line);
    void LineChanged(int line);
    void LineDeleted(int line);

    // The statement that holds the position (X a character index); empty text when there is none.
    TStatementAtCaret StatementAt(TCharPoint caret);

private:
    struct TTokenSpan {
        int Kind;
        int Start;
        int End;
    };
    struct TLineEnd {
        bool OpenAtEnd = false;
        TSQLScanState EndState = ssNone;
        std::u16string Delimiter = u";";
        bool operator==(const TLineEnd&) const = default;
    };

    static TLineEnd EndOf(const TLineData* data);
    void ParseLine(int line, bool openBefore, bool mark);
    void Tokenize(const std::u16string& text, TSQLScanState state);
    // The index of the last token of a delimiter that starts at token `first`, or -1.
    int MatchDelimiter(const std::u16string& text, std::size_t first, const std::u16string& delimiter) const;
    void InvalidateFollowing(int line);
    TCharPoint FindStart(int line);
    TCharPoint FindEnd(int line);
    int TextOffset(TCharPoint point) const;

    ISQLScriptLines& lines_;
    TSQLTokenizer tokenizer_;
    std::vector<TTokenSpan> tokens_; // of the line being parsed, kept to reuse its room
};

// Gutter markers of the splitter. None draws anything; the empty one keeps room for the debugger's
// glyphs.
class TDebugInfoMarker : public IWCELineMarker {
public:
    void Draw(int, ui::TCanvas&, int, int) override {}
    void GetSize(int, ui::TSize&) override {}
};
class TBreakPointMarker : public IWCELineMarker {
public:
    void Draw(int, ui::TCanvas&, int, int) override {}
    void GetSize(int, ui::TSize&) override {}
};
class TEmptyMarker : public IWCELineMarker {
public:
    void Draw(int, ui::TCanvas&, int, int) override {}
    void GetSize(int, ui::TSize& size) override { size = {12, 16}; }
};

// The line flag of a line on which a statement starts.
constexpr int kStatementStartFlag = 8;

// Attaches the statement splitter to one editor: the splitter follows its line store's hooks and
// keeps its per-line data in the lines' data slots. Freed before the editor.
class TSQLScriptEditorPlugin : public IWCEEditorPlugin, private ISQLScriptLines {
public:
    TSQLScriptEditorPlugin() = default;
    // Removes the hooks and frees the lines' data; the text stays as it is.
    ~TSQLScriptEditorPlugin() override;
    TSQLScriptEditorPlugin(const TSQLScriptEditorPlugin&) = delete;
    TSQLScriptEditorPlugin& operator=(const TSQLScriptEditorPlugin&) = delete;

    void Attach(TWideCodeEditModel* editor) override;
    // The statement under the caret and its offset in the whole text (line breaks counted as two).
    void GetStatementAtCaret(int& offset, std::u16string& text);
    void GetStatementTextAtCaret(std::u16string& text);
    // `line` counts from 1; flags get kStatementStartFlag when a statement starts on the line.
    void GetLineFlags(int line, int& flags) const;

private:
    int LineCount() const override;
    const std::u16string& LineText(int line) const override;
    const std::u16string& FetchLine(int line) override;
    TLineData* LineData(int line) const override;
    void SetLineData(int line, std::unique_ptr<TLineData> data) override;
    void InvalidateLine(int line) override;
    void SetStatementMarkers(int line, bool startsStatement, bool mark) override;
    bool HasStatementMarker(int line) const override;
    std::u16string TextRange(TCharPoint from, TCharPoint to) const override;

    TWideCodeEditorContent& Content() const { return editor_->Content(); }

    TWideCodeEditModel* editor_ = nullptr;
    TSQLStatementSplitter splitter_{*this};
    const std::shared_ptr<IWCELineMarker> debugInfoMarker_ = std::make_shared<TDebugInfoMarker>();
    const std::shared_ptr<IWCELineMarker> breakPointMarker_ = std::make_shared<TBreakPointMarker>();
    const std::shared_ptr<IWCELineMarker> emptyMarker_ = std::make_shared<TEmptyMarker>();
};

} // namespace editor
