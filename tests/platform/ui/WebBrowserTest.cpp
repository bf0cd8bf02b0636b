// The browser control over local pages: what it asks before it shows a page, what a click on a link
// reports, and the way back.
#include "platform/ui/WebBrowser.h"

#include "platform/rtl/Exception.h"
#include "platform/ui/Application.h"
#include "platform/ui/Forms.h"
#include "support/LinkClick.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace ui {
namespace {

class WebBrowserTest : public uitest::UiTest {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("web-browser-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        form.SetBounds(0, 0, 400, 300);
        browser.SetParent(&form);
        browser.SetAlign(alClient);
        browser.OnBeforeNavigate = [this](TObject*, const std::string& url, bool& cancel) {
            asked.push_back(url);
            cancel = url.rfind("cmd://", 0) == 0;
        };
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // A page file with that body; its address.
    std::string Page(const std::string& name, const std::string& body) {
        const std::filesystem::path path = folder / name;
        std::ofstream(path) << "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                               "charset=utf-8\"></head><body>"
                            << body << "</body></html>";
        return "file://" + path.string();
    }

    TApplication application;
    std::filesystem::path folder;
    TForm form{nullptr};
    TWebBrowser browser{&form};
    std::vector<std::string> asked;
};

TEST_F(WebBrowserTest, LinksAreOfferedToTheOwnerWhoMayCancelThem) {
    const std::string first =
        Page("first.html", "<p>First \xC3\xA9t\xC3\xA9</p><a href=\"cmd://cat_12\">category</a> "
                           "<a href=\"second.html\">second</a>");
    const std::string second = Page("second.html", "<p>Second</p><a href=\"#\">back</a>");
    browser.Navigate(first);
    EXPECT_EQ(browser.DocumentText(), "") << "no window yet";
    form.Show();
    EXPECT_NE(browser.DocumentText().find("First \xC3\xA9t\xC3\xA9"), std::string::npos)
        << "the page set before the window shows in it, its UTF-8 read as such";

    ASSERT_TRUE(uitest::ClickLinkText(browser, "category"));
    EXPECT_EQ(asked.back(), "cmd://cat_12");
    EXPECT_EQ(browser.LocationURL(), first) << "cancelled";
    EXPECT_NE(browser.DocumentText().find("First"), std::string::npos);

    ASSERT_TRUE(uitest::ClickLinkText(browser, "second"));
    EXPECT_EQ(asked.back(), second) << "relative to the page shown";
    EXPECT_EQ(browser.LocationURL(), second);
    EXPECT_NE(browser.DocumentText().find("Second"), std::string::npos);

    ASSERT_TRUE(uitest::ClickLinkText(browser, "back"));
    EXPECT_EQ(asked.back(), second + "#");

    ASSERT_TRUE(browser.GoBack());
    ASSERT_TRUE(browser.GoBack());
    EXPECT_EQ(browser.LocationURL(), first);
    EXPECT_NE(browser.DocumentText().find("First"), std::string::npos);
    EXPECT_FALSE(browser.GoBack()) << "nothing before the first page";
    EXPECT_EQ(asked, (std::vector<std::string>{first, "cmd://cat_12", second, second + "#"}));
}

TEST_F(WebBrowserTest, APageWrittenAnewUnderTheSameNameIsReadAgain) {
    const std::string page = Page("page.html", "<p>old</p>");
    form.Show();
    browser.Navigate(page);
    Page("page.html", "<p>new</p>");
    browser.Navigate(page);
    EXPECT_NE(browser.DocumentText().find("new"), std::string::npos);
}

TEST_F(WebBrowserTest, ALineBreakBetweenElementsIsABlank) {
    form.Show();
    browser.Navigate(Page("page.html", "<h1>Title</h1>\r\n<span>crumb</span><pre>a\r\nb</pre>"));
    EXPECT_EQ(browser.DocumentText(), "Title\ncrumb\na\nb");
}

TEST_F(WebBrowserTest, AnErrorOfTheOwnerAfterAClickReachesTheApplication) {
    std::vector<std::string> shown;
    application.OnException = [&](TObject*, const std::exception& error) { shown.push_back(error.what()); };
    form.Show();
    browser.Navigate(Page("page.html", "<a href=\"cmd://x\">link</a>"));
    browser.OnBeforeNavigate = [](TObject*, const std::string&, bool&) { throw rtl::Exception("refused"); };
    ASSERT_TRUE(uitest::ClickLinkText(browser, "link"));
    EXPECT_EQ(shown, std::vector<std::string>{"refused"});
}

} // namespace
} // namespace ui
