#include "platform/ui/CommonDialogs.h"

#include "support/UiTest.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace ui {
namespace {

TEST(CommonDialogsTest, FiltersSplitIntoPairs) {
    const std::vector<TFileFilter> filters =
        ParseFileFilter("SQL files (*.sql)|*.sql;*.txt|No patterns||All files|*.*|Odd one");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].description, "SQL files (*.sql)");
    EXPECT_EQ(filters[0].patterns, "*.sql;*.txt");
    EXPECT_EQ(filters[1].description, "All files");
    EXPECT_TRUE(ParseFileFilter("").empty());
}

TEST(CommonDialogsTest, TheDefaultExtensionGoesOnlyToANameWithoutOne) {
    struct Case {
        const char* name;
        const char* ext;
        const char* expected;
    } cases[] = {{"/tmp/out", "sql", "/tmp/out.sql"},
                 {"/tmp/out.txt", "sql", "/tmp/out.txt"},
                 {"/tmp.d/out", "sql", "/tmp.d/out.sql"},
                 {"/tmp/.hidden", "sql", "/tmp/.hidden.sql"},
                 {"/tmp/out", "", "/tmp/out"},
                 {"", "sql", ""}};
    for (const Case& c : cases)
        EXPECT_EQ(AddDefaultExt(c.name, c.ext), c.expected) << c.name;
}

class CommonDialogsOnScreenTest : public uitest::UiTest {
protected:
    CommonDialogsOnScreenTest() {
        for (const char* name : {"a.txt", "b.log"}) {
            QFile file(dir.filePath(name));
            file.open(QIODevice::WriteOnly);
        }
    }
    // Answers the modal dialog once it shows, as a user would.
    template <class Dialog>
    static void Answer(std::function<void(Dialog&)> answer) {
        QTimer::singleShot(0, [answer] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            answer(*dialog);
        });
    }
    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }

    QTemporaryDir dir;
};

TEST_F(CommonDialogsOnScreenTest, AnOpenDialogStartsWithTheFilterAndReturnsTheChosenFile) {
    TOpenDialog dialog(nullptr);
    dialog.SetTitle("Open script");
    dialog.SetInitialDir(dir.path().toStdString());
    dialog.SetFilter("Text files|*.txt|Logs|*.log;*.out");
    dialog.SetFilterIndex(2);
    dialog.SetOptions({ofFileMustExist});
    QString shownFilter, shownTitle;
    Answer<QFileDialog>([&](QFileDialog& shown) {
        shownTitle = shown.windowTitle();
        shownFilter = shown.selectedNameFilter();
        shown.selectNameFilter("Text files (*.txt)");
        shown.selectFile("a.txt");
        static_cast<QDialog&>(shown).accept();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(shownTitle, "Open script");
    EXPECT_EQ(shownFilter, "Logs (*.log *.out)");
    EXPECT_EQ(dialog.FileName(), Path("a.txt"));
    EXPECT_EQ(dialog.Files(), std::vector<std::string>{Path("a.txt")});
    EXPECT_EQ(dialog.FilterIndex(), 1);
}

TEST_F(CommonDialogsOnScreenTest, ASaveDialogAddsTheDefaultExtensionAndCancelKeepsTheName) {
    TSaveDialog dialog(nullptr);
    dialog.SetInitialDir(dir.path().toStdString());
    dialog.SetDefaultExt("sql");
    Answer<QFileDialog>([](QFileDialog& shown) {
        shown.selectFile("report");
        static_cast<QDialog&>(shown).accept();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), Path("report.sql"));
    Answer<QFileDialog>([](QFileDialog& shown) { shown.reject(); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), Path("report.sql"));
}

TEST_F(CommonDialogsOnScreenTest, AFontDialogStartsWithTheFontAndReturnsTheChosenOne) {
    TFontDialog dialog(nullptr);
    dialog.Font()->SetName("Courier New");
    dialog.Font()->SetSize(10);
    QString shownFamily;
    Answer<QFontDialog>([&](QFontDialog& shown) {
        shownFamily = shown.currentFont().family();
        QFont font("DejaVu Sans", 14);
        font.setBold(true);
        font.setItalic(true);
        shown.setCurrentFont(font);
        static_cast<QDialog&>(shown).accept();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(shownFamily, "DejaVu Sans Mono");
    EXPECT_EQ(dialog.Font()->Name(), "DejaVu Sans");
    EXPECT_EQ(dialog.Font()->Size(), 14);
    EXPECT_TRUE(dialog.Font()->Style().Contains(fsBold));
    EXPECT_TRUE(dialog.Font()->Style().Contains(fsItalic));
    EXPECT_FALSE(dialog.Font()->Style().Contains(fsUnderline));
}

} // namespace
} // namespace ui
