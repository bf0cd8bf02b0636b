#include "platform/ui/Buttons.h"
#include "platform/ui/Edits.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Labels.h"
#include "platform/ui/ListControls.h"
#include "platform/ui/ListViews.h"
#include "platform/ui/Menus.h"
#include "platform/ui/PageControls.h"
#include "platform/ui/Panels.h"
#include "platform/ui/QtBridge.h"
#include "platform/ui/StatusBars.h"
#include "platform/ui/ToolBars.h"
#include "support/UiTest.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

namespace ui {
namespace {

class StandardFormTest : public uitest::UiTest {};

// A small form with every standard control, grabbed whole: each control shows where it stands.
// With VELTRANE_SHOTS set, the picture is saved there to be looked at.
TEST_F(StandardFormTest, EveryControlShowsOnOneForm) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 480, 360);
    form.SetCaption("Connection");
    TMainMenu menu(&form);
    for (const char* caption : {"&File", "&Edit", "&Help"}) {
        auto* item = new TMenuItem(&form);
        item->SetCaption(caption);
        menu.Items()->Add(item);
    }
    form.SetMenu(&menu);

    TImageList images(16, 16);
    for (TColor color : {clGreen, clRed, clBlue}) {
        TBitmap bitmap;
        bitmap.SetSize(16, 16);
        bitmap.Canvas()->Brush()->SetColor(color);
        bitmap.Canvas()->FillRect(Rect(3, 3, 13, 13));
        images.AddMasked(&bitmap, clBlack);
    }
    TToolBar tools(&form);
    tools.SetParent(&form);
    tools.SetImages(&images);
    tools.SetFlat(true);
    for (int i : {0, -1, 1, 2}) {
        auto* button = new TToolButton(&form);
        button->SetParent(&tools);
        if (i < 0)
            button->SetStyle(tbsDivider);
        else
            button->SetImageIndex(i);
    }
    TStatusBar status(&form);
    status.SetParent(&form);
    status.Panels().Add()->SetText("Connected");
    status.Panels()[0]->SetWidth(120);
    status.Panels().Add()->SetText("utf8mb4 😀");

    TPageControl pages(&form);
    pages.SetParent(&form);
    pages.SetAlign(alClient);
    pages.SetImages(&images);
    auto* general = new TTabSheet(&form);
    general->SetCaption("General");
    general->SetImageIndex(0);
    general->SetPageControl(&pages);
    auto* advanced = new TTabSheet(&form);
    advanced->SetCaption("Advanced");
    advanced->SetPageControl(&pages);

    TLabel hostLabel(&form);
    hostLabel.SetParent(general);
    hostLabel.SetBounds(8, 12, 0, 0);
    hostLabel.SetCaption("&Host:");
    TEdit host(&form);
    host.SetParent(general);
    host.SetBounds(80, 8, 150, 22);
    host.SetText("127.0.0.1");
    hostLabel.SetFocusControl(&host);
    TEdit password(&form);
    password.SetParent(general);
    password.SetBounds(80, 36, 150, 22);
    password.SetPasswordChar(u'*');
    password.SetText("secret");
    TComboBox charset(&form);
    charset.SetParent(general);
    charset.SetBounds(80, 64, 150, 22);
    charset.SetStyle(csDropDownList);
    charset.Items().SetCommaText("latin1,utf8mb4");
    charset.SetItemIndex(1);
    TCheckBox compress(&form);
    compress.SetParent(general);
    compress.SetBounds(250, 8, 120, 20);
    compress.SetCaption("&Compress");
    compress.SetChecked(true);
    TRadioButton tcp(&form), socket(&form);
    tcp.SetParent(general);
    tcp.SetBounds(250, 32, 120, 20);
    tcp.SetCaption("TCP/IP");
    tcp.SetChecked(true);
    socket.SetParent(general);
    socket.SetBounds(250, 56, 120, 20);
    socket.SetCaption("Socket");
    TListBox databases(&form);
    databases.SetParent(general);
    databases.SetBounds(8, 96, 120, 90);
    databases.Items().SetCommaText("mysql,test,veltrane");
    databases.SetItemIndex(2);
    TMemo notes(&form);
    notes.SetParent(general);
    notes.SetBounds(136, 96, 150, 90);
    notes.Lines().Add("Notes");
    notes.Lines().Add("ünïcödé ✓");
    TPanel panel(&form);
    panel.SetParent(general);
    panel.SetBounds(296, 96, 140, 50);
    panel.SetCaption("Panel");
    TButton ok(&form);
    ok.SetParent(general);
    ok.SetBounds(296, 156, 70, 26);
    ok.SetCaption("OK");
    ok.SetDefault(true);

    form.Show();
    const QImage shot = form.Widget()->grab().toImage();
    if (const char* dir = std::getenv("VELTRANE_SHOTS")) shot.save(QString(dir) + "/standard-form.png");

    const auto origin = [&](TControl& c) { return form.ScreenToClient(c.ClientToScreen({0, 0})); };
    const int menuHeight = form.Height() - form.ClientHeight();
    EXPECT_GT(menuHeight, 10);
    EXPECT_EQ(tools.Top(), 0);
    EXPECT_EQ(status.Top() + status.Height(), form.ClientHeight());
    EXPECT_EQ(pages.Top(), tools.Height());
    // The first tool button's image and the panel's face are where their controls are.
    const TPoint image = origin(*tools.Buttons(0));
    EXPECT_EQ(FromQColor(shot.pixelColor(image.X + 11, menuHeight + image.Y + 11)), clGreen);
    const TPoint face = origin(panel);
    EXPECT_EQ(FromQColor(shot.pixelColor(face.X + 5, menuHeight + face.Y + 5)),
              FromQColor(ToQColor(clBtnFace)));
    // The list box shows its selected item in the highlight colour.
    const TRect selected = databases.ItemRect(2);
    const TPoint list = origin(databases);
    bool highlight = false;
    for (int x = selected.Left; x < selected.Right; ++x)
        highlight |= FromQColor(shot.pixelColor(list.X + x + 2, menuHeight + list.Y + selected.Top + 2 +
                                                                    selected.Height() / 2)) ==
                     FromQColor(ToQColor(clHighlight));
    EXPECT_TRUE(highlight);

    // The other page: a list view in report style with images and check boxes.
    TListView variables(&form);
    variables.SetParent(advanced);
    variables.SetAlign(alClient);
    variables.SetViewStyle(vsReport);
    variables.SetCheckboxes(true);
    variables.SetSmallImages(&images);
    for (const char* caption : {"Variable", "Value"})
        variables.Columns().Add()->SetCaption(caption);
    variables.Columns()[0]->SetWidth(150);
    for (int i = 0; i < 3; ++i) {
        TListItem* item = variables.Items().Add();
        item->SetCaption("v_" + std::to_string(i));
        item->SubItems().Add(i == 1 ? "NULL" : std::to_string(i * 42));
        item->SetImageIndex(i);
        item->SetChecked(i != 1);
    }
    variables.SetItemIndex(2);
    pages.SetActivePage(advanced);
    const QImage other = form.Widget()->grab().toImage();
    if (const char* dir = std::getenv("VELTRANE_SHOTS")) other.save(QString(dir) + "/standard-form-2.png");
    const TPoint tree = origin(variables);
    bool red = false;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 60; ++x)
            red |= FromQColor(other.pixelColor(tree.X + x, menuHeight + tree.Y + y)) == clRed;
    EXPECT_TRUE(red) << "the second item's image";
}

} // namespace
} // namespace ui
