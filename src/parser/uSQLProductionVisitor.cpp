#include "parser/uSQLProductionVisitor.h"

#include "parser/uCommonSQLGrammar.h"

namespace parser {

namespace {

#define PARSER_COUNT_SQL_VISIT(Name, Default) +1
static_assert(0 PARSER_SQL_PRODUCTION_VISITS(PARSER_COUNT_SQL_VISIT) == 121,
              "one visit operation per SQL production class");
#undef PARSER_COUNT_SQL_VISIT

} // namespace

#define PARSER_DEFINE_SQL_VISIT(Name, Default)                                                               \
    void TSQLProductionVisitor::Visit##Name(TSQLProduction* production) {                                    \
        Default(production);                                                                                 \
    }
PARSER_SQL_PRODUCTION_VISITS(PARSER_DEFINE_SQL_VISIT)
#undef PARSER_DEFINE_SQL_VISIT

} // namespace parser
