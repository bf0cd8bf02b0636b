#include "components/uConnectDialog.h"
#include "components/uMyConnection.h"
#include "dataaccess/store/uData.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Settings.h"
#include "platform/rtl/StringList.h"
#include "support/ErrorText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace components {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::StartsWith;

const std::string kKeyPath = "Software\\Veltrane\\";

class TTestConnectDialog : public TCustomConnectDialog {
public:
    using TCustomConnectDialog::GetLoginKeyPath;
    using TCustomConnectDialog::GetServerListKeyPath;
    using TCustomConnectDialog::TCustomConnectDialog;

    std::string keyPath = kKeyPath;

protected:
    std::string GetKeyPath() const override { return keyPath; }
};

// An enumerator that offers fixed servers.
class TFixedEnumerator : public TCRServerEnumerator {
public:
    void GetServerList(rtl::TStringList& list) override {
        list.Clear();
        for (const char* server : {"e1", "e2"})
            list.Add(server);
    }
};

class TEnumeratingDialog : public TTestConnectDialog {
public:
    using TTestConnectDialog::TTestConnectDialog;
    int created = 0;

protected:
    std::unique_ptr<TCRServerEnumerator> CreateServerEnumerator() override {
        ++created;
        return std::make_unique<TFixedEnumerator>();
    }
    bool IsOwnServerEnumerator(const TCRServerEnumerator& e) const override {
        return dynamic_cast<const TFixedEnumerator*>(&e) != nullptr;
    }
};

// The user's settings in a folder of the test's own; the dialog hook and application name are
// cleared afterwards.
class ConnectDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "ConnectDialogTest.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        if (const char* old = std::getenv("VELTRANE_REGISTRY")) saved = old;
        setenv("VELTRANE_REGISTRY", (folder / "registry").c_str(), 1);
        dataaccess::ApplicationNameHook = [] { return std::string("veltrane"); };
        connection.SetUsername("ann");
        connection.SetPassword("secret");
        connection.SetServer("host-a");
        dialog.SetConnection(&connection);
    }
    void TearDown() override {
        SetConnectDialogHook({});
        dataaccess::ApplicationNameHook = nullptr;
        if (saved)
            setenv("VELTRANE_REGISTRY", saved->c_str(), 1);
        else
            unsetenv("VELTRANE_REGISTRY");
        std::filesystem::remove_all(folder);
    }

    void Store(const std::string& key, const std::vector<std::pair<std::string, std::string>>& values) {
        rtl::TSettings settings;
        ASSERT_TRUE(settings.OpenKey(key, true));
        for (const auto& [name, value] : values)
            settings.WriteString(name, value);
    }
    std::vector<std::string> StoredServers(const std::string& key) {
        rtl::TSettings settings;
        std::vector<std::string> out;
        if (!settings.OpenKey(key, false)) return out;
        for (int i = 1; settings.ValueExists("Server " + std::to_string(i)); ++i)
            out.push_back(settings.ReadString("Server " + std::to_string(i)));
        return out;
    }
    std::vector<std::string> Login() {
        return {connection.Username(), connection.Password(), connection.Server()};
    }

    std::filesystem::path folder;
    std::optional<std::string> saved;
    TMyConnection connection;
    TTestConnectDialog dialog;
};

TEST_F(ConnectDialogTest, StartsWithTheEnglishCaptionsAndItsDefaults) {
    EXPECT_EQ(dialog.LabelSet(), 1);
    EXPECT_EQ(dialog.Caption, "Connect");
    EXPECT_EQ(dialog.CancelButton, "Cancel");
    EXPECT_EQ(dialog.Retries(), 3);
    EXPECT_TRUE(dialog.StoreLogInfo());
    EXPECT_TRUE(dialog.HistoryOnly());
    EXPECT_FALSE(dialog.SavePassword());
    EXPECT_EQ(dialog.GetServerListKeyPath(), kKeyPath + "Connect");
    EXPECT_EQ(dialog.GetLoginKeyPath(), kKeyPath + "Connect\\veltrane");
}

