#include "app/fuAbout.h"

#include "app/uArtworkImages.h"
#include "app/uVeltraneApplicationInfo.h"
#include "app/uWindowFileHelpers.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Cursors.h"
#include "platform/ui/Labels.h"

namespace app {
namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 300;
constexpr ui::TColor kBackground = 0x2F2010;

// The program's banner centred on a dark ground, its title under it.
class TAboutPicture : public ui::TGraphicControl {
public:
    explicit TAboutPicture(ui::TComponent* owner)
        : ui::TGraphicControl(owner), banner_(LoadArtwork("ABOUT_PICTURE")) {}

protected:
    void Paint() override {
        ui::TCanvas& canvas = *Canvas();
        canvas.Brush()->SetColor(kBackground);
        canvas.FillRect(ClientRect());
        if (banner_) canvas.Draw((kWidth - banner_->Width()) / 2, 36, banner_.get());
        canvas.Brush()->SetStyle(ui::bsClear);
        canvas.Font()->SetName("Tahoma");
        canvas.Font()->SetSize(20);
        canvas.Font()->SetStyle({ui::fsBold});
        canvas.Font()->SetColor(ui::clWhite);
        const std::string title = GetProductTitle();
        canvas.TextOut((kWidth - canvas.TextWidth(title)) / 2, 170, title);
    }

private:
    std::unique_ptr<imaging::TPNGObject> banner_;
};

ui::TLabel* AddWhiteLabel(ui::TForm* form, const char* name, const std::string& caption, int top) {
    auto* label = new ui::TLabel(form);
    label->SetName(name);
    label->SetParent(form);
    label->SetTransparent(true);
    label->SetCaption(caption);
    label->SetAlignment(ui::taCenter);
    label->SetBounds(0, top, kWidth, 16);
    label->Font()->SetColor(ui::clWhite);
    return label;
}

} // namespace

TfmAbout::TfmAbout(ui::TComponent* owner) : ui::TForm(owner) {
    BeginLoading();
    SetName("fmAbout");
    SetCaption("About Veltrane");
    SetFormBorderStyle(ui::bsDialog);
    SetPosition(ui::poScreenCenter);
    Font()->SetName("Tahoma");
    Font()->SetHeight(-11);
    SetClientSize(kWidth, kHeight);

    imAbout = new TAboutPicture(this);
    imAbout->SetName("imAbout");
    imAbout->SetParent(this);
    imAbout->SetBounds(0, 0, kWidth, kHeight);
    laVersion = AddWhiteLabel(this, "laVersion", "Version: " + GetAppVersionString(), 212);
    laCopy = AddWhiteLabel(this, "laCopy", GetSiteName(), 232);
    laCopy->Font()->SetStyle({ui::fsUnderline});
    laCopy->SetCursor(ui::crHandPoint);
    laCopy->OnClick = [](ui::TObject*) { OpenHomePage(); };
    buClose = new ui::TButton(this);
    buClose->SetName("buClose");
    buClose->SetParent(this);
    buClose->SetCaption("Close");
    buClose->SetDefault(true);
    buClose->SetCancel(true);
    buClose->SetModalResult(ui::mrOk);
    buClose->SetBounds(kWidth - 85, kHeight - 35, 75, 25);
    EndLoading();
}

void ShowAbout(ui::TComponent* owner) {
    TfmAbout about(owner);
    about.ShowModal();
}

} // namespace app
