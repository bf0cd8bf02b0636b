#pragma once

#include "components/uDADataSetUpdater.h"

namespace components {

// The updater of MySQL query data sets.
class TMyDataSetUpdater : public TDADataSetUpdater {
public:
    using TDADataSetUpdater::TDADataSetUpdater;
};

} // namespace components
