#include "platform/ui/Themes.h"

#include "platform/ui/QtBridge.h"

#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include <memory>

namespace ui {

namespace {

bool themesEnabled = false;

// One style for every desktop, whatever the platform would choose.
QStyle& Style() {
    static const std::unique_ptr<QStyle> style(QStyleFactory::create(QStringLiteral("Fusion")));
    return *style;
}

QPalette FixedPalette() {
    QPalette palette;
    const auto set = [&palette](QPalette::ColorRole role, TColor color) {
        palette.setColor(QPalette::Active, role, ToQColor(color));
        palette.setColor(QPalette::Inactive, role, ToQColor(color));
        palette.setColor(QPalette::Disabled, role, ToQColor(color));
    };
    set(QPalette::Window, clBtnFace);
    set(QPalette::Button, clBtnFace);
    set(QPalette::Base, clWindow);
    set(QPalette::WindowText, clWindowText);
    set(QPalette::ButtonText, clBtnText);
    set(QPalette::Text, clWindowText);
    set(QPalette::Light, clBtnHighlight);
    set(QPalette::Dark, clBtnShadow);
    set(QPalette::Shadow, cl3DDkShadow);
    set(QPalette::Highlight, clHighlight);
    set(QPalette::HighlightedText, clHighlightText);
    // A selection without the focus shows in the face colour.
    palette.setColor(QPalette::Inactive, QPalette::Highlight, ToQColor(clBtnFace));
    return palette;
}

template <class Option>
Option MakeOption(const TRect& rect) {
    Option option;
    option.rect = ToQRect(rect);
    option.palette = FixedPalette();
    option.state |= QStyle::State_Enabled;
    return option;
}

template <class Draw>
void WithPainter(TCanvas& canvas, const TRect& rect, Draw draw) {
    QPainter* p = canvas.Painter();
    if (!p || rect.IsEmpty()) return;
    p->save();
    draw(*p);
    p->restore();
}

} // namespace

bool ThemesEnabled() {
    return themesEnabled;
}

void SetThemesEnabled(bool on) {
    themesEnabled = on;
}

void DrawThemedTreeGlyph(TCanvas& canvas, const TRect& rect, bool expanded, bool hot) {
    auto option = MakeOption<QStyleOption>(rect);
    option.state |= QStyle::State_Children;
    if (expanded) option.state |= QStyle::State_Open;
    if (hot) {
        option.state |= QStyle::State_MouseOver;
        option.palette.setColor(QPalette::WindowText, ToQColor(clHighlight));
        option.palette.setColor(QPalette::ButtonText, ToQColor(clHighlight));
    }
    WithPainter(canvas, rect,
                [&](QPainter& p) { Style().drawPrimitive(QStyle::PE_IndicatorBranch, &option, &p); });
}

void DrawThemedTreeItem(TCanvas& canvas, const TRect& rect, TThemedTreeItem state) {
    auto option = MakeOption<QStyleOptionViewItem>(rect);
    // Items are light washes of the selection colour over the window, so that their text stays
    // readable in its own colour: stronger when selected, strongest when also hot.
    const auto wash = [](int percent) {
        const QColor highlight = ToQColor(clHighlight), window = ToQColor(clWindow);
        const auto mix = [percent](int a, int b) { return (a * percent + b * (100 - percent)) / 100; };
        return QColor(mix(highlight.red(), window.red()), mix(highlight.green(), window.green()),
                      mix(highlight.blue(), window.blue()));
    };
    switch (state) {
    case TThemedTreeItem::Hot:
        option.state |= QStyle::State_Active | QStyle::State_MouseOver;
        option.backgroundBrush = wash(20);
        break;
    case TThemedTreeItem::Selected:
        option.state |= QStyle::State_Active | QStyle::State_Selected;
        option.palette.setColor(QPalette::Active, QPalette::Highlight, wash(40));
        break;
    case TThemedTreeItem::SelectedNotFocus:
        option.state |= QStyle::State_Selected;
        break;
    case TThemedTreeItem::HotSelected:
        option.state |= QStyle::State_Active | QStyle::State_Selected | QStyle::State_MouseOver;
        option.palette.setColor(QPalette::Active, QPalette::Highlight, wash(55));
        break;
    }
    option.showDecorationSelected = true;
    WithPainter(canvas, rect,
                [&](QPainter& p) { Style().drawPrimitive(QStyle::PE_PanelItemViewItem, &option, &p); });
}

void DrawThemedHeaderItem(TCanvas& canvas, const TRect& rect, TThemedHeaderItem state) {
    auto option = MakeOption<QStyleOptionHeader>(rect);
    option.orientation = Qt::Horizontal;
    option.state |= QStyle::State_Horizontal;
    switch (state) {
    case TThemedHeaderItem::Pressed:
        option.state |= QStyle::State_Sunken;
        break;
    case TThemedHeaderItem::Hot:
        // The style shades a section from its button colour; a hot one lights up.
        option.state |= QStyle::State_Raised | QStyle::State_MouseOver;
        option.palette.setColor(QPalette::Button, ToQColor(clBtnHighlight));
        break;
    case TThemedHeaderItem::Normal:
    case TThemedHeaderItem::Background:
        option.state |= QStyle::State_Raised;
        break;
    }
    WithPainter(canvas, rect, [&](QPainter& p) {
        Style().drawControl(state == TThemedHeaderItem::Background ? QStyle::CE_HeaderEmptyArea
                                                                   : QStyle::CE_HeaderSection,
                            &option, &p);
    });
}

} // namespace ui
