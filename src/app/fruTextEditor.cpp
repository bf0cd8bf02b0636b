#include "app/fruTextEditor.h"

#include "app/fuFindText.h"
#include "app/fuReplaceText.h"
#include "editor/WCESQLHighlighter.h"
#include "imaging/uPngResources.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Application.h"
#include "platform/ui/Cursors.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Hints.h"
#include "widecontrols/uUcDialogs.h"

#include <array>
#include <optional>

namespace app {

using editor::TCustomWideCodeEdit;
using ui::TColor;
using ui::TPoint;

bool AutoCodeCompletion = true;
bool AutoCodeParameters = true;

namespace {

core::TMultiNotifier& CaretNotifier() {
    // Each event names its frame as sender; the notifier's own sender is only a placeholder.
    static int placeholder;
    static core::TMultiNotifier notifier(&placeholder);
    return notifier;
}

void NotifyCaret(TfrmTextEditor& frame) {
    CaretNotifier().NotifyEvent(std::make_shared<core::TEvent>(&frame));
}

ICodeCompletionPopup*& DefaultPopup() {
    static ICodeCompletionPopup* popup = nullptr;
    return popup;
}

TCodeParametersWindowClass& ParametersWindowClass() {
    static TCodeParametersWindowClass windowClass;
    return windowClass;
}

// The debugger's gutter glyphs, in the order of their flags' priority.
enum TGlyph { gCurrentLine, gDisabledBreakpoint, gBreakpoint, gExecutableLine, gNone };

const imaging::TPNGObject* Glyph(TGlyph glyph) {
    static const auto glyphs = [] {
        std::array<std::unique_ptr<imaging::TPNGObject>, 4> loaded;
        const char16_t* names[] = {u"GUTTER_CURRENT_LINE", u"GUTTER_DISABLED_BREAKPOINT",
                                   u"GUTTER_BREAKPOINT", u"GUTTER_EXEC_LINE"};
        for (std::size_t k = 0; k < loaded.size(); ++k)
            loaded[k] = imaging::LoadPngResource(names[k]);
        return loaded;
    }();
    return glyphs[std::size_t(glyph)].get();
}

TGlyph GlyphOf(int flags) {
    if (flags & dlfCurrentLine) return gCurrentLine;
    if (flags & dlfDisabledBreakpoint) return gDisabledBreakpoint;
    if (flags & dlfBreakpoint) return gBreakpoint;
    if (flags & dlfExecutableLine) return gExecutableLine;
    return gNone;
}

bool HasCtrl(ui::TShiftState shift) {
    return shift.Contains(ui::ssCtrl);
}

std::u16string Trimmed(const std::u16string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && text[first] <= u' ')
        ++first;
    while (last > first && text[last - 1] <= u' ')
        --last;
    return text.substr(first, last - first);
}

} // namespace

THourGlass::THourGlass() {
    ui::Screen->SetCursor(ui::crHourGlass);
}

THourGlass::~THourGlass() {
    ui::Screen->SetCursor(ui::crDefault);
}

ICodeCompletionPopup* DefaultCodeCompletionPopup() {
    return DefaultPopup();
}

void SetDefaultCodeCompletionPopup(ICodeCompletionPopup* popup) {
    DefaultPopup() = popup;
}

void SetCodeParametersWindowClass(TCodeParametersWindowClass windowClass) {
    ParametersWindowClass() = std::move(windowClass);
}

void AddCaretNotifier(const core::TEventHandler& handler) {
    CaretNotifier().AddHandler(handler);
}

void RemoveCaretNotifier(const core::TEventHandler& handler) {
    CaretNotifier().RemoveHandler(handler);
}

TfrmTextEditor* ActiveTextEditor() {
    auto* control = ui::Screen ? dynamic_cast<TCustomWideCodeEdit*>(ui::Screen->ActiveControl()) : nullptr;
    return control ? dynamic_cast<TfrmTextEditor*>(control->Parent()) : nullptr;
}

