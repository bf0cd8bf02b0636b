#include "components/uMyMetaData.h"

#include "components/uMyConnection.h"

namespace components {

TCustomMyConnection* TMyMetaData::Connection() const {
    return static_cast<TCustomMyConnection*>(TDAMetaData::Connection());
}

void TMyMetaData::SetConnection(TCustomMyConnection* value) {
    TDAMetaData::SetConnection(value);
}

} // namespace components
