#include "app/fuConnection.h"

#include "app/uCheckUpdates.h"
#include "core/uDBAConnection.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Settings.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"
#include "support/ErrorText.h"
#include "support/LocalHttpServer.h"
#include "support/TestServer.h"
#include "support/UiTest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace app {
namespace {

using testing::HasSubstr;
using testing::StartsWith;

// A settings file of its own and a local web site for the update check, for each test.
class ConnectionDialogTest : public uitest::UiTest {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / "veltrane-connection-XXXXXX";
        std::string name = folder_.string();
        ASSERT_TRUE(mkdtemp(name.data()));
        folder_ = name;
        setenv("VELTRANE_REGISTRY", Registry().c_str(), 1);
        setenv("VELTRANE_SITE_HOST", site.Host().c_str(), 1);
        site.Answer(200, "0.0.0.0");
    }
    void TearDown() override {
        unsetenv("VELTRANE_REGISTRY");
        unsetenv("VELTRANE_SITE_HOST");
        std::filesystem::remove_all(folder_);
    }

    std::string Registry() const { return (folder_ / "registry").string(); }
    std::string Stored(const std::string& name) const {
        rtl::TSettings settings(Registry());
        if (!settings.OpenKey("Software\\test_app\\Connection", false)) return "<no key>";
        return settings.ValueExists(name) ? settings.ReadString(name) : "<none>";
    }

    // The fields for the test server.
    static void FillIn(TfmConnection& form, const testsupport::ServerSettings& server) {
        form.edHost->SetText(server.host);
        form.edPort->SetText(std::to_string(server.port));
        form.edLogin->SetText(server.user);
        form.edPassword->SetText(server.password);
        form.edDatabase->SetText(server.database);
    }

    // The message the test connection raises, or "no error".
    static std::string TestFailure(TfmConnection& form) {
        return testsupport::ErrorMessageOf([&] { form.TestConnection(); });
    }

    testsupport::LocalHttpServer site;

private:
    std::filesystem::path folder_;
};

TEST_F(ConnectionDialogTest, HasItsFieldsDefaultsAndLook) {
    TfmConnection form(nullptr);
    EXPECT_EQ(form.Caption(), "Connection");
    EXPECT_EQ(form.ClientWidth(), 361);
    EXPECT_EQ(form.ClientHeight(), 258);
    EXPECT_EQ(form.edHost->Text(), "localhost");
    EXPECT_EQ(form.edPort->Text(), "3306");
    EXPECT_EQ(form.edLogin->Text(), "root");
    EXPECT_EQ(form.edPassword->Text(), "");
    EXPECT_EQ(form.edPassword->PasswordChar(), u'*');
    EXPECT_EQ(form.edDatabase->Text(), "");
    EXPECT_EQ(form.ActiveControl(), form.edDatabase);
    EXPECT_TRUE(form.buOk->Default());
    EXPECT_TRUE(form.buCancel->Cancel());
    EXPECT_EQ(form.buTestConnect->Caption(), "&Test connect");
}

TEST_F(ConnectionDialogTest, RefusesABlankDatabaseAndABadPortBeforeConnecting) {
    TfmConnection form(nullptr);
    form.Show();
    // Nothing listens on the port: a connection attempt would fail with another message.
    form.edHost->SetText("127.0.0.1");
    form.edPort->SetText(std::to_string(testsupport::RefusingPort()));
    form.edDatabase->SetText("  \t");
    form.edHost->SetFocus();
    EXPECT_EQ(TestFailure(form), "No database specified");
    EXPECT_EQ(form.ActiveControl(), form.edDatabase);
    form.edDatabase->SetText("test");
    form.edPort->SetText("33o6");
    EXPECT_EQ(TestFailure(form), "'33o6' is not a valid integer value");
    EXPECT_THROW(form.CreateConnection(), rtl::EConversionError);
}

TEST_F(ConnectionDialogTest, TestsAgainstTheServer) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    TfmConnection form(nullptr);
    FillIn(form, server);
    std::vector<std::string> shown;
    ui::TDialogAnswers answers([&](const ui::TMessageRequest& request) {
        shown.push_back(request.caption + ": " + request.text);
        return ui::mrOk;
    });
    form.buTestConnectClick(&form);
    EXPECT_EQ(shown, std::vector<std::string>{"Information: Connection succeeded!"});

    form.edPassword->SetText("wrong");
    EXPECT_THAT(TestFailure(form),
                StartsWith("Error code: 1045, SQLState: 28000, Message: Access denied for user '" +
                           server.user + "'"));
    FillIn(form, server);
    form.edDatabase->SetText("veltrane_no_such_database");
    EXPECT_THAT(TestFailure(form),
                StartsWith("Error code: 1049, SQLState: 42000, Message: Unknown database"));
}