TEST_F(ConnectDialogTest, WithoutAHookTheDialogAnswersFalseAndKeepsTheLogin) {
    Store(dialog.GetLoginKeyPath(), {{"Username", "bob"}, {"Server", "host-b"}});
    EXPECT_FALSE(dialog.Execute());
    EXPECT_THAT(Login(), ElementsAre("ann", "secret", "host-a"));
    // Nothing was written back.
    EXPECT_TRUE(StoredServers(dialog.GetServerListKeyPath()).empty());
}

TEST_F(ConnectDialogTest, TheHookSeesTheStoredLoginWithoutThePassword) {
    Store(dialog.GetLoginKeyPath(), {{"Username", "bob"}, {"Server", "host-b"}});
    std::vector<std::string> seen;
    SetConnectDialogHook([&](TCustomConnectDialog& d) {
        seen = {d.Connection()->Username(), d.Connection()->Password(), d.Connection()->Server()};
        d.Connection()->SetPassword("typed");
        return true;
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_THAT(seen, ElementsAre("bob", "", "host-b"));
    EXPECT_THAT(Login(), ElementsAre("bob", "typed", "host-b"));
    rtl::TSettings settings;
    ASSERT_TRUE(settings.OpenKey(dialog.GetLoginKeyPath(), false));
    EXPECT_FALSE(settings.ValueExists("Password"));

    // A refusing or failing dialog puts everything back.
    SetConnectDialogHook([](TCustomConnectDialog& d) -> bool {
        d.Connection()->SetServer("elsewhere");
        throw rtl::Exception("window failed");
    });
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { dialog.Execute(); }), "window failed");
    EXPECT_THAT(Login(), ElementsAre("bob", "typed", "host-b"));
}

TEST_F(ConnectDialogTest, SavePasswordKeepsItForTheSameUserOnly) {
    dialog.SetSavePassword(true);
    SetConnectDialogHook([](TCustomConnectDialog& d) { return !d.Connection()->Password().empty(); });
    EXPECT_TRUE(dialog.Execute());
    Store(dialog.GetLoginKeyPath(), {{"Username", "carl"}});
    EXPECT_FALSE(dialog.Execute());
}

TEST_F(ConnectDialogTest, AnAcceptedServerMovesToTheTopOfTheHistory) {
    struct Case {
        const char* server;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"b", {"b", "A"}},
        {"E", {"E", "A", "B"}},
        {"a", {"a", "B"}},
    };
    for (const Case& c : cases) {
        rtl::TSettings settings;
        ASSERT_TRUE(settings.OpenKey(dialog.GetServerListKeyPath(), true));
        for (int i = 1; i <= 3; ++i)
            settings.DeleteValue("Server " + std::to_string(i));
        Store(dialog.GetServerListKeyPath(), {{"Server 1", "A"}, {"Server 2", "B"}});
        SetConnectDialogHook([&](TCustomConnectDialog& d) {
            d.Connection()->SetServer(c.server);
            return true;
        });
        EXPECT_TRUE(dialog.Execute());
        EXPECT_EQ(StoredServers(dialog.GetServerListKeyPath()), c.after) << c.server;
    }
}

TEST_F(ConnectDialogTest, HistoryOfTheOlderVendorIsReadButWrittenUnderTheCurrentName) {
    dialog.keyPath = "Software\\Vazozi\\Veltrane\\";
    std::string older = dialog.GetServerListKeyPath();
    older.replace(older.find("Vazozi"), 6, "VezoRav");
    Store(older, {{"Server 1", "old1"}, {"Server 2", "old2"}});
    rtl::TStringList list;
    list.Add("untouched");
    dialog.GetServerList(list);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list[1], "old2");

    SetConnectDialogHook([](TCustomConnectDialog&) { return true; });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_THAT(StoredServers(dialog.GetServerListKeyPath()), ElementsAre("host-a", "old1", "old2"));
    EXPECT_THAT(StoredServers(older), ElementsAre("old1", "old2"));
}

TEST_F(ConnectDialogTest, NoHistoryIsKeptWithoutStoreLogInfo) {
    dialog.SetStoreLogInfo(false);
    Store(dialog.GetLoginKeyPath(), {{"Username", "bob"}});
    SetConnectDialogHook([](TCustomConnectDialog& d) { return d.Connection()->Username() == "ann"; });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(connection.Password(), "secret");
    EXPECT_TRUE(StoredServers(dialog.GetServerListKeyPath()).empty());
}

