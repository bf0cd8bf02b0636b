#include "app/uStatusBar.h"

#include "app/uArtworkImages.h"
#include "app/uWindowFileHelpers.h"
#include "platform/rtl/Exception.h"
#include "platform/ui/Shell.h"
#include "support/UiTest.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace app {
namespace {

class StatusBarTest : public uitest::UiTest {
protected:
    void SetUp() override {
        AddArtworkImages(images, {"STATUS_NOTICE", "STATUS_DATABASE"});
        form.SetBounds(0, 0, 700, 200);
        form.Show();
    }
    void PressAt(int x) {
        const QPoint pos(x, 5);
        QMouseEvent press(QEvent::MouseButtonPress, pos, bar.Bar()->Widget()->mapToGlobal(pos), Qt::RightButton,
                          Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(bar.Bar()->Widget(), &press);
    }
    std::vector<std::string> Panels() {
        std::vector<std::string> panels;
        for (int i = 0; i < bar.Bar()->Panels().Count(); ++i)
            panels.push_back(bar.Bar()->Panels()[i]->Text() + "|" + std::to_string(bar.Bar()->Panels()[i]->Width()));
        return panels;
    }

    imaging::TPngImageList images{nullptr};
    ui::TForm form{nullptr};
    TAppStatusBar bar{&form, &images};
};

TEST_F(StatusBarTest, FourPanelsSizedByTheirTexts) {
    EXPECT_EQ(bar.Bar()->Parent(), &form);
    EXPECT_EQ(Panels(), (std::vector<std::string>{"|0", "|80", "|0", "|0"}));
    EXPECT_EQ(bar.Bar()->Panels()[0]->Style(), ui::psOwnerDraw);
    EXPECT_EQ(bar.Bar()->Panels()[1]->Alignment(), ui::taCenter);
    EXPECT_EQ(bar.Bar()->Panels()[2]->Style(), ui::psText);
    EXPECT_EQ(bar.Bar()->Panels()[3]->Style(), ui::psOwnerDraw);

    bar.SetCaretPos({0, 0});
    bar.SetServerText("10.11.6-MariaDB");
    bar.SetDatabaseText("sample");
    const ui::TFont* font = bar.Bar()->Font();
    EXPECT_EQ(Panels(), (std::vector<std::string>{
                            "|0", "  1:  1  |80",
                            " 10.11.6-MariaDB |" + std::to_string(TextWidthInFont(" 10.11.6-MariaDB ", font) + 8),
                            " sample  |" + std::to_string(16 + TextWidthInFont(" sample  ", font) + 8)}));
}

TEST_F(StatusBarTest, APressOnTheNoticeOpensTheDownloadPage) {
    std::vector<std::string> opened;
    ui::TShellOpenScope shell([&](const std::string& target) {
        opened.push_back(target);
        return true;
    });
    PressAt(0); // no notice: nothing, even at the left edge
    EXPECT_TRUE(opened.empty());
    bar.ShowUpdateNotice(true);
    const int width = bar.Bar()->Panels()[0]->Width();
    PressAt(width + 5);
    EXPECT_TRUE(opened.empty());
    PressAt(width - 1);
    EXPECT_EQ(opened, std::vector<std::string>{"http://www.veltrane.org/download.php"});
}

TEST_F(StatusBarTest, NeedsAnOwnerAndImages) {
    EXPECT_THROW(TAppStatusBar(nullptr, &images), rtl::EAssertionFailed);
    EXPECT_THROW(TAppStatusBar(&form, nullptr), rtl::EAssertionFailed);
}

} // namespace
} // namespace app
