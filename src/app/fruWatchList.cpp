#include "app/fruWatchList.h"

#include "engine/uVeltrane.h"

namespace app {

std::u16string WatchValueText(engine::TVeltrane& veltrane, std::u16string_view expression, bool enabled) {
    if (!enabled) return u"<disabled>";
    if (veltrane.IsRunning() && !veltrane.Busy()) return veltrane.EvaluateForDisplay(expression, true);
    return u"[process not accessible]";
}

} // namespace app
