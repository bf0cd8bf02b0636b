// The base of connect dialogs and the hook that lists the servers they offer.
#pragma once

#include "platform/data/Component.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace rtl {
class TSettings;
class TStringList;
} // namespace rtl

namespace components {

class TCustomDAConnection;
class TCustomConnectDialog;

// Offers the servers a connect dialog lists; the base offers none.
class TCRServerEnumerator {
public:
    virtual ~TCRServerEnumerator() = default;

    // The base knows no property: an assertion with the number.
    virtual bool SetProp(int prop, const rtl::Variant& value);
    virtual bool GetProp(int prop, rtl::Variant& value);
    // Clears `list`.
    virtual void GetServerList(rtl::TStringList& list);
};

// Shows the dialog window; answers whether the user accepted it. The window is the user interface's
// business: nothing here draws one.
using TConnectDialogHook = std::function<bool(TCustomConnectDialog& dialog)>;
void SetConnectDialogHook(TConnectDialogHook hook);

// The connect dialog of a connection: the logic around the window. It keeps the last user name and
// server of each application and a history of servers in the user's settings, hands the window to
// the dialog hook, and writes the history back when the dialog was accepted.
class TCustomConnectDialog : public data::TComponent {
public:
    explicit TCustomConnectDialog(data::TComponent* owner = nullptr);
    ~TCustomConnectDialog() override;

    TCustomDAConnection* Connection() const { return connection_; }
    void SetConnection(TCustomDAConnection* value);

    // Read only by the window behind the hook.
    int16_t Retries() const { return retries_; }
    void SetRetries(int16_t value) { retries_ = value; }
    bool Further() const { return further_; }
    void SetFurther(bool value) { further_ = value; }

    bool SavePassword() const { return savePassword_; }
    void SetSavePassword(bool value) { savePassword_ = value; }
    // The settings are read and written only while this is set.
    bool StoreLogInfo() const { return storeLogInfo_; }
    void SetStoreLogInfo(bool value) { storeLogInfo_ = value; }
    // The server list comes from the stored history alone.
    bool HistoryOnly() const { return historyOnly_; }
    void SetHistoryOnly(bool value) { historyOnly_ = value; }

    // 0 keeps the captions; 1 English, 2 French, 3 German, 4 Italian, 5 Polish, 6 Portuguese,
    // 7 Russian, 8 Spanish; any other number loads the English ones.
    uint8_t LabelSet() const { return labelSet_; }
    virtual void SetLabelSet(uint8_t value);
    std::string Caption, UsernameLabel, PasswordLabel, ServerLabel, ConnectButton, CancelButton;

    TCRServerEnumerator* ServerEnumerator() const { return serverEnumerator_.get(); }
    // Takes ownership; the same enumerator again is ignored.
    virtual void SetServerEnumerator(std::unique_ptr<TCRServerEnumerator> value);

    // Without a connection: "Connection is not defined". A refused or failed dialog leaves the
    // connection's user name, password and server as they were.
    virtual bool Execute();
    // From the enumerator unless HistoryOnly, else (or when it offers none) from the history.
    virtual void GetServerList(rtl::TStringList& list);

protected:
    // A new enumerator of the dialog's kind, and whether `enumerator` is of that kind. The base
    // has no kind of its own: an assertion, then a base enumerator.
    virtual std::unique_ptr<TCRServerEnumerator> CreateServerEnumerator();
    virtual bool IsOwnServerEnumerator(const TCRServerEnumerator& enumerator) const;
    // The settings key prefix ("Software\Vendor\Product\"); empty in the base.
    virtual std::string GetKeyPath() const { return {}; }
    virtual std::string GetServerStoreName() const { return "Server"; }
    virtual std::string GetServerListKeyPath() const { return GetKeyPath() + "Connect"; }
    std::string GetLoginKeyPath() const;

    virtual void SaveServerListToRegistry();
    // Leaves `list` alone when the key cannot be opened.
    virtual void LoadServerListFromRegistry(rtl::TStringList& list);
    // The password is never written.
    virtual void SaveInfoToRegistry(rtl::TSettings& settings);
    virtual void LoadInfoFromRegistry(rtl::TSettings& settings);

    void Notification(data::TComponent* component, data::TOperation operation) override;

private:
    // Opens `key`, else the same path under the older vendor name.
    static bool OpenReadKey(rtl::TSettings& settings, const std::string& key);

    TCustomDAConnection* connection_ = nullptr;
    int16_t retries_ = 3;
    bool further_ = true;
    bool savePassword_ = false;
    bool storeLogInfo_ = true;
    bool historyOnly_ = true;
    uint8_t labelSet_ = 0;
    std::unique_ptr<TCRServerEnumerator> serverEnumerator_;
};

} // namespace components
