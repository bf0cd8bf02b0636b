#include "imaging/uPlacemnt.h"

#include "imaging/uAppUtils.h"

#include <QWidget>

#include <gtest/gtest.h>

#include "platform/rtl/IniFiles.h"
#include "platform/ui/Edits.h"
#include "platform/ui/ListControls.h"
#include "platform/rtl/Settings.h"
#include "support/UiTest.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace imaging {
namespace {

namespace fs = std::filesystem;

// The store a test writes: a registry file and an INI file of its own.
class StoreFolder {
public:
    StoreFolder() {
        folder_ = fs::temp_directory_path() / ("veltrane-formstorage-" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        setenv("VELTRANE_REGISTRY", Registry().c_str(), 1);
    }
    ~StoreFolder() {
        unsetenv("VELTRANE_REGISTRY");
        std::error_code error;
        fs::remove_all(folder_, error);
    }
    std::string Registry() const { return (folder_ / "registry").string(); }
    std::string Ini() const { return (folder_ / "form.ini").string(); }

private:
    fs::path folder_;
};

// A form storage that notes the names it writes, in order, and what the store held at the first one.
class TRecordingStorage : public TFormStorage {
public:
    using TFormStorage::TFormStorage;
    std::vector<std::string> written;
    std::string formVersionBeforeFields;

    void WriteStoreString(const std::string& section, const std::string& name,
                          const std::string& value) override {
        if (written.empty())
            formVersionBeforeFields =
                rtl::TRegIniFile(DefaultRegistryKey()).ReadString(section, "FormVersion", "<none>");
        written.push_back(name);
        TFormStorage::WriteStoreString(section, name, value);
    }
};

// The connection dialog's fields and their storage, built as the application builds it.
class TfmConnection : public ui::TForm {
public:
    ui::TComboBox* edDatabase;
    ui::TEdit* edHost;
    ui::TEdit* edLogin;
    ui::TEdit* edPort;
    ui::TEdit* edPassword;
    TRecordingStorage* storage;
    std::string restoredPassword = "<not restored>";

    explicit TfmConnection(int version = 0) : TForm(nullptr) {
        BeginLoading();
        edDatabase = Field<ui::TComboBox>("edDatabase");
        edHost = Field<ui::TEdit>("edHost");
        edLogin = Field<ui::TEdit>("edLogin");
        edPort = Field<ui::TEdit>("edPort");
        edPassword = Field<ui::TEdit>("edPassword");
        storage = new TRecordingStorage(this);
        storage->SetIniSection("Connection");
        storage->SetUseRegistry(true);
        storage->SetOptions({});
        storage->SetVersion(version);
        storage->StoredProps().SetText("edDatabase.Text\nedHost.Text\nedLogin.Text\nedPort.Text");
        TStoredValue* password = storage->StoredValues().Add();
        password->SetName("Password");
        password->Value = "";
        password->OnSave = [this](TStoredValue*, rtl::Variant& value) { value = "pw:" + edPassword->Text(); };
        password->OnRestore = [this](TStoredValue*, rtl::Variant& value) {
            restoredPassword = value.AsString();
            edPassword->SetText(restoredPassword.substr(restoredPassword.find(':') + 1));
        };
        EndLoading();
    }
    // The framework fires OnDestroy after this class's part is gone; the handlers use its fields, so
    // fire it while they exist.
    ~TfmConnection() override {
        if (auto destroy = std::exchange(OnDestroy, nullptr)) destroy(this);
    }

private:
    template <class Control>
    Control* Field(const char* name) {
        auto* field = new Control(this);
        field->SetName(name);
        field->SetParent(this);
        return field;
    }
};

class FormStorageTest : public uitest::UiTest {
protected:
    StoreFolder folder;

