// The base of every editor frame: the code editor with completion, parameter hints and search.
#pragma once

#include "core/uMultiNotifier.h"
#include "editor/WideCodeEdit.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Timers.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace editor {
class TWCESQLHighlighter;
}

namespace app {

class TCodeCompletionItems;

// The one completion pop-up of the main window, shared by every editor frame: the owner's callback
// fills its items, then the frame shows it under the caret.
class ICodeCompletionPopup {
public:
    virtual ~ICodeCompletionPopup() = default;
    virtual TCodeCompletionItems& Items() = 0;
    virtual int ItemCount() const = 0;
    // Shows the pop-up with its top-left corner at the screen point, serving `editor`.
    virtual void Popup(ui::TPoint screen, editor::TCustomWideCodeEdit& editor) = 0;
    virtual bool Visible() const = 0;
    virtual void SetFocus() = 0;
};

// The parameter-hint window of one editor frame.
class ICodeParametersWindow {
public:
    virtual ~ICodeParametersWindow() = default;
    // Lays the parameters out, the current one (or none: -1) in bold, and shows the window with its
    // bottom at the screen point's y.
    virtual void ShowParameters(ui::TPoint screen, int index, const rtl::TStringList& parameters) = 0;
    virtual bool Visible() const = 0;
    virtual void Hide() = 0;
    // Top-left corner in screen coordinates.
    virtual ui::TPoint Position() const = 0;
    virtual void MoveTo(ui::TPoint screen) = 0;
};

// Makes the parameter-hint window of a frame's editor; the frame owns what it returns.
using TCodeParametersWindowClass =
    std::function<std::unique_ptr<ICodeParametersWindow>(editor::TCustomWideCodeEdit& editor)>;
// Installed by the unit that implements the window; frames made before have no parameter hints.
void SetCodeParametersWindowClass(TCodeParametersWindowClass windowClass);

// The pop-up frames use when their owner gives none; installed with the main window's pop-up.
ICodeCompletionPopup* DefaultCodeCompletionPopup();
void SetDefaultCodeCompletionPopup(ICodeCompletionPopup* popup);

class TfrmTextEditor;

// The hourglass for the length of a scope, then the default cursor again.
class THourGlass {
public:
    THourGlass();
    ~THourGlass();
    THourGlass(const THourGlass&) = delete;
    THourGlass& operator=(const THourGlass&) = delete;
};

// Line flags of the debugger plug-in, per 1-based line.
enum TDebugLineFlag : uint8_t {
    dlfCurrentLine = 1,
    dlfBreakpoint = 2,
    dlfDisabledBreakpoint = 4,
    dlfExecutableLine = 8,
};

// Draws the debugger's glyph in the gutter (current line before disabled breakpoint before breakpoint
// before executable line) and colours the current and breakpoint lines. Owned by the editor.
class TDebugSupportPlugin : public ui::TComponent {
public:
    using TLineColorsEvent = std::function<void(int line, ui::TColor& foreground, ui::TColor& background)>;
    using TLinesEvent = std::function<void(int firstLine, int count)>;
    using TLineFlagsEvent = std::function<void(int line, int& flags)>;

    static constexpr ui::TColor kCurrentLineColor = 0xC69A2F;
    static constexpr ui::TColor kBreakpointColor = 0x0052FF;
    static constexpr ui::TColor kDisabledBreakpointColor = 0xC0C0C0;
    static constexpr ui::TColor kMarkedLineText = 0xFFFFFF;
    static constexpr int kGlyphSize = 12;

    TDebugSupportPlugin(editor::TCustomWideCodeEdit* editor, TLineColorsEvent lineColors,
                        TLinesEvent linesDeleted, TLinesEvent linesInserted, TLineFlagsEvent lineFlags);

    // The glyph's left edge in the gutter, right of the bookmarks.
    static int GlyphLeft(int gutterLeft) {
        return gutterLeft + editor::TCustomWideCodeEdit::kBookmarkLeftMargin +
               editor::TCustomWideCodeEdit::BookmarkGlyphWidth() + 1;
    }

private:
    int Flags(int line) const;
    void PaintGutter(ui::TCanvas& canvas, int line, int left, int top);
    void LineColors(int line, ui::TColor& foreground, ui::TColor& background);

    editor::TCustomWideCodeEdit& editor_;
    TLineColorsEvent lineColors_;
    TLineFlagsEvent lineFlags_;
};

// The frame around one code editor that every SQL surface of the program uses: editor settings, the
// SQL highlighter, 1-based wrappers, completion and parameter hints on keys and timers, hover
// tooltips and, on request, the debugger's gutter plug-in.
class TfrmTextEditor : public ui::TFrame {
public:
    enum THighlighterKind { hkNone = 0, hkSQL = 1 };

    using TGutterClickEvent = std::function<void(int line)>;
    using TFrameEvent = std::function<void(TfrmTextEditor& sender)>;
    using TTooltipEvent = std::function<void(const std::u16string& text, std::u16string& tooltip)>;
    using TGetWordEvent =
        std::function<void(const std::u16string& lineText, int column, std::u16string& word)>;
    using TCompletionEvent = std::function<void(TCodeCompletionItems& items, bool& allow)>;
    using TParametersEvent = std::function<void(rtl::TStringList& parameters, int& index)>;
    using TContextPopupEvent = std::function<void(ui::TPoint mousePos, bool& handled)>;

