#include "platform/ui/WindowSystem.h"

#include <QApplication>
#include <QFont>

namespace ui {

struct TWindowSystem::TState {
    TState(int& argc, char** argv) : application(argc, argv) {}
    QApplication application;
};

TWindowSystem::TWindowSystem(int& argc, char** argv) : state_(std::make_unique<TState>(argc, argv)) {
    // The face and size every control starts from, whatever the desktop's settings.
    QFont font("DejaVu Sans");
    font.setPixelSize(11);
    QApplication::setFont(font);
    // The program decides when it ends (its main form closes), not the last window.
    QApplication::setQuitOnLastWindowClosed(false);
}

TWindowSystem::~TWindowSystem() = default;

} // namespace ui
