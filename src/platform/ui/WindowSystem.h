// The program's connection to the window system, made once at the start.
#pragma once

#include <memory>

namespace ui {

// The program's connection to the window system, made once at the start of main before the
// application object: the display, the default font and the process's window-system state.
class TWindowSystem {
public:
    TWindowSystem(int& argc, char** argv);
    ~TWindowSystem();
    TWindowSystem(const TWindowSystem&) = delete;
    TWindowSystem& operator=(const TWindowSystem&) = delete;

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

} // namespace ui
