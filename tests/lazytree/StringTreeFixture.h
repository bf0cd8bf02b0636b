#pragma once

// A string tree in a 300 x 200 window, with helpers to fill it, grab it and drive it with Qt's test
// library.
#include "lazytree/LazyStringTree.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Hints.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Messages.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"
#include <cstdlib>
#include <gtest/gtest.h>
#include <initializer_list>
#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <vector>

namespace lazytree::test {

using ui::TColor;

constexpr TColor kBack = 0xE0F0F0;
constexpr TColor kFocusedSelection = 0x2050C0;
constexpr TColor kUnfocusedSelection = 0x909090;
constexpr TColor kLines = 0x0000FF;
constexpr int kRow = 18;

class StringTreeWidgetTest : public uitest::UiTest {
protected:
    void SetUp() override {
        form.SetBounds(0, 0, 300, 200);
        tree.SetParent(&form);
        tree.SetBounds(0, 0, 300, 200);
        tree.Font()->SetName("Tahoma");
        tree.Font()->SetSize(8);
        tree.SetColor(kBack);
        auto& colors = model().Colors();
        colors.Set(TVTColors::FocusedSelectionColor, kFocusedSelection);
        colors.Set(TVTColors::FocusedSelectionBorderColor, kFocusedSelection);
        colors.Set(TVTColors::UnfocusedSelectionColor, kUnfocusedSelection);
        colors.Set(TVTColors::UnfocusedSelectionBorderColor, kUnfocusedSelection);
        colors.Set(TVTColors::TreeLineColor, kLines);
        form.Show();
        form.HandleNeeded();
    }
    void Activate() {
        form.Widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.Widget()));
        tree.SetFocus();
    }

    TLazyTreeModel& model() { return tree.Tree(); }
    QWidget* widget() { return tree.Widget(); }
    PLazyNode Top(int index) {
        PLazyNode node = model().GetFirst();
        while (index-- > 0)
            node = node->NextSibling;
        return node;
    }
    // Top-level nodes named by their index, each with `children` children.
    void Fill(int count, int children = 0) {
        tree.OnGetText = [](TCustomLazyStringTree& sender, PLazyNode node, TColumnIndex, TVSTTextType type,
                            std::u16string& text) {
            if (type == ttNormal)
                text = (node->Parent == sender.Tree().RootNode() ? u"item " : u"child ") +
                       rtl::Utf8ToUtf16(std::to_string(node->Index));
        };
        model().OnInitNode = [children](TLazyTreeModel&, PLazyNode, PLazyNode, TLazyNodeInitStates& states) {
            if (children > 0) states.Include(ivsHasChildren);
        };
        model().OnInitChildren = [children](TLazyTreeModel&, PLazyNode, uint32_t& count) {
            count = children;
        };
        model().SetRootNodeCount(count);
    }

    // Columns with these captions, each `width` wide; the first is the main column.
    void AddColumns(std::initializer_list<const char16_t*> captions, int width) {
        for (const char16_t* caption : captions) {
            TLazyTreeColumn& column = tree.Header().Columns().Add();
            column.SetWidth(width);
            column.Look().Text = caption;
        }
        tree.Header().SetMainColumn(0);
    }

    // Every node's images come from a list of one 16 x 16 image in this colour.
    void ShowImage(TColor color) {
        ui::TBitmap picture(16, 16, ui::pf32bit);
        picture.Canvas()->Brush()->SetColor(color);
        picture.Canvas()->FillRect({0, 0, 16, 16});
        images.AddMasked(&picture, ui::clFuchsia);
        tree.SetImages(&images);
    }

    QImage Grab() {
        const QImage window = widget()->grab().toImage();
        const ui::TRect c = tree.ClientRectInWindow();
        return Keep(window.copy(c.Left, c.Top, c.Width(), c.Height()));
    }
    // The header band of the window.
    QImage GrabHeader() {
        const int height = tree.Header().Height();
        return Keep(widget()->grab().toImage().copy(0, tree.ClientRectInWindow().Top - height,
                                                    tree.ClientWidth(), height));
    }
    // Saves a grab for a look at it when LAZYTREE_TEST_PNG_DIR names a folder.
    QImage Keep(QImage image) {
        if (const char* dir = std::getenv("LAZYTREE_TEST_PNG_DIR"))
            image.save(QString::fromUtf8(dir) + "/" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                       QString::number(grabs++) + ".png");
        return image;
    }
    static TColor Pixel(const QImage& image, int x, int y) { return ui::FromQColor(image.pixelColor(x, y)); }
    // A colour blended over another by the default blend factor of 128.
    static TColor HalfBlend(TColor over, TColor under) {
        TColor result = 0;
        for (int shift = 0; shift < 24; shift += 8)
            result |= ((128 * ((over >> shift) & 0xFF) + 128 * ((under >> shift) & 0xFF)) / 256) << shift;
        return result;
    }
    static int CountColor(const QImage& image, const ui::TRect& r, TColor color) {
        int count = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                count += Pixel(image, x, y) == color;
        return count;
    }
    // The leftmost column of a row band that holds anything but the background and the selection.
    static int FirstInk(const QImage& image, int top, int bottom, int from = 0) {
        for (int x = from; x < image.width(); ++x)
            for (int y = top; y < bottom; ++y)
                if (const TColor c = Pixel(image, x, y);
                    c != kBack && c != kFocusedSelection && c != kUnfocusedSelection)
                    return x;
        return -1;
    }
    QPoint InWindow(int x, int y) {
        const ui::TRect c = tree.ClientRectInWindow();
        return {x + c.Left, y + c.Top};
    }
    void Click(int x, int y, Qt::KeyboardModifiers modifiers = {}, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(widget(), button, modifiers, InWindow(x, y));
    }
    void Wheel(int delta, Qt::KeyboardModifiers modifiers = {}) {
        const QPoint pos = InWindow(50, 50);
        QWheelEvent event(pos, widget()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget(), &event);
    }

    int grabs = 0;
    ui::TManualClockScope clock{1000};
    ui::TWinControl form{nullptr};
    ui::TCustomImageList images{16, 16}; // outlives the tree
    TLazyStringTree tree{nullptr};
};

} // namespace lazytree::test
