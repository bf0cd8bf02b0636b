// A schema list that holds its items until it is freed.
#pragma once

#include <memory>
#include <vector>

#include "engine/model/uMetadata.h"

namespace engine {

// A schema list that holds its items until it is freed.
class TSchema : public ISchema {
public:
    std::shared_ptr<ISchemaItem> GetItem(int index) const override;
    int Count() const override { return static_cast<int>(items_.size()); }
    void Add(const std::shared_ptr<ISchemaItem>& item) override;

private:
    std::vector<std::shared_ptr<ISchemaItem>> items_;
};

} // namespace engine