// ---- debugger plug-in

TDebugSupportPlugin::TDebugSupportPlugin(TCustomWideCodeEdit* editor, TLineColorsEvent lineColors,
                                         TLinesEvent linesDeleted, TLinesEvent linesInserted,
                                         TLineFlagsEvent lineFlags)
    : ui::TComponent(editor), editor_(*editor), lineColors_(std::move(lineColors)),
      lineFlags_(std::move(lineFlags)) {
    RTL_ASSERT(editor);
    RTL_ASSERT(lineFlags_);
    auto& model = editor->Model();
    model.OnGutterPaint = [this](editor::TWideCodeEditModel&, ui::TCanvas& canvas, int line, int left,
                                 int top) { PaintGutter(canvas, line, left, top); };
    model.OnGetLineColors = [this](editor::TWideCodeEditModel&, int line, TColor& foreground,
                                   TColor& background) { LineColors(line, foreground, background); };
    model.OnLinesDeleted = std::move(linesDeleted);
    model.OnLinesInserted = std::move(linesInserted);
}

int TDebugSupportPlugin::Flags(int line) const {
    int flags = 0;
    lineFlags_(line + 1, flags);
    return flags;
}

void TDebugSupportPlugin::PaintGutter(ui::TCanvas& canvas, int line, int left, int top) {
    const TGlyph glyph = GlyphOf(Flags(line));
    const imaging::TPNGObject* picture = glyph == gNone ? nullptr : Glyph(glyph);
    if (!picture) return;
    const int x = GlyphLeft(left);
    const int y = top + (editor_.Model().LineHeight() - kGlyphSize) / 2;
    canvas.StretchDraw({x, y, x + picture->Width(), y + picture->Height()}, picture);
}

void TDebugSupportPlugin::LineColors(int line, TColor& foreground, TColor& background) {
    const int flags = Flags(line);
    if (flags & dlfCurrentLine)
        background = kCurrentLineColor;
    else if (flags & dlfBreakpoint)
        background = kBreakpointColor;
    else if (flags & dlfDisabledBreakpoint)
        background = kDisabledBreakpointColor;
    if (flags & (dlfCurrentLine | dlfBreakpoint | dlfDisabledBreakpoint)) foreground = kMarkedLineText;
    if (lineColors_) lineColors_(line, foreground, background);
}

// ---- frame