    static constexpr uint32_t kMouseMoveDelay = 50;
    static constexpr uint32_t kCodeInsightDelay = 300;
    static constexpr ui::TColor kSelectionBackground = 0xA56D53;
    static constexpr ui::TColor kSelectionForeground = 0xFFFFFF;
    static constexpr ui::TColor kLineNumberColor = 0xB7B7B7;

    // Raises "Unknown highlighter." for a kind other than 0 and 1.
    TfrmTextEditor(ui::TComponent* owner, int highlighterKind);
    ~TfrmTextEditor() override;

    editor::TCustomWideCodeEdit& Editor() const { return *editor_; }
    editor::TWideCodeEditModel& Model() const { return editor_->Model(); }

    // ---- text and caret: lines count from 1, columns from 0, offsets count a line break as two
    std::u16string GetText() const;
    void SetText(std::u16string_view text);
    std::u16string GetSelectedText() const;
    // One undo step.
    void SetSelectedText(std::u16string_view text);
    bool SelectionAvailable() const;
    int GetCaretLine() const;
    ui::TPoint GetCaretXY() const;
    void SetCaretXY(ui::TPoint p);
    void SetCaretPos(int column, int line);
    int GetCaretOffset() const;
    void SetCaretOffset(int offset);
    // Caret at `first`, selected up to `last`.
    void SelectRange(int first, int last);
    std::u16string GetTextBeforeOffset(int offset) const;
    std::u16string GetCaretLineText() const;
    int GetLineCount() const;
    bool IsLineEmpty(int line) const;
    std::u16string GetWordAtCaret() const;
    // At a 0-based column and line.
    std::u16string GetWordAt(ui::TPoint p) const;
    bool GetModified() const;
    void SetModified(bool modified);
    void ClearUndo();
    void RepaintEditor();
    void InvalidateLine(int line);
    void FocusEditor();
    bool EditorFocused() const;
    void SetGutterExtraWidth(int width);

    // ---- owner callbacks
    void SetOnGutterClick(TGutterClickEvent event) { onGutterClick_ = std::move(event); }
    void SetOnCaretChange(TFrameEvent event) { onCaretChange_ = std::move(event); }
    TTooltipEvent OnGetTooltip;
    TFrameEvent OnCtrlEnter;
    TGetWordEvent OnGetWord;
    TContextPopupEvent OnContextPopup;
    bool HoverTooltips() const { return hoverTooltips_; }
    void SetHoverTooltips(bool on) { hoverTooltips_ = on; }
    // Completion runs while both are set.
    void SetCodeCompletion(ICodeCompletionPopup* popup, TCompletionEvent fill);
    void SetCodeParameters(TParametersEvent fill);
    ICodeParametersWindow* ParametersWindow() const { return parametersWindow_.get(); }

    void InstallScriptPlugin(editor::IWCEEditorPlugin* plugin);
    // Raises "Debugger plugin already installed." the second time.
    void InstallDebuggerPlugin(TDebugSupportPlugin::TLineColorsEvent lineColors,
                               TDebugSupportPlugin::TLinesEvent linesDeleted,
                               TDebugSupportPlugin::TLinesEvent linesInserted,
                               TDebugSupportPlugin::TLineFlagsEvent lineFlags);
    void ResetHint();
    void ShowCodeCompletion();
    void ShowCodeParameters();

    // ---- search, shared by every editor
    void Find();
    void Replace();
    void SearchAgain();
    void GoToLine();

private:
    void EditorCaretChanged();
    void EditorKeyDown(uint16_t key, ui::TShiftState shift);
    void EditorProcessCommand(editor::TEditorCommand command, char16_t ch);
    void EditorFocusChanged(bool focused);
    void EditorScroll(int deltaX, int deltaY);
    void EditorWindowProc(ui::TMessage& message);
    void MouseRested();
    void HideParameters();
    // Starts a timer over again.
    static void Restart(ui::TTimer& timer);
    void StartDialogSearch(bool replace);

    editor::TCustomWideCodeEdit* editor_;
    std::unique_ptr<editor::TWCESQLHighlighter> highlighter_;
    ui::TTimer* tmMouseMove_;
    ui::TTimer* tmShowCompletion_;
    ui::TTimer* tmUpdateCodeParameters_;
    ui::TTimer* tmShowCodeParameters_;
    std::function<void(ui::TMessage&)> editorWindowProc_;
    bool debuggerPluginInstalled_ = false;
    TGutterClickEvent onGutterClick_;
    TFrameEvent onCaretChange_;
    std::u16string lastHoverText_;
    ICodeCompletionPopup* completionPopup_ = nullptr;
    TCompletionEvent fillCompletion_;
    std::unique_ptr<ICodeParametersWindow> parametersWindow_;
    TParametersEvent fillParameters_;
    ui::TPoint mousePos_;
    ui::TShiftState mouseShift_;
    bool hoverTooltips_ = false;
    bool popupShowing_ = false;
};

// Whether "." starts completion and "(" parameter hints by themselves (the options dialog's settings).
extern bool AutoCodeCompletion;
extern bool AutoCodeParameters;

// Told of every caret move and focus change in any editor frame; the event's sender is the frame.
void AddCaretNotifier(const core::TEventHandler& handler);
void RemoveCaretNotifier(const core::TEventHandler& handler);

// The frame whose editor has the focus, or null.
TfrmTextEditor* ActiveTextEditor();

} // namespace app
