#include "platform/ui/Clipboard.h"

#include "platform/data/NameCompare.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/MimeData.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <map>

namespace ui {

namespace {

std::vector<std::string>& RegisteredNames() {
    static std::vector<std::string> names;
    return names;
}

} // namespace

TClipboardFormat RegisterClipboardFormat(const std::string& name) {
    auto& names = RegisteredNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (data::SameName(names[i], name)) return kFirstRegisteredFormat + static_cast<TClipboardFormat>(i);
    names.push_back(name);
    return kFirstRegisteredFormat + static_cast<TClipboardFormat>(names.size() - 1);
}

std::string GetClipboardFormatName(TClipboardFormat format) {
    const auto& names = RegisteredNames();
    if (format < kFirstRegisteredFormat || format - kFirstRegisteredFormat >= names.size()) return {};
    return names[format - kFirstRegisteredFormat];
}

struct TClipboard::Content {
    std::map<TClipboardFormat, std::string> data;
    QImage image;
    // The mime data last published; another owner of the desktop clipboard means new content.
    const QMimeData* published = nullptr;
};

TClipboard::TClipboard() : content_(std::make_unique<Content>()) {}
TClipboard::~TClipboard() = default;

void TClipboard::Open() {
    if (openCount_++ == 0) {
        // What the desktop holds now is what the changes replace, not newer content to read after them.
        Refresh();
        emptied_ = false;
        changed_ = false;
    }
}

void TClipboard::Close() {
    if (openCount_ == 0) return;
    if (--openCount_ == 0 && changed_) Publish();
}

void TClipboard::Clear() {
    Open();
    content_->data.clear();
    content_->image = QImage();
    emptied_ = true;
    changed_ = true;
    Close();
}

void TClipboard::Adding() {
    if (!emptied_) {
        content_->data.clear();
        content_->image = QImage();
        emptied_ = true;
    }
    changed_ = true;
}

void TClipboard::Refresh() const {
    if (!QGuiApplication::instance()) return;
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (mime == content_->published) return;
    // Another program's content: its text and picture.
    content_->data.clear();
    content_->image = QImage();
    content_->published = mime;
    if (!mime) return;
    content_->data = FromMimeData(*mime);
    if (mime->hasImage()) content_->image = qvariant_cast<QImage>(mime->imageData());
}

void TClipboard::Publish() {
    if (!QGuiApplication::instance()) return;
    // The text goes in its UTF-16 form, converted from the 8-bit one when only that was set.
    TFormatData data = content_->data;
    if (HasFormat(CF_UNICODETEXT)) {
        const std::u16string text = AsWideText();
        data[CF_UNICODETEXT].assign(reinterpret_cast<const char*>(text.data()),
                                    text.size() * sizeof(char16_t));
    }
    QMimeData* mime = ToMimeData(data);
    if (!content_->image.isNull()) mime->setImageData(content_->image);
    QGuiApplication::clipboard()->setMimeData(mime);
    content_->published = QGuiApplication::clipboard()->mimeData();
}

bool TClipboard::HasFormat(TClipboardFormat format) const {
    Refresh();
    switch (format) {
    case CF_TEXT:
    case CF_UNICODETEXT:
        return content_->data.contains(CF_TEXT) || content_->data.contains(CF_UNICODETEXT);
    case CF_BITMAP:
    case CF_DIB:
        return !content_->image.isNull();
    default:
        return content_->data.contains(format);
    }
}

std::vector<TClipboardFormat> TClipboard::Formats() const {
    Refresh();
    std::vector<TClipboardFormat> formats;
    for (TClipboardFormat f : {CF_TEXT, CF_BITMAP, CF_DIB, CF_UNICODETEXT})
        if (HasFormat(f)) formats.push_back(f);
    for (const auto& entry : content_->data)
        if (entry.first >= kFirstRegisteredFormat) formats.push_back(entry.first);
    return formats;
}

std::optional<std::string> TClipboard::GetData(TClipboardFormat format) const {
    Refresh();
    if (format == CF_TEXT && !content_->data.contains(CF_TEXT) && content_->data.contains(CF_UNICODETEXT))
        return AsText();
    if (format == CF_UNICODETEXT && !content_->data.contains(CF_UNICODETEXT) &&
        content_->data.contains(CF_TEXT)) {
        const std::u16string wide = AsWideText();
        return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(char16_t));
    }
    const auto found = content_->data.find(format);
    if (found == content_->data.end()) return std::nullopt;
    return found->second;
}

void TClipboard::SetData(TClipboardFormat format, std::string_view bytes) {
    Open();
    Adding();
    content_->data[format] = std::string(bytes);
    Close();
}

std::string TClipboard::AsText() const {
    Refresh();
    if (const auto found = content_->data.find(CF_TEXT); found != content_->data.end()) return found->second;
    if (const auto found = content_->data.find(CF_UNICODETEXT); found != content_->data.end()) {
        const std::string& bytes = found->second;
        return rtl::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(bytes.data()),
                                                    bytes.size() / sizeof(char16_t)));
    }
    return {};
}

void TClipboard::SetAsText(std::string_view text) {
    SetData(CF_TEXT, text);
}

std::u16string TClipboard::AsWideText() const {
    Refresh();
    if (const auto found = content_->data.find(CF_UNICODETEXT); found != content_->data.end()) {
        const std::string& bytes = found->second;
        return std::u16string(reinterpret_cast<const char16_t*>(bytes.data()),
                              bytes.size() / sizeof(char16_t));
    }
    if (const auto found = content_->data.find(CF_TEXT); found != content_->data.end())
        return rtl::Utf8ToUtf16(found->second);
    return {};
}

void TClipboard::SetAsWideText(std::u16string_view text) {
    SetData(CF_UNICODETEXT,
            std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t)));
}

bool TClipboard::GetBitmap(TBitmap& bitmap) const {
    Refresh();
    if (content_->image.isNull()) return false;
    bitmap.SetImage(content_->image);
    return true;
}

void TClipboard::SetBitmap(const TBitmap& bitmap) {
    Open();
    Adding();
    content_->image = bitmap.Image().copy();
    Close();
}

TClipboard& Clipboard() {
    static TClipboard clipboard;
    return clipboard;
}

} // namespace ui
