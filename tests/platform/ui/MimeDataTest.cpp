#include "platform/ui/MimeData.h"

#include "platform/ui/Panels.h"
#include "support/UiTest.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

namespace ui {
namespace {

std::string Utf16Bytes(std::u16string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
}

TEST(MimeDataTest, TextAndRegisteredFormatsTravelAndComeBack) {
    const TClipboardFormat rows = RegisterClipboardFormat("Mime test rows");
    const std::u16string wide = u"Gr\u00FC\u00DFe \U0001D11E \u4E2D";
    struct Case {
        const char* name;
        TFormatData data;
        QString text;
    } cases[] = {
        {"UTF-16 text", {{CF_UNICODETEXT, Utf16Bytes(wide)}}, QString::fromStdU16String(wide)},
        {"8-bit text alone", {{CF_TEXT, "caf\xC3\xA9"}}, QStringLiteral("caf\u00E9")},
        {"UTF-16 wins over 8-bit", {{CF_TEXT, "other"}, {CF_UNICODETEXT, Utf16Bytes(u"mine")}}, "mine"},
    };
    for (const Case& c : cases) {
        const std::unique_ptr<QMimeData> mime(ToMimeData(c.data));
        EXPECT_EQ(mime->text(), c.text) << c.name;
        EXPECT_EQ(FromMimeData(*mime).at(CF_UNICODETEXT), Utf16Bytes(c.text.toStdU16String())) << c.name;
    }

    const std::string bytes("\x00\x01\xFF row", 7);
    const std::unique_ptr<QMimeData> mime(ToMimeData({{rows, bytes}, {CF_DIB, "picture bytes"}}));
    EXPECT_FALSE(mime->hasText());
    const TFormatData back = FromMimeData(*mime);
    EXPECT_EQ(back.size(), 1u) << "a standard format other than text stays in the program";
    EXPECT_EQ(back.at(rows), bytes);
}

class SystemDragTest : public uitest::UiTest {};

TEST_F(SystemDragTest, ADragWithoutAWindowOrAnEffectDropsNothing) {
    TPanel panel(nullptr);
    const TFormatData text{{CF_UNICODETEXT, Utf16Bytes(u"x")}};
    EXPECT_EQ(DoSystemDrag(panel, text, DROPEFFECT_COPY), DROPEFFECT_NONE) << "no window";
    panel.HandleNeeded();
    EXPECT_EQ(DoSystemDrag(panel, text, DROPEFFECT_NONE), DROPEFFECT_NONE) << "nothing allowed";
}

} // namespace
} // namespace ui
