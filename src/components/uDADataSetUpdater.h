#pragma once

namespace components {

class TCustomDADataSet;
class TDADataSetService;

// Applies the edits of a query data set to the server through update statements.
class TDADataSetUpdater {
public:
    explicit TDADataSetUpdater(TDADataSetService* service);
    virtual ~TDADataSetUpdater() = default;
    TDADataSetUpdater(const TDADataSetUpdater&) = delete;
    TDADataSetUpdater& operator=(const TDADataSetUpdater&) = delete;

    TDADataSetService* Service() const { return service_; }
    TCustomDADataSet* DataSet() const;
    // The data set closes: the update statements prepared for it are released.
    virtual void UnPrepareUpdateObjects() {}

private:
    TDADataSetService* service_;
};

} // namespace components
