// The code editor window: paints the model and turns input into the model's commands.
#pragma once

#include "editor/WCESystemClipboard.h"
#include "editor/WideCodeEditModel.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Hints.h"

namespace editor {

// The code editor as a window: paints the model's visible lines, turns keys, mouse, wheel, scroll
// bars and input-method results into the model's commands and view changes.
class TCustomWideCodeEdit : public ui::TCustomControl, private IWideCodeEditView {
public:
    explicit TCustomWideCodeEdit(ui::TComponent* owner);
    ~TCustomWideCodeEdit() override;

    TWideCodeEditModel& Model() { return model_; }
    const TWideCodeEditModel& Model() const { return model_; }

    // Set while the selection is drawn: focused and editable, or an option keeps it visible.
    bool SelectionVisible() const;
    ui::TFont* LineNumberFont() const { return lineNumberFont_.get(); }

    void WndProc(ui::TMessage& message) override;
    // Text dragged from an editor (this one or another) is dropped at the pointer.
    void DoStartDrag(ui::TDragObject*& dragObject) override;
    bool DragOver(ui::TObject* source, int x, int y, ui::TDragState state) override;
    void DragDrop(ui::TObject* source, int x, int y) override;
    void DoEndDrag(ui::TObject* target, int x, int y) override;

    std::function<void(TCustomWideCodeEdit& sender, ui::TCanvas& canvas)> OnPaint;
    std::function<void(TCustomWideCodeEdit& sender, bool focused)> OnFocusChanged;
    // Fired for a press over the gutter, with the line under the pointer.
    std::function<void(TCustomWideCodeEdit& sender, ui::TMouseButton button, ui::TShiftState shift, int x,
                       int y, int line)>
        OnGutterMouseDown;

    static constexpr ui::TColor kGutterLeft = 0xE5E5E5;
    static constexpr ui::TColor kGutterRight = 0xFAFAFA;
    static constexpr ui::TColor kGutterShadow = 0x808080;
    static constexpr int kBookmarkLeftMargin = TBookmarkOptions::kDefaultLeftMargin;
    // The width of the bookmark glyphs: plug-ins place their own glyphs right of them.
    static int BookmarkGlyphWidth();
    // The screen cursors of a text drag that moves or copies.
    static constexpr ui::TCursor crDragMove = 2910;
    static constexpr ui::TCursor crDragCopy = 3110;
    // What eoShowControlChars shows for a space, a tab and the line end.
    static constexpr char16_t kSpaceSymbol = u'\u00B7';
    static constexpr char16_t kTabSymbol = u'\u2192';
    static constexpr char16_t kLineEndSymbol = u'\u00B6';
    // Blank pixels between the gutter's edge lines and column 0, so that no character touches them.
    static constexpr int kTextMargin = 2;
    // The client x of column 0 after horizontal scrolling, and of the text area's left edge.
    int TextOrigin() const { return model_.GutterWidth() + kTextMargin + model_.LeftOffset(); }
    int TextLeftEdge() const { return model_.GutterWidth() + kTextMargin; }
    // The text position under a client pixel.
    TPoint TextPointAt(int x, int y) const { return model_.PixelsToColumnLine(x - kTextMargin, y); }
    // The window that shows the top line while the vertical thumb is dragged; null until then.
    ui::THintWindow* ScrollHintWindow() const { return scrollHint_.get(); }
    static constexpr uintptr_t kScrollTimer = 1;
    static constexpr uint32_t kScrollInterval = 20;

protected:
    void Paint() override;
    void KeyDown(uint16_t& key, ui::TShiftState shift) override;
    void KeyPress(char16_t& key) override;
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    bool DoMouseWheel(ui::TShiftState shift, int wheelDelta, ui::TPoint mousePos) override;
    void CreateWnd() override;
    void BoundsChanged() override;
    void ApplyFont() override;

private:
    // IWideCodeEditView
    void InvalidateLines(int first, int last) override;
    void InvalidateAll() override { Invalidate(); }
    void UpdateCaret() override;
    void UpdateScrollBars() override;
    void ScrollLines(int delta) override;
    void SetRedraw(bool on) override;

    struct TPiece;
    void MeasureFont();
    void UpdateClientSize();
    void PaintLines(ui::TCanvas& canvas, const ui::TRect& clip);
    void PaintRow(ui::TCanvas& canvas, const ui::TRect& clip, int line, int y);
    void PaintPiece(ui::TCanvas& canvas, const ui::TRect& clip, const TWCELine& line, const TPiece& piece,
                    int y);
    void PaintGutter(ui::TCanvas& canvas, const ui::TRect& clip);
    void PaintSymbol(ui::TCanvas& canvas, ui::TRect cell, char16_t symbol);
    // Brings the highlighter's start states up to `line`.
    void ScanUpTo(int line);
    // Scans the rest of the highlighter's line and stores its end state as the next line's start.
    void StoreNextRange(int line);
    void StartHighlighter(int line);
    void PaintScrollBarGround(ui::TCanvas& canvas);
    void HandleScroll(int bar, int code);
    void ShowScrollHint();
    // The pointer's shape over a client point: the arrow over the gutter and over draggable selected text.
    ui::TCursor CursorAt(int x, int y) const;
    void AutoScroll();
    void StartTimer();
    void StopTimer();
    // Whether text dropped here from `source` is copied rather than moved.
    bool DropCopies(const TCustomWideCodeEdit& source) const;
    void DropText(TCustomWideCodeEdit& source, ui::TPoint at, bool move);
    void ShowCaretAt();

    TWideCodeEditModel model_;
    TSystemEditorClipboard clipboard_;
    std::unique_ptr<ui::TFont> lineNumberFont_;
    bool keyHandled_ = false;
    bool doubleClickSelecting_ = false;
    uint32_t lastDoubleClick_ = 0;
    bool tripleClickArmed_ = false;
    bool timerRunning_ = false;
    bool caretCreated_ = false;
    bool caretShown_ = false;
    ui::TPoint caretOffset_; // of the caret's shape within its cell
    std::unique_ptr<ui::THintWindow> scrollHint_;
    ui::TPoint dragOrigin_;
    ui::TPoint mousePos_;
    // A press on the selection drags its text once the pointer passes the drag threshold; released
    // before, it is a click.
    bool pressOnSelection_ = false;
    // A drag entered this editor since the last drag start.
    bool dragOver_ = false;
    // A text drag hovers here: the timer moves only the caret.
    bool dropTracking_ = false;
};

} // namespace editor
