#include "UiTest.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFont>

// Fontconfig keeps a few unreachable blocks from the font matching Qt asks it for; nothing of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace uitest {

void EnsureApplication() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "veltrane-tests";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends: Qt objects in static storage may still need it at exit.
    static QApplication* application = new QApplication(argc, argv);
    // The program's default face and size, whatever the machine's settings.
    QFont font("DejaVu Sans");
    font.setPixelSize(11);
    QApplication::setFont(font);
    (void)application;
}

void ProcessEvents() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

namespace {

class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { EnsureApplication(); }
};

[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

} // namespace

} // namespace uitest