    static std::string Key() { return DefaultRegistryKey() + "\\Connection"; }
    std::string Stored(const std::string& name) {
        rtl::TSettings settings(folder.Registry());
        if (!settings.OpenKey(Key(), false)) return "<no key>";
        return settings.ValueExists(name) ? settings.ReadString(name) : "<none>";
    }
    static void ShowAndClose(TfmConnection& form) {
        form.Show();
        form.Close();
    }
};

TEST_F(FormStorageTest, TheConnectionDialogKeepsItsFieldsUnderTheProgramsKey) {
    EXPECT_EQ(DefaultRegistryKey(), "Software\\test_imaging");
    {
        TfmConnection form;
        form.Show();
        EXPECT_EQ(form.restoredPassword, ""); // nothing stored yet: the value's own empty text
        form.edDatabase->SetText(" test\t");
        form.edHost->SetText("  127.0.0.1 ");
        form.edLogin->SetText("root");
        form.edPort->SetText("3306\n");
        form.edPassword->SetText("secret");
        form.Close(); // OK or Cancel alike
        EXPECT_EQ(form.storage->formVersionBeforeFields, "0");
        EXPECT_EQ(form.storage->written,
                  (std::vector<std::string>{"edDatabase_Text", "edHost_Text", "edLogin_Text", "edPort_Text",
                                            "Password"}));
    }
    EXPECT_EQ(Stored("FormVersion"), "0");
    EXPECT_EQ(Stored("edDatabase_Text"), "test");
    EXPECT_EQ(Stored("edHost_Text"), "127.0.0.1");
    EXPECT_EQ(Stored("edPort_Text"), "3306");
    EXPECT_EQ(Stored("Password"), "pw:secret");
    EXPECT_EQ(Stored("Flags"), "<none>"); // no placement without options

    TfmConnection again;
    again.Show();
    EXPECT_EQ(again.edHost->Text(), "127.0.0.1");
    EXPECT_EQ(again.edLogin->Text(), "root");
    EXPECT_EQ(again.edDatabase->Text(), "test");
    EXPECT_EQ(again.restoredPassword, "pw:secret");
    EXPECT_EQ(again.edPassword->Text(), "secret");
}

TEST_F(FormStorageTest, AnOlderFormVersionRestoresNothingAndIsReplacedOnClose) {
    {
        rtl::TRegIniFile store(DefaultRegistryKey());
        store.WriteString("Connection", "FormVersion", "2");
        store.WriteString("Connection", "edHost_Text", "old-host");
    }
    TfmConnection form(3);
    form.edHost->SetText("default-host");
    form.Show();
    EXPECT_EQ(form.edHost->Text(), "default-host");
    EXPECT_EQ(form.restoredPassword, "<not restored>");
    form.Close();
    EXPECT_EQ(Stored("FormVersion"), "3");
    EXPECT_EQ(Stored("edHost_Text"), "default-host");
}

TEST_F(FormStorageTest, NothingIsSavedBeforeARestore) {
    TfmConnection form;
    form.edHost->SetText("never shown");
    form.storage->SaveFormState();
    EXPECT_EQ(Stored("edHost_Text"), "<no key>");
}

TEST_F(FormStorageTest, AFormDestroyedWithoutClosingSavesOnce) {
    {
        TfmConnection form;
        form.Show();
        form.edLogin->SetText("admin");
    }
    EXPECT_EQ(Stored("edLogin_Text"), "admin");
}

TEST_F(FormStorageTest, StoredValuesRefuseDuplicateNamesAndDisguiseWithAKey) {
    TfmConnection form;
    TStoredValue* other = form.storage->StoredValues().Add();
    EXPECT_THROW(
        {
            try {
                other->SetName("PASSWORD");
            } catch (const rtl::Exception& e) {
                EXPECT_STREQ(e.what(), "String list does not allow duplicates");
                throw;
            }
        },
        rtl::Exception);
    EXPECT_EQ(other->Name(), "");
    EXPECT_EQ(other->DisplayName(), "TStoredValue");
    other->SetName("Secret");
    other->KeyString = "k";
    other->Value = "\x0b";
    form.Show();
    form.Close();
    EXPECT_EQ(Stored("Secret"), "60");
    other->Value = "";
    form.Show();
    EXPECT_EQ(other->Value.AsString(), "\x0b");
}

TEST_F(FormStorageTest, AnIniFileKeepsQuotedValuesWhereTheRegistryTakesThemAsTheyAre) {
    rtl::TIniFile ini(folder.Ini());
    rtl::TRegIniFile reg("Software\\QuoteTest");
    for (const std::string value : {"\"quoted\"", "'single'", "'mixed\""}) {
        StoreWriteString(&ini, "S", "V", value);
        StoreWriteString(&reg, "S", "V", value);
        EXPECT_EQ(StoreReadString(&ini, "S", "V", ""), value);
        EXPECT_EQ(StoreReadString(&reg, "S", "V", ""), value);
    }
    std::ifstream file(folder.Ini());
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), "[S]\nV='mixed\"\n\n");
    StoreWriteString(&ini, "S", "V", "\"quoted\"");
    std::ifstream again(folder.Ini());
    std::stringstream quoted;
    quoted << again.rdbuf();
    EXPECT_EQ(quoted.str(), "[S]\nV=\"\"quoted\"\"\n\n");
}

TEST_F(FormStorageTest, StoresAnswerDefaultsAndEraseWholeSections) {
    rtl::TRegIniFile reg("Software\\Erase");
    rtl::TIniFile ini(folder.Ini());
    for (rtl::TCustomIniFile* store : std::initializer_list<rtl::TCustomIniFile*>{&reg, &ini}) {
        store->WriteInteger("A", "N", 42);
        store->WriteBool("A", "B", true);
        store->WriteString("A", "T", "x");
        EXPECT_EQ(store->ReadInteger("A", "N", 0), 42);
        EXPECT_EQ(store->ReadString("A", "B", ""), "1");
        EXPECT_EQ(store->ReadInteger("A", "T", 7), 7); // not a number
        EXPECT_EQ(store->ReadString("A", "Missing", "def"), "def");
        store->EraseSection("A");
        EXPECT_EQ(store->ReadInteger("A", "N", -1), -1);
    }
}

