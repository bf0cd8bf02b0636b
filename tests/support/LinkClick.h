#pragma once

// Clicks a link of a browser control's page where the user would: on its text.

#include "platform/ui/Controls.h"

#include <QTest>
#include <QTextBrowser>

namespace uitest {

// The first link with that text, matched case-sensitively; false when the page has no such text.
inline bool ClickLinkText(ui::TWinControl& browser, const QString& text) {
    auto* view = qobject_cast<QTextBrowser*>(browser.Widget());
    if (!view) return false;
    const QTextCursor found = view->document()->find(text, 0, QTextDocument::FindCaseSensitively);
    if (found.isNull()) return false;
    QTextCursor inside(view->document());
    inside.setPosition(found.selectionStart() + 1);
    view->setTextCursor(inside);
    view->ensureCursorVisible();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cursorRect(inside).center());
    return true;
}

} // namespace uitest