TEST_F(ConnectionDialogTest, TheDropDownListsTheDatabasesAndSwallowsFailures) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    ui::TApplication application; // the screen, whose cursor shows the wait
    TfmConnection form(nullptr);
    FillIn(form, server);
    form.edDatabaseDropDown(&form);
    EXPECT_GE(form.edDatabase->Items().IndexOf(server.database), 0);
    EXPECT_GE(form.edDatabase->Items().IndexOf("information_schema"), 0);
    form.edPassword->SetText("wrong");
    form.edDatabaseDropDown(&form);
    EXPECT_EQ(form.edDatabase->Items().Count(), 0);
    EXPECT_EQ(ui::Screen->Cursor(), ui::crDefault);
}

TEST_F(ConnectionDialogTest, OkConnectsChecksForUpdatesAndKeepsTheFields) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    std::vector<std::string> shown;
    int attempts = 0;
    ui::TDialogAnswers answers(
        [&](const ui::TMessageRequest& request) {
            shown.push_back(request.text);
            return ui::mrOk;
        },
        [&](ui::TCustomForm& shownForm) {
            auto& form = dynamic_cast<TfmConnection&>(shownForm);
            FillIn(form, server);
            form.edPassword->SetText("wrong");
            // A refused login keeps the dialog open; the right password closes it.
            for (const std::string& password : {std::string("wrong"), server.password}) {
                ++attempts;
                form.edPassword->SetText(password);
                const std::string failure = testsupport::ErrorMessageOf([&] { form.buOkClick(&form); });
                if (failure != "no error") shown.push_back(failure);
                if (form.ModalResult() == ui::mrOk) break;
            }
        });
    const std::shared_ptr<core::IDBAConnection> connection = ShowConnectionDialog();
    ASSERT_TRUE(connection);
    EXPECT_EQ(attempts, 2);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_THAT(shown[0], HasSubstr("Error code: 1045"));
    EXPECT_TRUE(connection->GetConnected());
    EXPECT_EQ(connection->GetDatabase(), server.database);
    EXPECT_EQ(site.Requests().size(), 1u);
    EXPECT_EQ(GetCheckUpdatesState(), cusOtherVersion);

    // The fields stay, the password only scrambled, in a file for its owner alone.
    EXPECT_EQ(Stored("edHost_Text"), server.host);
    EXPECT_EQ(Stored("edPort_Text"), std::to_string(server.port));
    EXPECT_EQ(Stored("edLogin_Text"), server.user);
    EXPECT_EQ(Stored("edDatabase_Text"), server.database);
    EXPECT_EQ(Stored("Password"), ScramblePassword(server.password));
    EXPECT_NE(Stored("Password"), server.password);
    EXPECT_EQ(std::filesystem::status(Registry()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    TfmConnection again(nullptr);
    again.Show();
    EXPECT_EQ(again.edPassword->Text(), server.password);
    EXPECT_EQ(again.edDatabase->Text(), server.database);
}

TEST_F(ConnectionDialogTest, CancelReturnsNothingAndAsksNoWebSite) {
    ui::TDialogAnswers answers(nullptr, [](ui::TCustomForm& form) { form.SetModalResult(ui::mrCancel); });
    EXPECT_EQ(ShowConnectionDialog(), nullptr);
    EXPECT_TRUE(site.Requests().empty());
}

TEST(ScramblePasswordTest, IsUpperCaseHexAndReadsBack) {
    EXPECT_EQ(ScramblePassword(""), "");
    EXPECT_EQ(UnscramblePassword(""), "");
    for (const std::string password :
         {"a", "veltrane-test-pw", "пароль \xF0\x9F\x98\x80 with a long tail of text"}) {
        const std::string scrambled = ScramblePassword(password);
        EXPECT_EQ(scrambled.size(), 2 * password.size());
        EXPECT_EQ(scrambled.find_first_not_of("0123456789ABCDEF"), std::string::npos) << scrambled;
        EXPECT_EQ(UnscramblePassword(scrambled), password);
    }
}

TEST(ServerVersionTest, FiveAndAboveAreSupported) {
    for (const auto& [version, supported] :
         std::vector<std::pair<std::string, bool>>{{"4.1.22", false},
                                                   {"5.0.96", true},
                                                   {"5.1.73-log", true},
                                                   {"10.11.6-MariaDB", true},
                                                   {"", false}})
        EXPECT_EQ(SupportedServerVersion(version), supported) << version;
}

} // namespace
} // namespace app
