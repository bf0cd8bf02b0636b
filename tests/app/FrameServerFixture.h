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
        if (veltrane && veltrane->IsRunning()) veltrane->Stop(true);
    }

    // The control as the screen shows it, saved to look at.
    static void Grab(ui::TWinControl& control, const char* path) {
        const QImage shot = control.Widget()->grab().toImage();
        EXPECT_FALSE(shot.isNull());
        shot.save(path);
    }

    const ui::TApplication application;
    ui::TForm form{nullptr};
};

} // namespace app
