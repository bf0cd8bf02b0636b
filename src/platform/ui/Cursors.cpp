#include "platform/ui/Cursors.h"

#include "platform/ui/QtBridge.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

namespace ui {

HCURSOR LoadCursorResource(const TResourceId& name) {
    const auto bytes = FindResource(RT_CURSOR, name);
    if (!bytes) return nullptr;
    auto icon = std::make_shared<TIcon>();
    rtl::TMemoryStream stream;
    stream.WriteString(*bytes);
    stream.SetPosition(0);
    try {
        icon->LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
        return nullptr; // a damaged asset shows the default cursor rather than failing
    }
    return icon;
}

void TScreenCursors::Set(TCursor index, HCURSOR cursor) {
    if (cursor) {
        custom_[index] = std::move(cursor);
    } else {
        custom_.erase(index);
    }
}

HCURSOR TScreenCursors::Get(TCursor index) const {
    const auto found = custom_.find(index);
    return found == custom_.end() ? nullptr : found->second;
}

TScreenCursors& ScreenCursors() {
    static TScreenCursors cursors;
    return cursors;
}

QCursor ToQCursor(TCursor cursor) {
    if (HCURSOR custom = ScreenCursors().Get(cursor))
        return QCursor(QPixmap::fromImage(custom->Image()), custom->HotSpot().X, custom->HotSpot().Y);
    switch (cursor) {
    case crNone:
        return QCursor(Qt::BlankCursor);
    case crCross:
        return QCursor(Qt::CrossCursor);
    case crIBeam:
        return QCursor(Qt::IBeamCursor);
    case crSizeNESW:
        return QCursor(Qt::SizeBDiagCursor);
    case crSizeNS:
        return QCursor(Qt::SizeVerCursor);
    case crSizeNWSE:
        return QCursor(Qt::SizeFDiagCursor);
    case crSizeWE:
        return QCursor(Qt::SizeHorCursor);
    case crUpArrow:
        return QCursor(Qt::UpArrowCursor);
    case crHourGlass:
        return QCursor(Qt::WaitCursor);
    case crDrag:
    case crMultiDrag:
        return QCursor(Qt::DragCopyCursor);
    case crNoDrop:
    case crNo:
        return QCursor(Qt::ForbiddenCursor);
    case crHSplit:
        return QCursor(Qt::SplitHCursor);
    case crVSplit:
        return QCursor(Qt::SplitVCursor);
    case crSQLWait:
    case crAppStart:
        return QCursor(Qt::BusyCursor);
    case crHelp:
        return QCursor(Qt::WhatsThisCursor);
    case crHandPoint:
        return QCursor(Qt::PointingHandCursor);
    case crSizeAll:
        return QCursor(Qt::SizeAllCursor);
    default:
        return QCursor(Qt::ArrowCursor);
    }
}

namespace {

TCursor screenCursor = crDefault;

} // namespace

TCursor ScreenCursor() {
    return screenCursor;
}

void SetScreenCursor(TCursor cursor) {
    if (cursor == screenCursor) return;
    const bool wasSet = screenCursor != crDefault;
    screenCursor = cursor;
    if (!QGuiApplication::instance()) return;
    if (wasSet) QGuiApplication::restoreOverrideCursor();
    if (cursor != crDefault) QGuiApplication::setOverrideCursor(ToQCursor(cursor));
}

} // namespace ui