TfrmTextEditor::TfrmTextEditor(ui::TComponent* owner, int highlighterKind) : ui::TFrame(owner) {
    if (highlighterKind != hkNone && highlighterKind != hkSQL) throw rtl::Exception("Unknown highlighter.");
    const auto timer = [this](uint32_t interval, std::function<void()> fire) {
        auto* t = new ui::TTimer(this);
        t->SetEnabled(false);
        t->SetInterval(interval);
        t->OnTimer = [t, fire = std::move(fire)](ui::TObject*) {
            t->SetEnabled(false);
            fire();
        };
        return t;
    };
    tmMouseMove_ = timer(kMouseMoveDelay, [this] { MouseRested(); });
    tmShowCompletion_ = timer(kCodeInsightDelay, [this] { ShowCodeCompletion(); });
    tmUpdateCodeParameters_ = timer(kCodeInsightDelay, [this] {
        // The hint follows the caret while it shows.
        if (parametersWindow_ && parametersWindow_->Visible()) ShowCodeParameters();
    });
    tmShowCodeParameters_ = timer(kCodeInsightDelay, [this] { ShowCodeParameters(); });

    editor_ = new TCustomWideCodeEdit(this);
    editor_->SetParent(this);
    editor_->SetAlign(ui::alClient);
    auto& model = editor_->Model();
    using namespace editor;
    model.SetOptions({eoAutoIndent, eoAutoUnindent, eoGroupUndo, eoInserting, eoLineNumbers, eoScrollPastEOL,
                      eoShowScrollHint, eoTripleClicks, eoUndoAfterSave, eoUseUndoRedo, eoUseSyntax});

    model.OnCaretChange = [this](TWideCodeEditModel&, int, int) { EditorCaretChanged(); };
    editor_->OnGutterMouseDown = [this](TCustomWideCodeEdit&, ui::TMouseButton, ui::TShiftState, int, int,
                                        int line) {
        if (onGutterClick_) onGutterClick_(line + 1);
    };
    editor_->OnMouseMove = [this](ui::TObject*, ui::TShiftState shift, int x, int y) {
        mousePos_ = {x, y};
        mouseShift_ = shift;
        Restart(*tmMouseMove_);
    };
    editor_->OnKeyDown = [this](ui::TObject*, uint16_t& key, ui::TShiftState shift) {
        EditorKeyDown(key, shift);
    };
    editor_->OnEnter = [this](ui::TObject*) { EditorFocusChanged(true); };
    editor_->OnExit = [this](ui::TObject*) { EditorFocusChanged(false); };
    model.OnProcessCommand = [this](TWideCodeEditModel&, TEditorCommand& command, char16_t& ch,
                                    const TPoint*) { EditorProcessCommand(command, ch); };
    model.OnScroll = [this](TWideCodeEditModel&, int deltaX, int deltaY) { EditorScroll(deltaX, deltaY); };
    editorWindowProc_ = editor_->WindowProc;
    editor_->WindowProc = [this](ui::TMessage& message) { EditorWindowProc(message); };

    model.SelectedColor().SetBackground(kSelectionBackground);
    model.SelectedColor().SetForeground(kSelectionForeground);
    editor_->LineNumberFont()->SetName("Courier New");
    editor_->LineNumberFont()->SetSize(8);
    editor_->LineNumberFont()->SetColor(kLineNumberColor);
    model.SetTabSize(2);
    model.SetMaxUndo(32000);
    // Completion starts from the key handler; the binding only keeps Ctrl+Space from typing a blank.
    model.Keystrokes().Add(ecUserFirst, VK_SPACE, editor::ssCtrl);

    if (highlighterKind == hkSQL) {
        highlighter_ = std::make_unique<TWCESQLHighlighter>();
        model.SetHighLighter(highlighter_.get());
        const auto set = [](THighlightAttributes& a, TColor foreground, ui::TFontStyles style = {},
                            TColor background = ui::clNone) {
            a.SetForeground(foreground);
            if (background != ui::clNone) a.SetBackground(background);
            a.SetStyle(style);
        };
        TWCESQLHighlighter& h = *highlighter_;
        set(h.CommentAttributes(), 0x808080, {ui::fsItalic});
        set(h.StringAttributes(), 0x0080FF);
        set(h.SpaceAttributes(), 0x808080);
        set(h.IdentifierAttributes(), ui::clWindowText);
        set(h.QuotedIDAttributes(), ui::clWindowText);
        set(h.KeyAttributes(), 0x804000, {ui::fsBold});
        set(h.NumberAttributes(), 0x0000FF);
        set(h.SymbolAttributes(), ui::clWindowText);
        set(h.EmbeddedCommandAttributes(), 0x800000, {}, 0xF0F0F0);
        set(h.SystemVariableAttributes(), 0x808000, {ui::fsBold});
        set(h.UserVariableAttributes(), 0xC08080, {ui::fsBold});
    }
    if (ParametersWindowClass()) parametersWindow_ = ParametersWindowClass()(*editor_);
}

TfrmTextEditor::~TfrmTextEditor() {
    // The editor goes with the frame's components; it must not call back into a frame half gone.
    editor_->Model().SetHighLighter(nullptr);
    editor_->WindowProc = editorWindowProc_;
    editor_->OnEnter = nullptr;
    editor_->OnExit = nullptr;
}

void TfrmTextEditor::Restart(ui::TTimer& timer) {
    timer.SetEnabled(false);
    timer.SetEnabled(true);
}

