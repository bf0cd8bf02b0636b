// The metadata data set over a MySQL connection.
#pragma once

#include "components/uDAMetaData.h"

namespace components {

class TCustomMyConnection;

// The metadata data set over a MySQL connection.
class TMyMetaData : public TDAMetaData {
public:
    using TDAMetaData::TDAMetaData;

    TCustomMyConnection* Connection() const;
    void SetConnection(TCustomMyConnection* value);
};

} // namespace components
