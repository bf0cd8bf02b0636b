#pragma once

#include "core/uDBAConnection.h"

#include <algorithm>
#include <string>
#include <vector>

namespace testsupport {

// Records every text the SQL monitor passes on while it lives; afterwards the monitor has no callback
// and is switched on again, as at start-up.
class SQLMonitorLog {
public:
    SQLMonitorLog() {
        core::SetSQLMonitorEnabled(true);
        core::SetSQLMonitor([this](const std::string& text) { lines.push_back(text); });
    }
    ~SQLMonitorLog() {
        core::SetSQLMonitor({});
        core::SetSQLMonitorEnabled(true);
    }
    SQLMonitorLog(const SQLMonitorLog&) = delete;
    SQLMonitorLog& operator=(const SQLMonitorLog&) = delete;

    long Count(const std::string& line) const { return std::count(lines.begin(), lines.end(), line); }

    std::vector<std::string> lines;
};

} // namespace testsupport
