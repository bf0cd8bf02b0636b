#include "app/fuCodeCompletion.h"

#include "app/fruCodeEditor.h"
#include "app/fuCodeParameters.h"
#include "app/uCodeCompletion.h"
#include "core/uUnicode.h"
#include "editor/WCEEditorKeyCommands.h"
#include "lazytree/LazyStringTree.h"
#include "parser/uCommonSQLGrammar.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/KeyCodes.h"

#include <algorithm>
#include <array>

namespace app {

namespace {

constexpr std::u16string_view kSeparators = u"\t\n\v\f\r \u00A0;:=<>()[]!,.+-*/\\|~";
constexpr ui::TColor kSelectionColor = 0xA56D53;
constexpr ui::TColor kDetailColor = 0x804000;
constexpr ui::TColor kFocusedTextColor = 0xFFFFFF;
constexpr int kRowHeight = 16;

bool IsWordChar(char16_t ch) {
    return !IsCompletionSeparator(ch);
}

// Lower case for the filter, so non-ASCII names filter as well as ASCII ones.
std::u16string Folded(std::u16string_view text) {
    std::u16string folded;
    folded.reserve(text.size());
    for (const char16_t ch : text) {
        const std::u32string lower = core::UnicodeToLower(ch);
        folded += lower.size() == 1 && lower[0] <= 0xFFFF ? static_cast<char16_t>(lower[0]) : ch;
    }
    return folded;
}

} // namespace

bool IsCompletionSeparator(char16_t ch) {
    return ch <= 32 || kSeparators.find(ch) != std::u16string_view::npos;
}

std::u16string CompletionPrefix(std::u16string_view line, int caretColumn) {
    if (caretColumn < 0 || caretColumn > static_cast<int>(line.size())) return {};
    int start = caretColumn;
    while (start > 0 && IsWordChar(line[start - 1]) && line[start - 1] != u'`')
        --start;
    return std::u16string(line.substr(start, caretColumn - start));
}

TCompletionWord CompletionWordAt(std::u16string_view line, int caretColumn) {
    const int length = static_cast<int>(line.size());
    TCompletionWord word{std::clamp(caretColumn, 0, length), std::clamp(caretColumn, 0, length)};
    while (word.Start > 0 && IsWordChar(line[word.Start - 1]))
        --word.Start;
    while (word.End < length && IsWordChar(line[word.End]))
        ++word.End;
    // The caret may stand beyond the line's end: the new text goes where it is.
    if (caretColumn > length) word = {caretColumn, caretColumn};
    return word;
}

TfmCodeCompletion::TfmCodeCompletion(ui::TComponent* owner) : ui::TForm(owner) {
    SetName("fmCodeCompletion");
    SetFormBorderStyle(ui::bsSizeToolWin);
    SetFormStyle(ui::fsStayOnTop);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    SetKeyPreview(true);
    SetClientSize(268, 159);

    tree_ = new lazytree::TLazyStringTree(this);
    tree_->SetName("tvItems");
    tree_->SetParent(this);
    tree_->SetAlign(ui::alClient);
    auto& model = tree_->Tree();
    // A node holds a pointer to its item; the list owns the items.
    model.SetNodeDataSize(sizeof(void*));
    model.SetDefaultNodeHeight(kRowHeight);
    model.SetPaintOptions(model.Options().PaintOptions -
                          lazytree::TVTPaintOptions{lazytree::toShowRoot, lazytree::toShowTreeLines,
                                                    lazytree::toAlwaysHideSelection} +
                          lazytree::TVTPaintOptions{lazytree::toHideFocusRect, lazytree::toHideSelection});
    model.SetSelectionOptions(model.Options().SelectionOptions +
                              lazytree::TVTSelectionOptions{lazytree::toFullRowSelect});
    model.SetScrollBars(lazytree::ssVertical);
    model.Colors().Set(lazytree::TVTColors::FocusedSelectionColor, kSelectionColor);
    model.Colors().Set(lazytree::TVTColors::FocusedSelectionBorderColor, kSelectionColor);
    model.OnFreeNode = [](lazytree::TLazyTreeModel& sender, lazytree::PLazyNode node) {
        *sender.GetNodeData<const TCodeCompletionItem*>(node) = nullptr;
    };
    // Rows are drawn by hand; the text only gives the row something to measure.
    tree_->OnGetText = [](lazytree::TCustomLazyStringTree&, lazytree::PLazyNode, lazytree::TColumnIndex,
                          lazytree::TVSTTextType, std::u16string& text) { text = u"W"; };
    tree_->OnDrawText = [this](lazytree::TCustomLazyStringTree&, ui::TCanvas& canvas,
                               lazytree::PLazyNode node, lazytree::TColumnIndex, const std::u16string&,
                               const ui::TRect& cell, bool& defaultDraw) {
        defaultDraw = false;
        if (const auto* item = *tree_->Tree().GetNodeData<const TCodeCompletionItem*>(node))
            DrawRow(canvas, *item, cell, node == tree_->Tree().FocusedNode());
    };
    tree_->OnDblClick = [this](ui::TObject*) { Accept(); };
    // Tab accepts like the other separators instead of moving the focus.
    treeWindowProc_ = tree_->WindowProc;
    tree_->WindowProc = [this](ui::TMessage& message) {
        treeWindowProc_(message);
        if (message.Msg == ui::WM_GETDLGCODE) message.Result |= ui::DLGC_WANTTAB;
    };

    OnKeyDown = [this](ui::TObject*, uint16_t& key, ui::TShiftState shift) { FormKeyDown(key, shift); };
    OnKeyPress = [this](ui::TObject*, char16_t& key) { FormKeyPress(key); };
    OnDeactivate = [this](ui::TObject*) { Hide(); };
}

TfmCodeCompletion::~TfmCodeCompletion() {
    if (DefaultCodeCompletionPopup() == this) SetDefaultCodeCompletionPopup(nullptr);
}

void TfmCodeCompletion::Popup(ui::TPoint screen, editor::TCustomWideCodeEdit& editor) {
    editor_ = &editor;
    SetBounds(screen.X, screen.Y, Width(), Height());
    Filter();
    Show();
    SetFocus();
}

void TfmCodeCompletion::SetFocus() {
    ui::TForm::SetFocus();
    tree_->SetFocus();
}

std::vector<const TCodeCompletionItem*> TfmCodeCompletion::Shown() const {
    std::vector<const TCodeCompletionItem*> shown;
    auto& model = tree_->Tree();
    for (auto node = model.GetFirst(); node; node = model.GetNext(node))
        shown.push_back(*model.GetNodeData<const TCodeCompletionItem*>(node));
    return shown;
}

const TCodeCompletionItem* TfmCodeCompletion::Focused() const {
    const auto node = tree_->Tree().FocusedNode();
    return node ? *tree_->Tree().GetNodeData<const TCodeCompletionItem*>(node) : nullptr;
}

void TfmCodeCompletion::Filter() {
    RTL_ASSERT(editor_);
    const auto& editorModel = editor_->Model();
    prefix_ = CompletionPrefix(editorModel.GetCaretLineText(), editorModel.CaretX());
    const std::u16string prefix = Folded(prefix_);
    auto& model = tree_->Tree();
    model.SetFocusedNode(nullptr);
    model.BeginUpdate();
    model.Clear();
    lazytree::PLazyNode exact = nullptr;
    for (int i = 0; i < items_.Count(); ++i) {
        const std::u16string name = Folded(rtl::Utf8ToUtf16(items_[i].Name));
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const auto node = model.AddChild(nullptr, const_cast<TCodeCompletionItem*>(&items_[i]));
        if (name == prefix) exact = node;
    }
    model.EndUpdate();
    const auto focused = exact ? exact : model.GetFirstVisible();
    if (!focused) return;
    model.SetFocusedNode(focused);
    model.SetSelected(focused, true);
    model.ScrollIntoView(focused, false);
}

char16_t TfmCodeCompletion::CharAtCaret(int offset) const {
    const std::u16string line = editor_->Model().GetCaretLineText();
    if (line.empty()) return 0;
    const int index =
        std::clamp(editor_->Model().CaretX() - 1 + offset, 0, static_cast<int>(line.size()) - 1);
    return line[index];
}

void TfmCodeCompletion::PassOn(editor::TEditorCommand command, char16_t ch) {
    editor_->Model().CommandProcessor(command, ch, nullptr);
    if (Visible()) Filter();
}

void TfmCodeCompletion::FormKeyDown(uint16_t& key, ui::TShiftState) {
    if (!editor_) return;
    switch (key) {
    case ui::VK_BACK:
        if (IsCompletionSeparator(CharAtCaret(0))) CloseUp();
        PassOn(editor::ecDeleteLastChar);
        break;
    case ui::VK_LEFT:
        if (IsCompletionSeparator(CharAtCaret(0))) CloseUp();
        PassOn(editor::ecLeft);
        break;
    case ui::VK_RIGHT:
        if (IsCompletionSeparator(CharAtCaret(1))) CloseUp();
        PassOn(editor::ecRight);
        break;
    case ui::VK_DELETE:
        PassOn(editor::ecDeleteChar);
        break;
    case ui::VK_ESCAPE:
        CloseUp();
        break;
    default:
        return;
    }
    key = 0;
}

void TfmCodeCompletion::FormKeyPress(char16_t& key) {
    if (!editor_ || key == 0) return;
    // The characters of Backspace, Escape and Delete: their key-down did the work.
    if (key == u'\b' || key == 0x1B || key == 0x7F) {
        key = 0;
        return;
    }
    if (IsCompletionSeparator(key)) Accept();
    PassOn(editor::ecChar, key);
    key = 0;
}

void TfmCodeCompletion::Accept() {
    if (const TCodeCompletionItem* item = Focused(); item && editor_) {
        auto& model = editor_->Model();
        const TCompletionWord word = CompletionWordAt(model.GetCaretLineText(), model.CaretX());
        const int line = model.CaretY();
        model.SetCaretXY({word.Start, line});
        model.SetBlockBegin({word.Start, line});
        model.SetBlockEnd({word.End, line});
        model.SetSelectedText(rtl::Utf8ToUtf16(item->InsertText.empty() ? item->Name : item->InsertText));
    }
    CloseUp();
}

void TfmCodeCompletion::CloseUp() {
    Hide();
    if (editor_) editor_->SetFocus();
}

void TfmCodeCompletion::DrawRow(ui::TCanvas& canvas, const TCodeCompletionItem& item, const ui::TRect& cell,
                                bool focused) {
    ui::TFont& font = *canvas.Font();
    font.Assign(tree_->Font());
    if (captionWidth_ < 0) {
        for (int kind = 0; kind < kCodeCompletionItemKindCount; ++kind)
            captionWidth_ =
                std::max(captionWidth_,
                         canvas.TextWidth(
                             std::string(CodeCompletionItemCaption(TCodeCompletionItemKind(kind))) + "W"));
    }
    const ui::TColor text = font.Color();
    const auto color = [&](ui::TColor c) { font.SetColor(focused ? kFocusedTextColor : c); };
    const int top = cell.Top + 1;
    canvas.Brush()->SetStyle(ui::bsClear);
    color(CodeCompletionItemColor(item.Kind));
    canvas.TextOut(cell.Left + 2, top, std::string_view(CodeCompletionItemCaption(item.Kind)));
    int x = cell.Left + captionWidth_ + 2;
    font.SetStyle({ui::fsBold});
    color(text);
    canvas.TextOut(x, top, std::string_view(item.Name));
    x += canvas.TextWidth(item.Name + " ") + 2;
    font.SetStyle({});
    if (!item.Detail.empty()) {
        color(kDetailColor);
        canvas.TextOut(x, top, std::string_view(item.Detail));
        x += canvas.TextWidth(item.Detail + " ");
    }
    if (!item.Context.empty()) {
        color(text);
        canvas.TextOut(x, top, std::string_view(item.Context));
    }
}

TfmCodeCompletion* InstallCodeCompletion(ui::TComponent* mainWindow) {
    auto* popup = new TfmCodeCompletion(mainWindow);
    SetDefaultCodeCompletionPopup(popup);
    InstallCodeParametersWindow();
    auto& services = RoutineEditorServices();
    services.FillCompletionItems = [](const TCodeInsightRequest& request, TCodeCompletionItems& items) {
        items.Clear();
        if (!request.Connection || !request.IdentifierManager) return;
        FillCompletionItems(request.Statement, request.Position, items, *request.Connection,
                            *request.IdentifierManager, request.Schema, request.TextBefore, parser::pmBranch);
    };
    services.FillParameterHints = [](const TCodeInsightRequest& request, rtl::TStringList& parameters,
                                     int& index) {
        if (!request.Connection || !request.IdentifierManager) return;
        FillParameterHints(request.Statement, request.Position, *request.Connection,
                           *request.IdentifierManager, request.Schema, parameters, index, parser::pmBranch);
    };
    return popup;
}

} // namespace app
