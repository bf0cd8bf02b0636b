// The virtual-key code of a Qt key.
#pragma once

#include <cstdint>

namespace ui {

// The virtual-key code of a Qt key (Qt::Key as an integer); `keypad` tells a key of the numeric
// keypad. 0 for a key without one.
uint16_t VirtualKeyFromQtKey(int qtKey, bool keypad);

} // namespace ui