TEST_F(ConnectDialogTest, ServerListAsksTheEnumeratorUnlessHistoryOnly) {
    rtl::TStringList list;
    dialog.SetHistoryOnly(false);
    EXPECT_THAT(testsupport::ErrorOf([&] { dialog.GetServerList(list); }), StartsWith("EAssertionFailed"));

    TEnumeratingDialog enumerating;
    enumerating.SetHistoryOnly(false);
    enumerating.GetServerList(list);
    enumerating.GetServerList(list);
    EXPECT_EQ(enumerating.created, 1);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0], "e1");

    TCRServerEnumerator base;
    base.GetServerList(list);
    EXPECT_EQ(list.Count(), 0);
    rtl::Variant value;
    EXPECT_THAT(testsupport::ErrorOf([&] { base.GetProp(7, value); }), StartsWith("EAssertionFailed: 7"));
}

TEST_F(ConnectDialogTest, ExecuteNeedsAConnection) {
    TTestConnectDialog lonely;
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { lonely.Execute(); }), "Connection is not defined");
    {
        TMyConnection shortLived;
        lonely.SetConnection(&shortLived);
    }
    EXPECT_EQ(lonely.Connection(), nullptr);
}

TEST_F(ConnectDialogTest, LabelSetsLoadTheirCaptions) {
    dialog.SetLabelSet(7);
    EXPECT_THAT((std::vector<std::string>{dialog.Caption, dialog.UsernameLabel, dialog.PasswordLabel,
                                          dialog.ServerLabel, dialog.ConnectButton, dialog.CancelButton}),
                ElementsAreArray({"Соединение", "Имя", "Пароль", "Сервер", "Соединить", "Отмена"}));
    dialog.SetLabelSet(0);
    EXPECT_EQ(dialog.Caption, "Соединение");
    dialog.SetLabelSet(3);
    EXPECT_EQ(dialog.ServerLabel, "Host-Zeichenfolge");
    dialog.SetLabelSet(5);
    EXPECT_EQ(dialog.UsernameLabel, "Użytkownik");
    dialog.SetLabelSet(42);
    EXPECT_EQ(dialog.LabelSet(), 42);
    EXPECT_EQ(dialog.UsernameLabel, "User Name");
}

// ---- the settings store

TEST_F(ConnectDialogTest, SettingsKeepTypedValuesUnderCaseInsensitiveNames) {
    rtl::TSettings settings;
    EXPECT_EQ(settings.Path(), (folder / "registry").string());
    EXPECT_FALSE(settings.OpenKey("Software\\X", false));
    EXPECT_FALSE(settings.KeyExists("Software\\X"));
    ASSERT_TRUE(settings.OpenKey("Software\\X", true));
    const std::string awkward = "a=b\\c\r\nd [e]";
    settings.WriteString("Name = odd\\", awkward);
    settings.WriteInteger("Count", -42);

    rtl::TSettings again;
    ASSERT_TRUE(again.OpenKey("SOFTWARE\\x", false));
    EXPECT_TRUE(again.ValueExists("name = ODD\\"));
    EXPECT_EQ(again.ReadString("Name = odd\\"), awkward);
    EXPECT_EQ(again.ReadInteger("count"), -42);
    EXPECT_EQ(again.ReadString("Count"), "") << "another type reads empty";
    EXPECT_FALSE(again.ValueExists("missing"));
    EXPECT_TRUE(again.DeleteValue("COUNT"));
    EXPECT_FALSE(again.DeleteValue("Count"));
    // Written by renaming a finished file into place: nothing else is left in the folder.
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
}

TEST_F(ConnectDialogTest, SettingsPathFollowsTheEnvironment) {
    unsetenv("VELTRANE_REGISTRY");
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string keep = oldConfig ? oldConfig : "";
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    EXPECT_EQ(rtl::DefaultSettingsPath(), (folder / "veltrane" / "registry").string());
    rtl::TSettings settings;
    ASSERT_TRUE(settings.OpenKey("K", true));
    EXPECT_TRUE(std::filesystem::exists(folder / "veltrane" / "registry"));
    if (oldConfig)
        setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace components
