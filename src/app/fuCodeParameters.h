// The parameter hint window: a routine's parameters with the current one in bold.
#pragma once

#include "app/fruTextEditor.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"

#include <functional>
#include <string>
#include <string_view>

namespace imaging {
class TUxLinkLabel;
}

namespace app {

// Lines of the parameter-hint window hold at most this many characters of parameters.
inline constexpr int kParameterHintLineLength = 150;

// The hint's markup (the current parameter in <b>, lines broken with <br>) and the pixel size of its
// text: the widest line and the number of lines.
struct TParameterHintLayout {
    std::string Markup;
    int Lines = 1;
    int Widest = 0;
};

// Lays the parameters out; `width` measures a text in the hint's font, bold or not.
TParameterHintLayout LayoutParameterHints(const rtl::TStringList& parameters, int current,
                                          const std::function<int(std::string_view text, bool bold)>& width);

// The parameter-hint window of one editor: the parameters above the caret, the current one in bold.
class TfmCodeParameters : public ui::TForm, public ICodeParametersWindow {
public:
    static constexpr int kMargin = 2;
    // A shown window follows the caret only when it moved further than this.
    static constexpr int kFollowDistance = 200;

    explicit TfmCodeParameters(editor::TCustomWideCodeEdit& editor);

    void ShowParameters(ui::TPoint screen, int index, const rtl::TStringList& parameters) override;
    bool Visible() const override { return ui::TForm::Visible(); }
    void Hide() override { ui::TForm::Hide(); }
    ui::TPoint Position() const override { return {Left(), Top()}; }
    void MoveTo(ui::TPoint screen) override { SetBounds(screen.X, screen.Y, Width(), Height()); }

    imaging::TUxLinkLabel& Label() const { return *label_; }

private:
    editor::TCustomWideCodeEdit& editor_;
    imaging::TUxLinkLabel* label_;
    // Measures the entries in the label's font.
    ui::TBitmap measure_;
};

// Makes every editor frame created from now on show its parameter hints in a TfmCodeParameters.
void InstallCodeParametersWindow();

} // namespace app
