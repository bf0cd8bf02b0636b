#include "imaging/uUxHook.h"

#include <gtest/gtest.h>

#include "platform/rtl/Streams.h"
#include "platform/ui/Forms.h"
#include "support/UiTest.h"

#include <string>
#include <vector>

namespace imaging {
namespace {

constexpr uint32_t kProbe = 0x0401;

// A control that notes the messages its own processing sees.
class TProbedControl : public ui::TWinControl {
public:
    using TWinControl::TWinControl;
    std::vector<uint32_t>* log = nullptr;
    void WndProc(ui::TMessage& message) override {
        if (log && (message.Msg == kProbe || message.Msg == ui::WM_DESTROY)) log->push_back(message.Msg);
        TWinControl::WndProc(message);
    }
};

class WindowHookTest : public uitest::UiTest {
protected:
    std::vector<std::string> calls;
    std::vector<uint32_t> controlSaw;
    TProbedControl* control = new TProbedControl(nullptr);
    TUxWindowHook first{nullptr};
    TUxWindowHook second{nullptr};

    void SetUp() override {
        control->log = &controlSaw;
        Watch(first, "first");
        Watch(second, "second");
    }
    void TearDown() override { delete control; }

    void Watch(TUxWindowHook& hook, const std::string& name, bool handles = false) {
        hook.BeforeMessage = [this, name, handles](data::TPersistent*, ui::TMessage& msg, bool& handled) {
            if (msg.Msg != kProbe && msg.Msg != ui::WM_DESTROY) return;
            calls.push_back(name + " before");
            handled = handles;
        };
        hook.AfterMessage = [this, name](data::TPersistent*, ui::TMessage& msg, bool&) {
            if (msg.Msg == kProbe || msg.Msg == ui::WM_DESTROY) calls.push_back(name + " after");
        };
    }
};

TEST_F(WindowHookTest, TheLastAttachedHookSeesEachMessageFirst) {
    first.SetWinControl(control);
    second.SetWinControl(control);
    control->Perform(kProbe);
    EXPECT_EQ(calls,
              (std::vector<std::string>{"second before", "first before", "second after", "first after"}));
    EXPECT_EQ(controlSaw, std::vector<uint32_t>{kProbe});
}

TEST_F(WindowHookTest, HandledStopsTheOtherHooksAndTheControlExceptForDestroy) {
    first.SetWinControl(control);
    second.SetWinControl(control);
    Watch(second, "second", true);
    control->Perform(kProbe);
    EXPECT_EQ(calls, std::vector<std::string>{"second before"});
    EXPECT_TRUE(controlSaw.empty());

    calls.clear();
    control->Perform(ui::WM_DESTROY);
    EXPECT_EQ(calls, (std::vector<std::string>{"second before", "second after", "first after"}));
    EXPECT_EQ(controlSaw, std::vector<uint32_t>{ui::WM_DESTROY});
}

TEST_F(WindowHookTest, ARecreatedWindowIsHookedAgainAfterThePostedMessage) {
    first.SetWinControl(control);
    control->RecreateWnd();
    calls.clear();
    control->Perform(kProbe);
    EXPECT_TRUE(calls.empty()); // the old window's subclassing ended with it
    uitest::ProcessEvents();
    control->Perform(kProbe);
    EXPECT_EQ(calls, (std::vector<std::string>{"first before", "first after"}));
}

TEST_F(WindowHookTest, AnInactiveHookKeepsItsControlAndAttachesWhenActivated) {
    first.SetActive(false);
    first.SetWinControl(control);
    control->Perform(kProbe);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(first.WinControl(), control);
    first.SetActive(true);
    control->Perform(kProbe);
    EXPECT_EQ(calls.size(), 2u);

    first.SetActive(false); // detaching gives the control its own procedure back
    control->Perform(kProbe);
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(controlSaw.size(), 3u);
}

TEST_F(WindowHookTest, FreeingTheControlEmptiesEveryHook) {
    first.SetWinControl(control);
    second.SetWinControl(control);
    delete control;
    control = nullptr;
    EXPECT_EQ(first.WinControl(), nullptr);
    EXPECT_EQ(second.WinControl(), nullptr);
    uitest::ProcessEvents(); // the posted release of the unused control hook
}

TEST_F(WindowHookTest, AnExceptionInOneHookReachesTheApplicationAndTheNextHookStillRuns) {
    std::vector<std::string> shown;
    data::SetApplicationExceptionHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            shown.push_back(e.what());
        }
    });
    first.SetWinControl(control);
    second.SetWinControl(control);
    second.BeforeMessage = [](data::TPersistent*, ui::TMessage&, bool&) {
        throw rtl::Exception("hook failed");
    };
    control->Perform(kProbe);
    data::SetApplicationExceptionHandler(nullptr);
    EXPECT_EQ(shown, std::vector<std::string>{"hook failed"});
    EXPECT_EQ(calls.front(), "first before");
    EXPECT_EQ(controlSaw.size(), 1u);
}

TEST_F(WindowHookTest, IsFormNamesTheOwnerForm) {
    ui::TForm form(nullptr);
    auto* hook = new TUxWindowHook(&form);
    EXPECT_FALSE(hook->IsForm());
    hook->SetIsForm(true);
    EXPECT_EQ(hook->WinControl(), &form);
    EXPECT_TRUE(hook->IsForm());
    EXPECT_TRUE(hook->IsFormStored(nullptr));
    hook->SetWinControl(control);
    EXPECT_FALSE(hook->IsForm());
}

TEST_F(WindowHookTest, IsFormTravelsThroughTheStoredFormAsABoolean) {
    ui::TForm form(nullptr);
    auto* hook = new TUxWindowHook(&form);
    auto stored = [&](const TUxWindowHook* ancestor) {
        rtl::TMemoryStream stream;
        widecontrols::TWriter writer(stream);
        writer.SetAncestor(ancestor);
        writer.WriteProperties(*hook);
        return stream.Bytes();
    };
    EXPECT_EQ(stored(nullptr), std::string(1, '\0')); // false and no ancestor: nothing but the end
    hook->SetIsForm(true);
    const std::string bytes = stored(nullptr);
    EXPECT_EQ(bytes, std::string("\x06IsForm\x09\0", 9));
    TUxWindowHook same(nullptr);
    same.SetIsForm(true); // no form owns it: it stays false, so it differs from the hook
    EXPECT_EQ(stored(&same), bytes);

    ui::TForm other(nullptr);
    auto* read = new TUxWindowHook(&other);
    rtl::TMemoryStream stream;
    stream.WriteString(bytes);
    stream.SetPosition(0);
    widecontrols::TReader(stream).ReadProperties(*read);
    EXPECT_EQ(read->WinControl(), &other);

    rtl::TMemoryStream bad;
    bad.WriteString(std::string("\x06IsForm\x02\x01\0", 10));
    bad.SetPosition(0);
    EXPECT_THROW(widecontrols::TReader(bad).ReadProperties(*read), widecontrols::EReadError);
}

} // namespace
} // namespace imaging
