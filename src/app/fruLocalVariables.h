#pragma once

#include <memory>
#include <string>
#include <vector>

namespace engine {
class ICustomVariable;
class TVeltrane;
} // namespace engine

namespace app {

struct TVariableLine {
    std::u16string text;
    std::shared_ptr<engine::ICustomVariable> variable;
};

// "name: value" of every variable visible at the stop, innermost block first; variables an inner block
// hides are listed too. Empty without a paused session.
std::vector<TVariableLine> LocalVariableLines(engine::TVeltrane& veltrane);

// The variable's current value as the views show it.
std::u16string VariableValueText(const engine::ICustomVariable& variable);

} // namespace app
