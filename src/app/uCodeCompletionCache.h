// What completion and parameter hints learn from the server's catalogue, kept per connection for a
// short while so that typing does not wait for the server on every key.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace core {
class IDBAConnection;
}

namespace app {

// One row of a catalogue statement's result, NULL fields empty.
using TMetadataRow = std::vector<std::optional<std::string>>;

// How long an answer of the catalogue stays good: long enough for a burst of typing, short enough
// that a table created meanwhile shows up soon.
inline constexpr uint32_t kMetadataLifetimeMs = 10000;

// The rows of the statement on the connection, from the cache while fresh. A statement the server
// refused is remembered as refused for as long (raising its error again), except when the
// connection was lost.
using TMetadataRows = std::shared_ptr<const std::vector<TMetadataRow>>;

TMetadataRows CatalogueRows(core::IDBAConnection& connection, const std::string& sql);

// Forgets what was learnt over the connection: after the schema changed, or when the connection goes.
void ForgetCatalogue(const core::IDBAConnection& connection);

} // namespace app
