#pragma once

#include "editor/WCEContent.h"
#include "editor/WCEUndo.h"

#include <string>
#include <vector>

namespace editor::testing {

// An editor host with TabSize 4 and CharWidth 8 whose caret and selection the test sets by hand.
class TFakeEditorHost : public IEditorHost {
public:
    TWideCodeEditorContent content{*this};
    TUndoList undo{*this};
    int tabSize = 4;
    int charWidth = 8;
    bool cursorThroughTabs = false;
    int workWidth = TWideCodeEditorContent::kDefaultWorkWidth;
    TEditorState state;
    int updates = 0;
    int caretResets = 0;
    int repaints = 0;
    int scannedUpTo = 0;
    std::vector<int> rescans;
    bool destroying = false;

    TWideCodeEditorContent& Content() override { return content; }
    TUndoList& UndoList() override { return undo; }
    int TabSize() const override { return tabSize; }
    int CharWidth() const override { return charWidth; }
    bool CursorThroughTabs() const override { return cursorThroughTabs; }
    int WorkWidth() const override { return workWidth; }
    void SetWorkWidth(int width) override { workWidth = width; }
    TEditorState State() const override { return state; }
    bool InUpdate() const override { return updates > 0; }
    void BeginUpdate() override { ++updates; }
    void EndUpdate() override { --updates; }
    void ResetCaret() override {
        state = {};
        ++caretResets;
    }
    void Repaint() override { ++repaints; }
    int ScannedUpTo() const override { return scannedUpTo; }
    void RescanFrom(int line) override { rescans.push_back(line); }
    bool Destroying() const override { return destroying; }

    std::vector<std::u16string> Lines() const {
        std::vector<std::u16string> lines;
        for (int i = 0; i < content.Count(); ++i)
            lines.push_back(content.GetLineRaw(i)->Text());
        return lines;
    }
};

} // namespace editor::testing
