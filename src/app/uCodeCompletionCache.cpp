#include "app/uCodeCompletionCache.h"

#include "core/uDBAConnection.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/Exception.h"
#include "platform/ui/Clock.h"

#include <map>
#include <mutex>

namespace app {
namespace {

struct TCatalogueAnswer {
    uint32_t readAt = 0;
    TMetadataRows rows;
    std::optional<std::string> error;
};

using TConnectionCatalogue = std::map<std::string, TCatalogueAnswer>;

std::mutex& CatalogueLock() {
    static std::mutex lock;
    return lock;
}

std::map<const core::IDBAConnection*, TConnectionCatalogue>& Catalogues() {
    static std::map<const core::IDBAConnection*, TConnectionCatalogue> catalogues;
    return catalogues;
}

TCatalogueAnswer Ask(core::IDBAConnection& connection, const std::string& sql) {
    TCatalogueAnswer answer;
    answer.readAt = ui::GetTickCount();
    auto rows = std::make_shared<std::vector<TMetadataRow>>();
    try {
        const auto query = connection.CreateQuery(sql, true);
        query->Open();
        for (; !query->Eof(); query->Next()) {
            TMetadataRow row;
            for (int i = 0; i < query->FieldCount(); ++i) {
                data::TField& field = *query->Fields()[i];
                row.push_back(field.IsNull() ? std::nullopt : std::optional<std::string>(field.AsString()));
            }
            rows->push_back(std::move(row));
        }
        answer.rows = std::move(rows);
    } catch (const core::EDBAConnectionLost&) {
        throw;
    } catch (const std::exception& error) {
        answer.error = error.what();
    }
    return answer;
}

} // namespace

TMetadataRows CatalogueRows(core::IDBAConnection& connection, const std::string& sql) {
    const std::lock_guard guard(CatalogueLock());
    TConnectionCatalogue& catalogue = Catalogues()[&connection];
    auto found = catalogue.find(sql);
    if (found == catalogue.end() ||
        ui::TicksBetween(found->second.readAt, ui::GetTickCount()) >= kMetadataLifetimeMs)
        found = catalogue.insert_or_assign(sql, Ask(connection, sql)).first;
    if (found->second.error) throw rtl::Exception(*found->second.error);
    return found->second.rows;
}

void ForgetCatalogue(const core::IDBAConnection& connection) {
    const std::lock_guard guard(CatalogueLock());
    Catalogues().erase(&connection);
}

} // namespace app
