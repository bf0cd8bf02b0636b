#include "platform/ui/MimeData.h"

#include "platform/ui/Controls.h"
#include "platform/ui/QtBridge.h"

#include <QDrag>
#include <QMimeData>
#include <QWidget>

namespace ui {

namespace {

// How a registered format travels in Qt's mime data.
QString MimeTypeOf(TClipboardFormat format) {
    return QStringLiteral("application/x-veltrane-clipboard;format=\"%1\"")
        .arg(QString::fromStdString(GetClipboardFormatName(format)));
}

std::string Utf16Bytes(const QString& text) {
    const std::u16string units = ToUtf16(text);
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(char16_t));
}

QString FromUtf16Bytes(const std::string& bytes) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.data()),
                              static_cast<qsizetype>(bytes.size() / sizeof(char16_t)));
}

Qt::DropActions ToDropActions(uint32_t effects) {
    Qt::DropActions actions;
    if (effects & DROPEFFECT_COPY) actions |= Qt::CopyAction;
    if (effects & DROPEFFECT_MOVE) actions |= Qt::MoveAction;
    if (effects & DROPEFFECT_LINK) actions |= Qt::LinkAction;
    return actions;
}

uint32_t FromDropAction(Qt::DropAction action) {
    switch (action) {
    case Qt::CopyAction:
        return DROPEFFECT_COPY;
    case Qt::MoveAction:
    case Qt::TargetMoveAction:
        return DROPEFFECT_MOVE;
    case Qt::LinkAction:
        return DROPEFFECT_LINK;
    default:
        return DROPEFFECT_NONE;
    }
}

} // namespace

QMimeData* ToMimeData(const TFormatData& data) {
    auto* mime = new QMimeData;
    if (const auto wide = data.find(CF_UNICODETEXT); wide != data.end())
        mime->setText(FromUtf16Bytes(wide->second));
    else if (const auto text = data.find(CF_TEXT); text != data.end())
        mime->setText(ToQString(text->second));
    for (const auto& [format, bytes] : data)
        if (format >= kFirstRegisteredFormat)
            mime->setData(MimeTypeOf(format), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return mime;
}

TFormatData FromMimeData(const QMimeData& mime) {
    TFormatData data;
    if (mime.hasText()) data[CF_UNICODETEXT] = Utf16Bytes(mime.text());
    for (TClipboardFormat format = kFirstRegisteredFormat; !GetClipboardFormatName(format).empty(); ++format)
        if (mime.hasFormat(MimeTypeOf(format))) data[format] = mime.data(MimeTypeOf(format)).toStdString();
    return data;
}

uint32_t DoSystemDrag(TWinControl& source, const TFormatData& data, uint32_t allowedEffects) {
    const Qt::DropActions actions = ToDropActions(allowedEffects);
    if (!source.Widget() || !actions) return DROPEFFECT_NONE;
    auto* drag = new QDrag(source.Widget());
    drag->setMimeData(ToMimeData(data));
    return FromDropAction(drag->exec(actions));
}

} // namespace ui