TEST_F(FormStorageTest, DefaultSectionsAndNames) {
    class TfmExample : public ui::TForm {
    public:
        using TForm::TForm;
    } form(nullptr);
    TFormPlacement placement(&form);
    EXPECT_EQ(placement.IniSection(), "TfmExample");
    EXPECT_EQ(placement.Options(), (TPlacementOptions{fpState, fpPosition}));
    data::TComponent plain(nullptr);
    EXPECT_EQ(TFormPlacement(&plain).Options(), TPlacementOptions{});
    EXPECT_EQ(DefaultIniFileName(), "test_imaging.INI");
    RegistryKeyPrefix = "Vendor";
    EXPECT_EQ(DefaultRegistryKey(), "Software\\Vendor\\test_imaging");
    RegistryKeyPrefix.clear();
    EXPECT_TRUE(HasFourDigitYear("dd.mm.yyyy"));
    EXPECT_FALSE(HasFourDigitYear("d/M/yy"));
}

TEST_F(FormStorageTest, PlacementRoundTripsTheNormalRectangle) {
    {
        ui::TForm form(nullptr);
        form.SetName("fmPlaced");
        TFormPlacement placement(&form);
        placement.SetIniFileName(folder.Ini());
        form.SetBounds(40, 50, 300, 200);
        form.Show();
        placement.RestoreFormState();
        placement.SaveFormState();
    }
    rtl::TIniFile ini(folder.Ini());
    EXPECT_EQ(ini.ReadString("TForm", "NormPos", ""), "40,50,340,250");
    EXPECT_EQ(ini.ReadString("TForm", ScreenSizeName("NormPos"), ""), "40,50,340,250");
    EXPECT_EQ(ini.ReadString("TForm", "ShowCmd", ""), "1");

    ui::TForm form(nullptr);
    TFormPlacement placement(&form);
    placement.SetIniFileName(folder.Ini());
    form.Show();
    placement.RestoreFormState();
    EXPECT_EQ(form.BoundsRect().Left, 40);
    EXPECT_EQ(form.Width(), 300);
}

} // namespace
} // namespace imaging

namespace imaging {
namespace {

ui::TMinMaxInfo AskLimits(ui::TForm& form) {
    ui::TMinMaxInfo info{};
    info.MaxTrackSize = {5000, 5000};
    form.Perform(ui::WM_GETMINMAXINFO, 0, reinterpret_cast<intptr_t>(&info));
    return info;
}

TEST_F(FormStorageTest, SizeLimitsAndPreventResizeAnswerTheLimitsMessage) {
    ui::TForm form(nullptr);
    TFormPlacement placement(&form);
    form.SetBounds(0, 0, 320, 240);
    form.Show();
    EXPECT_EQ(AskLimits(form).MinTrackSize.X, 0); // no hook without limits

    placement.MinMaxInfo()->Set(TWinMinMaxInfo::MinTrackWidth, 200);
    ui::TMinMaxInfo limited = AskLimits(form);
    EXPECT_EQ(limited.MinTrackSize.X, 200);
    EXPECT_EQ(limited.MaxTrackSize.X, 5000); // a zero member keeps the system's value

    placement.SetPreventResize(true);
    ui::TMinMaxInfo fixed = AskLimits(form);
    EXPECT_EQ(fixed.MinTrackSize.X, 320);
    EXPECT_EQ(fixed.MaxTrackSize.Y, 240);

    placement.MinMaxInfo()->Set(TWinMinMaxInfo::MinTrackWidth, 0);
    placement.SetPreventResize(false);
    EXPECT_EQ(AskLimits(form).MaxTrackSize.X, 5000);
}

TEST_F(FormStorageTest, PreventResizeTakesTheSizingBordersAndTheMaximiseButton) {
    ui::TForm form(nullptr);
    TFormPlacement placement(&form);
    form.SetBounds(10, 10, 320, 240);
    form.Show();
    QWidget* window = form.Widget();
    auto hitAt = [&](int x, int y) { return form.Perform(ui::WM_NCHITTEST, 0, ui::PointToLParam({x, y})); };
    EXPECT_EQ(hitAt(329, 249), ui::HTBOTTOMRIGHT);
    EXPECT_EQ(hitAt(10, 100), ui::HTLEFT);
    EXPECT_EQ(hitAt(100, 100), ui::HTCLIENT);
    EXPECT_LT(window->minimumWidth(), window->maximumWidth());

    placement.SetPreventResize(true);
    EXPECT_EQ(hitAt(329, 249), ui::HTNOWHERE);
    EXPECT_EQ(hitAt(100, 100), ui::HTCLIENT);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_TRUE(window->windowFlags() & Qt::CustomizeWindowHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);

    placement.SetPreventResize(false);
    EXPECT_EQ(hitAt(329, 249), ui::HTBOTTOMRIGHT);
    EXPECT_FALSE(window->windowFlags() & Qt::CustomizeWindowHint);
    EXPECT_LT(window->minimumWidth(), window->maximumWidth());
}

} // namespace
} // namespace imaging
