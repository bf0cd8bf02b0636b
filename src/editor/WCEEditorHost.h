// What the editor's commands need of their host: caret, selection and the undo records.
#pragma once

#include "platform/ui/Types.h"

namespace editor {

using ui::TPoint;

class TUndoList;
class TWideCodeEditorContent;

// Orders positions by line, then column.
inline bool PointBefore(TPoint a, TPoint b) {
    return a.Y < b.Y || (a.Y == b.Y && a.X < b.X);
}

// Caret and ordered selection, as an undo record keeps them around each change.
struct TEditorState {
    TPoint Caret;
    TPoint SelStart;
    TPoint SelEnd;
    friend bool operator==(const TEditorState&, const TEditorState&) = default;
};

// What the line store and the undo list need of the editor that owns them. The editor model
// implements it; tests use a fake.
class IEditorHost {
public:
    virtual ~IEditorHost() = default;

    virtual TWideCodeEditorContent& Content() = 0;
    virtual TUndoList& UndoList() = 0;
    virtual int TabSize() const = 0;
    virtual int CharWidth() const = 0;
    // The option that lets the caret move column by column through tabs.
    virtual bool CursorThroughTabs() const = 0;
    // Pixel width of the scrollable text area.
    virtual int WorkWidth() const = 0;
    virtual void SetWorkWidth(int width) = 0;
    virtual TEditorState State() const = 0;
    // Inside BeginUpdate/EndUpdate: nothing is recorded for undo.
    virtual bool InUpdate() const = 0;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    // Caret and an empty selection to (0, 0), announced.
    virtual void ResetCaret() = 0;
    virtual void Repaint() = 0;
    // The highest line whose highlighter start state is known, and restarting the scan at a line.
    virtual int ScannedUpTo() const = 0;
    virtual void RescanFrom(int line) = 0;
    virtual bool Destroying() const = 0;
};

} // namespace editor
