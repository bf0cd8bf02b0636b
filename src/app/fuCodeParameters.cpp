#include "app/fuCodeParameters.h"

#include "app/uHintWindow.h"
#include "imaging/uLinkLabel.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Utf.h"

#include <algorithm>

namespace app {

TParameterHintLayout LayoutParameterHints(const rtl::TStringList& parameters, int current,
                                          const std::function<int(std::string_view text, bool bold)>& width) {
    TParameterHintLayout layout;
    size_t lineLength = 0;
    int linePixels = 0;
    for (int i = 0; i < parameters.Count(); ++i) {
        const std::string& entry = parameters[i];
        const bool bold = i == current;
        // Lengths in characters as the user sees them, not in UTF-8 bytes.
        const size_t length = rtl::Utf8ToUtf16(entry).size();
        std::string_view separator = ", ";
        if (lineLength == 0 || lineLength + length <= kParameterHintLineLength) {
            lineLength += length;
            linePixels += width(entry + ", ", bold);
        } else {
            separator = ",<br>";
            lineLength = length;
            ++layout.Lines;
            layout.Widest = std::max(layout.Widest, linePixels);
            linePixels = width(entry + ",", bold);
        }
        if (i > 0) layout.Markup += separator;
        layout.Markup += bold ? "<b>" + entry + "</b>" : entry;
    }
    layout.Widest = std::max(layout.Widest, linePixels);
    return layout;
}

TfmCodeParameters::TfmCodeParameters(editor::TCustomWideCodeEdit& editor)
    : ui::TForm(nullptr), editor_(editor) {
    SetName("fmCodeParameters");
    SetFormBorderStyle(ui::bsNone);
    SetFormStyle(ui::fsStayOnTop);
    label_ = new imaging::TUxLinkLabel(this);
    label_->SetName("lblParameters");
    label_->SetParent(this);
    label_->SetAlign(ui::alClient);
    label_->Font()->SetName("Tahoma");
    label_->Font()->SetSize(8);
    label_->SetLayout(1);
    label_->SetMarginWidth(kMargin);
    label_->SetMarginHeight(kMargin);
    label_->SetAutoHeight(true);
    label_->SetTransparent(false);
    label_->SetColor(ui::clInfoBk);
    // The hint never takes the keyboard from the editor.
    OnActivate = [this](ui::TObject*) { editor_.SetFocus(); };
}

void TfmCodeParameters::ShowParameters(ui::TPoint screen, int index, const rtl::TStringList& parameters) {
    ui::TCanvas& canvas = *measure_.Canvas();
    canvas.Font()->Assign(label_->Font());
    const int lineHeight = canvas.TextHeight(std::string_view("Wg"));
    const TParameterHintLayout layout =
        LayoutParameterHints(parameters, index, [&canvas](std::string_view text, bool bold) {
            canvas.Font()->SetStyle(bold ? ui::TFontStyles{ui::fsBold} : ui::TFontStyles{});
            return canvas.TextWidth(text);
        });
    label_->SetCaption(layout.Markup);
    const int width = 2 * kMargin + layout.Widest + 2;
    const int height = 2 * kMargin + layout.Lines * lineHeight + 2;
    int left = screen.X;
    if (Visible() && std::abs(Left() - screen.X) <= kFollowDistance) left = Left();
    const ui::TPoint origin{left, screen.Y - height};
    const ui::TRect placed =
        PlaceHintOnMonitor(origin, {width, height}, ui::Screen->MonitorFromPoint(origin).BoundsRect);
    SetBounds(placed.Left, placed.Top, placed.Width(), placed.Height());
    if (!Visible()) Show();
}

void InstallCodeParametersWindow() {
    SetCodeParametersWindowClass(
        [](editor::TCustomWideCodeEdit& editor) -> std::unique_ptr<ICodeParametersWindow> {
            return std::make_unique<TfmCodeParameters>(editor);
        });
}

} // namespace app
