// The schema list interfaces the engine reads metadata through.
#pragma once

#include <memory>

namespace engine {

// One item of a schema list; the list only holds items.
class ISchemaItem {
public:
    virtual ~ISchemaItem() = default;
};

// The schema list a program is created with and keeps for the server-side program.
class ISchema {
public:
    virtual ~ISchema() = default;
    virtual std::shared_ptr<ISchemaItem> GetItem(int index) const = 0;
    virtual int Count() const = 0;
    virtual void Add(const std::shared_ptr<ISchemaItem>& item) = 0;
};

} // namespace engine