// ---- thin wrappers

std::u16string TfrmTextEditor::GetText() const {
    return Model().GetText();
}

void TfrmTextEditor::SetText(std::u16string_view text) {
    Model().SetText(text);
    editor_->Invalidate();
}

std::u16string TfrmTextEditor::GetSelectedText() const {
    return Model().GetSelectedText();
}

void TfrmTextEditor::SetSelectedText(std::u16string_view text) {
    Model().SetSelectedText(text);
}

bool TfrmTextEditor::SelectionAvailable() const {
    return Model().SelectionAvailable();
}

int TfrmTextEditor::GetCaretLine() const {
    return Model().CaretY() + 1;
}

TPoint TfrmTextEditor::GetCaretXY() const {
    return Model().GetCaretXY();
}

void TfrmTextEditor::SetCaretXY(TPoint p) {
    Model().SetCaretXY(p);
}

void TfrmTextEditor::SetCaretPos(int column, int line) {
    Model().SetCaretXY({column, line - 1});
}

int TfrmTextEditor::GetCaretOffset() const {
    return Model().PointToCharOffset(Model().GetCaretXY());
}

void TfrmTextEditor::SetCaretOffset(int offset) {
    Model().SetCaretXY(Model().CharOffsetToPoint(offset));
}

void TfrmTextEditor::SelectRange(int first, int last) {
    SetCaretOffset(first);
    Model().SetSelStart(first);
    Model().SetSelEnd(last);
}

std::u16string TfrmTextEditor::GetTextBeforeOffset(int offset) const {
    return GetText().substr(0, std::size_t(std::max(offset, 0)));
}

std::u16string TfrmTextEditor::GetCaretLineText() const {
    return Model().GetCaretLineText();
}

int TfrmTextEditor::GetLineCount() const {
    return Model().Content().Count();
}

bool TfrmTextEditor::IsLineEmpty(int line) const {
    return Trimmed(Model().Content().GetLine(line - 1)->Text()).empty();
}

std::u16string TfrmTextEditor::GetWordAtCaret() const {
    return GetWordAt(Model().GetCaretXY());
}

std::u16string TfrmTextEditor::GetWordAt(TPoint p) const {
    if (OnGetWord && p.Y >= 0 && p.Y < GetLineCount()) {
        std::u16string word;
        OnGetWord(Model().Content().GetLine(p.Y)->Text(), p.X, word);
        return word;
    }
    return Model().GetWordAndBounds(p).Word;
}

bool TfrmTextEditor::GetModified() const {
    return Model().Modified();
}

void TfrmTextEditor::SetModified(bool modified) {
    Model().SetModified(modified);
}

void TfrmTextEditor::ClearUndo() {
    Model().UndoList().Clear();
}

void TfrmTextEditor::RepaintEditor() {
    editor_->Invalidate();
}

void TfrmTextEditor::InvalidateLine(int line) {
    const int row = line - Model().TopLine();
    const int h = Model().LineHeight();
    editor_->InvalidateRect({0, row * h, editor_->ClientWidth(), (row + 1) * h});
}

void TfrmTextEditor::FocusEditor() {
    if (editor_->CanFocus()) editor_->SetFocus();
}

bool TfrmTextEditor::EditorFocused() const {
    return editor_->Focused();
}

void TfrmTextEditor::SetGutterExtraWidth(int width) {
    Model().SetGutterExtraWidth(width);
}

void TfrmTextEditor::SetCodeCompletion(ICodeCompletionPopup* popup, TCompletionEvent fill) {
    completionPopup_ = popup;
    fillCompletion_ = std::move(fill);
}

void TfrmTextEditor::SetCodeParameters(TParametersEvent fill) {
    fillParameters_ = std::move(fill);
}

void TfrmTextEditor::InstallScriptPlugin(editor::IWCEEditorPlugin* plugin) {
    RTL_ASSERT(plugin);
    plugin->Attach(&Model());
}

