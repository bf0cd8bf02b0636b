// A read-only data set of server metadata, one kind at a time, narrowed by restrictions.
#pragma once

#include "components/uDAConnectionClient.h"
#include "components/uMemDataSet.h"
#include "platform/rtl/StringList.h"

#include <string>

namespace components {

class TCustomDAConnection;
class TDATransaction;

// A read-only data set of server metadata: the rows of one metadata kind ("tables", "columns",
// "indexcolumns", ...) narrowed by restrictions, lines of the form name=value.
class TDAMetaData : public TMemDataSet {
public:
    explicit TDAMetaData(data::TComponent* owner = nullptr);
    ~TDAMetaData() override;

    TCustomDAConnection* Connection() const { return client_.Connection(); }
    void SetConnection(TCustomDAConnection* value);
    TDATransaction* Transaction() const { return client_.Transaction(); }
    void SetTransaction(TDATransaction* value) { client_.SetTransaction(value); }
    // Null without a connection; otherwise the connection's current transaction, or the own one
    // where the connection runs several transactions at once.
    TDATransaction* UsedTransaction() const { return client_.UsedTransaction(Connection()); }

    const std::string& MetaDataKind() const { return metaDataKind_; }
    // A different kind closes the data set.
    void SetMetaDataKind(const std::string& value);
    // Any change closes the data set.
    rtl::TStringList& Restrictions() { return restrictions_; }
    void SetRestrictions(const rtl::TStringList& value) { restrictions_.Assign(value); }

protected:
    void OpenCursor(bool infoQuery) override;
    void InternalOpen() override;
    void CloseCursor() override;
    void Notification(data::TComponent* component, data::TOperation operation) override;

private:
    void ConnectChange(bool connecting);
    void OpenConnection();
    void ReleaseConnection();

    TDAConnectionClient client_{
        *this, [this](data::TCustomConnection*, bool connecting) { ConnectChange(connecting); }};
    std::string metaDataKind_;
    rtl::TStringList restrictions_;
};

} // namespace components
