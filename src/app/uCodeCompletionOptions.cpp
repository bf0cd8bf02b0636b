#include "app/uCodeCompletionOptions.h"

namespace app {

bool AllowJoins = true;
bool AllowJoinConditions = true;
bool AllowDatabases = true;
bool AllowEmbeddedFunctions = true;
bool AllowKeywords = true;

} // namespace app