void TfrmTextEditor::InstallDebuggerPlugin(TDebugSupportPlugin::TLineColorsEvent lineColors,
                                           TDebugSupportPlugin::TLinesEvent linesDeleted,
                                           TDebugSupportPlugin::TLinesEvent linesInserted,
                                           TDebugSupportPlugin::TLineFlagsEvent lineFlags) {
    if (debuggerPluginInstalled_) throw rtl::Exception("Debugger plugin already installed.");
    new TDebugSupportPlugin(editor_, std::move(lineColors), std::move(linesDeleted), std::move(linesInserted),
                            std::move(lineFlags));
    debuggerPluginInstalled_ = true;
}

void TfrmTextEditor::ResetHint() {
    editor_->SetHint({});
    lastHoverText_.clear();
}

// ---- editor events

void TfrmTextEditor::EditorCaretChanged() {
    if (onCaretChange_) onCaretChange_(*this);
    NotifyCaret(*this);
    Restart(*tmUpdateCodeParameters_);
}

void TfrmTextEditor::EditorKeyDown(uint16_t key, ui::TShiftState shift) {
    const bool ctrl = HasCtrl(shift);
    if (key == ui::VK_RETURN && ctrl) {
        if (OnCtrlEnter) OnCtrlEnter(*this);
    } else if (key == ui::VK_SPACE && ctrl && shift.Contains(ui::ssShift)) {
        ShowCodeParameters();
    } else if (key == ui::VK_SPACE && ctrl) {
        ShowCodeCompletion();
    } else if (key == ui::VK_ESCAPE) {
        HideParameters();
    }
    tmShowCompletion_->SetEnabled(false);
}

void TfrmTextEditor::EditorProcessCommand(editor::TEditorCommand command, char16_t ch) {
    const bool typed = command == editor::ecChar;
    tmShowCompletion_->SetEnabled(false);
    if (typed && ch == u'.' && AutoCodeCompletion && completionPopup_ && fillCompletion_)
        tmShowCompletion_->SetEnabled(true);
    tmShowCodeParameters_->SetEnabled(false);
    if (typed && ch == u'(' && AutoCodeParameters && fillParameters_) tmShowCodeParameters_->SetEnabled(true);
}

void TfrmTextEditor::EditorFocusChanged(bool focused) {
    NotifyCaret(*this);
    if (!focused && !popupShowing_) HideParameters();
}

void TfrmTextEditor::EditorScroll(int deltaX, int deltaY) {
    if (!parametersWindow_ || !parametersWindow_->Visible()) return;
    const TPoint p = parametersWindow_->Position();
    const TPoint moved{p.X + deltaX, p.Y + deltaY};
    parametersWindow_->MoveTo(moved);
    const TPoint inFrame = ScreenToClient(moved);
    const ui::TRect client = editor_->ClientRect();
    const TPoint inEditor{inFrame.X - editor_->Left(), inFrame.Y - editor_->Top()};
    if (!ui::PtInRect(client, inEditor)) parametersWindow_->Hide();
}

void TfrmTextEditor::EditorWindowProc(ui::TMessage& message) {
    if (message.Msg == ui::WM_CONTEXTMENU && OnContextPopup) {
        const TPoint mouse = message.LParam == -1
                                 ? editor_->ClientToScreen({Model().CaretXPix(), Model().CaretYPix()})
                                 : ui::PointFromLParam(message.LParam);
        bool handled = false;
        OnContextPopup(editor_->ScreenToClient(mouse), handled);
        if (handled) return;
    }
    editorWindowProc_(message);
}

void TfrmTextEditor::HideParameters() {
    if (parametersWindow_ && parametersWindow_->Visible()) parametersWindow_->Hide();
}

// ---- hover tooltips

