// The switches of what code completion offers besides the names a statement asks for.
#pragma once

namespace app {

// What code completion offers besides the names the statement itself asks for; the main window keeps
// them in the registry and the options dialog edits them. All are on at start.
extern bool AllowJoins;
extern bool AllowJoinConditions;
extern bool AllowDatabases;
extern bool AllowEmbeddedFunctions;
extern bool AllowKeywords;

} // namespace app
