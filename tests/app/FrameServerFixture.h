#pragma once

#include "app/VeltraneServerFixture.h"
#include "platform/ui/Application.h"
#include "platform/ui/Forms.h"
#include "platform/ui/PostedCalls.h"
#include "support/UiTest.h"

#include <QImage>
#include <QWidget>

namespace app {

// A facade over the test server and a form to place a tool window's frame on, offscreen.
class FrameServerTest : public VeltraneServerTest {
protected:
    static void SetUpTestSuite() { uitest::EnsureApplication(); }

    void SetUp() override {
        VeltraneServerTest::SetUp();
        form.SetBounds(0, 0, 420, 200);
    }

    void TearDown() override {
        ui::CancelPostedCalls(this);
        ReleaseBusy();
        if (veltrane && veltrane->IsRunning()) veltrane->Stop(true);
    }

    // The control as the screen shows it, saved to look at.
    static void Grab(ui::TWinControl& control, const char* path) {
        const QImage shot = control.Widget()->grab().toImage();
        EXPECT_FALSE(shot.isNull());
        shot.save(path);
    }

    // Resumes a run that then waits on the server for a lock the test holds: the debug thread stays
    // busy until ReleaseBusy.
    void HoldBusy() {
        busyLock_ = Unique("busy");
        session->Execute("DO GET_LOCK('" + busyLock_ + "', 0)");
        CompileMain("BEGIN\n  DO GET_LOCK('" + busyLock_ + "', 60);\nEND");
        veltrane->Start(true);
        veltrane->Run();
        ASSERT_TRUE(veltrane->Busy());
    }

    void ReleaseBusy() {
        if (busyLock_.empty()) return;
        session->Execute("DO RELEASE_LOCK('" + busyLock_ + "')");
        busyLock_.clear();
        Settle();
    }

    const ui::TApplication application;
    ui::TForm form{nullptr};

private:
    std::string busyLock_;
};

} // namespace app