void TfrmTextEditor::MouseRested() {
    if (!hoverTooltips_ || !OnGetTooltip || !mouseShift_.Empty()) return;
    const TPoint at = Model().PixelsToColumnLine(mousePos_.X, mousePos_.Y);
    const std::u16string text =
        SelectionAvailable() && Model().IsPointInSelection(at) ? GetSelectedText() : GetWordAt(at);
    if (text == lastHoverText_) return;
    if (ui::Application) ui::Application->CancelHint();
    editor_->SetHint({});
    lastHoverText_ = text;
    if (text.empty()) return;
    std::u16string tooltip;
    OnGetTooltip(text, tooltip);
    editor_->SetHint(rtl::Utf16ToUtf8(tooltip));
    editor_->SetShowHint(!tooltip.empty());
    if (ui::Application) ui::Application->ActivateHint(editor_->ClientToScreen(mousePos_));
}

// ---- completion and parameter hints

void TfrmTextEditor::ShowCodeCompletion() {
    if (!completionPopup_ || !fillCompletion_) return;
    const THourGlass hourGlass;
    bool allow = true;
    fillCompletion_(completionPopup_->Items(), allow);
    if (!allow || completionPopup_->ItemCount() == 0) return;
    popupShowing_ = true;
    const rtl::ScopeExit shown([this] { popupShowing_ = false; });
    const auto& m = Model();
    completionPopup_->Popup(editor_->ClientToScreen({m.CaretXPix(), m.CaretYPix() + m.LineHeight()}),
                            *editor_);
    editor_->Invalidate();
}

void TfrmTextEditor::ShowCodeParameters() {
    if (!fillParameters_ || !parametersWindow_) return;
    // A hint that follows the caret comes without the hourglass.
    std::optional<THourGlass> hourGlass;
    if (!parametersWindow_->Visible()) hourGlass.emplace();
    const rtl::ScopeExit shown([this] { popupShowing_ = false; });
    rtl::TStringList parameters;
    int index = -1;
    fillParameters_(parameters, index);
    if (parameters.Count() == 0) {
        parametersWindow_->Hide();
        return;
    }
    popupShowing_ = true;
    const auto& m = Model();
    parametersWindow_->ShowParameters(
        editor_->ClientToScreen({m.CaretXPix(), m.CaretYPix() - m.LineHeight()}), index, parameters);
    if (completionPopup_ && completionPopup_->Visible())
        completionPopup_->SetFocus();
    else
        FocusEditor();
}

// ---- search and go to line

void TfrmTextEditor::Find() {
    if (TfmFindText::Create<TfmFindText>(this, GetWordAtCaret())->Execute()) SearchAgain();
}

void TfrmTextEditor::Replace() {
    if (TfmFindText::Create<TfmReplaceText>(this, GetWordAtCaret())->Execute()) SearchAgain();
}

void TfrmTextEditor::SearchAgain() {
    const TLastSearch& search = LastSearch();
    if (search.Text.empty()) return;
    editor::TEditSearchOptions options = 0;
    if (search.Replace) options |= editor::esoReplace;
    if (search.ReplaceAll) options |= editor::esoReplaceAll;
    if (Model().SearchReplace(search.Text, search.Replacement, options) == 0)
        ui::MessageDlg(rtl::Format("Search string '%s' not found.", rtl::Utf16ToUtf8(search.Text)),
                       ui::mtInformation, {ui::mbOK});
}

void TfrmTextEditor::GoToLine() {
    std::u16string answer = rtl::Utf8ToUtf16(std::to_string(GetCaretLine()));
    if (!widecontrols::WideInputQuery(u"Go to line number", u"Enter new line number", answer)) return;
    int line = -1;
    try {
        std::size_t used = 0;
        line = std::stoi(rtl::Utf16ToUtf8(Trimmed(answer)), &used);
        if (used != Trimmed(answer).size()) line = -1;
    } catch (const std::exception&) {
        line = -1;
    }
    const int count = GetLineCount();
    if (line <= 0 || line > count)
        throw rtl::Exception(rtl::Format("Line number must be between 1 and %d", count));
    SetCaretPos(0, line);
}

} // namespace app
