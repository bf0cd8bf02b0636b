#include "platform/ui/Metrics.h"

#include "platform/ui/Graphics.h"
#include "platform/ui/QtBridge.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QStyleHints>

namespace ui {

namespace {

int StyleMetric(QStyle::PixelMetric metric, int fallback) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return fallback;
    return QApplication::style()->pixelMetric(metric);
}

QScreen* PrimaryScreen() {
    return QGuiApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
}

} // namespace

int GetSystemMetrics(TSystemMetric metric) {
    switch (metric) {
    case SM_CXSCREEN:
        return ScreenRect().Width();
    case SM_CYSCREEN:
        return ScreenRect().Height();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
        return StyleMetric(QStyle::PM_ScrollBarExtent, 17);
    case SM_CYCAPTION:
        return 23;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CYMENU:
        return 20;
    case SM_CYSMCAPTION:
        return 17;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    case SM_CXDRAG:
    case SM_CYDRAG:
        return QGuiApplication::instance() ? QGuiApplication::styleHints()->startDragDistance() : 4;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
        return StyleMetric(QStyle::PM_IndicatorWidth, 13);
    case SM_CMONITORS:
        return QGuiApplication::instance() ? static_cast<int>(QGuiApplication::screens().size()) : 1;
    }
    return 0;
}

int ScreenPixelsPerInch() {
    return kScreenPixelsPerInch;
}

TRect ScreenRect() {
    QScreen* screen = PrimaryScreen();
    return screen ? FromQRect(screen->geometry()) : Rect(0, 0, 1024, 768);
}

TRect WorkArea() {
    QScreen* screen = PrimaryScreen();
    return screen ? FromQRect(screen->availableGeometry()) : Rect(0, 0, 1024, 768);
}

int GetDoubleClickTime() {
    return QGuiApplication::instance() ? QGuiApplication::styleHints()->mouseDoubleClickInterval() : 500;
}

int WheelScrollLines() {
    return QGuiApplication::instance() ? QGuiApplication::styleHints()->wheelScrollLines() : 3;
}

int GetCaretBlinkTime() {
    const int flash = QGuiApplication::instance() ? QGuiApplication::styleHints()->cursorFlashTime() : 1000;
    return flash > 0 ? flash / 2 : 0;
}

} // namespace ui
