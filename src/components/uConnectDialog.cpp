#include "components/uConnectDialog.h"

#include "components/uDAConnection.h"
#include "dataaccess/store/uData.h"
#include "dataaccess/store/uDataUtils.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Settings.h"
#include "platform/rtl/StringList.h"

#include <array>
#include <mutex>
#include <strings.h>
#include <typeinfo>

namespace components {

namespace {

std::mutex gHookLock;
TConnectDialogHook gHook;

TConnectDialogHook CurrentHook() {
    std::lock_guard lock(gHookLock);
    return gHook;
}

using TCaptions = std::array<const char*, 6>;

// Caption, user name, password, server, connect button, cancel button of each label set.
constexpr std::array<TCaptions, 8> kLabelSets = {{
    {"Connect", "User Name", "Password", "Server", "Connect", "Cancel"},
    {"Ouverture de session", "Nom utilisateur", "Mot de passe", "Serveur", "Ok", "Annuler"},
    {"Anmeldung", "Benutzername", "Kennwort", "Host-Zeichenfolge", "Ok", "Abbrechen"},
    {"Connessione", "Nome Utente", "Parola d'ordine", "Stringa Conn.Host", "Ok", "Elimina"},
    {"Rejestracja", "Użytkownik", "Hasło", "Opis hosta", "Ok", "Anuluj"},
    {"Iniciar Sessão", "Nome do Usuário", "Senha", "Servidor", "Ok", "Cancelar"},
    {"Соединение", "Имя", "Пароль", "Сервер", "Соединить", "Отмена"},
    {"Conectar", "Usuario", "Clave", "Cadena Conexión", "Ok", "Cancelar"},
}};

// The path under the older vendor name, or empty when `key` does not name the current one.
std::string OlderVendorKey(const std::string& key) {
    static const std::string current = "Vazozi";
    for (size_t i = 0; i + current.size() <= key.size(); ++i)
        if (strncasecmp(key.c_str() + i, current.c_str(), current.size()) == 0)
            return key.substr(0, i) + "VezoRav" + key.substr(i + current.size());
    return {};
}

} // namespace

void SetConnectDialogHook(TConnectDialogHook hook) {
    std::lock_guard lock(gHookLock);
    gHook = std::move(hook);
}

// ---- TCRServerEnumerator

bool TCRServerEnumerator::SetProp(int prop, const rtl::Variant&) {
    RTL_ASSERT_MSG(false, rtl::Format("%d", prop).c_str());
    return false;
}

bool TCRServerEnumerator::GetProp(int prop, rtl::Variant&) {
    RTL_ASSERT_MSG(false, rtl::Format("%d", prop).c_str());
    return false;
}

void TCRServerEnumerator::GetServerList(rtl::TStringList& list) {
    list.Clear();
}

// ---- TCustomConnectDialog

TCustomConnectDialog::TCustomConnectDialog(data::TComponent* owner) : data::TComponent(owner) {
    SetLabelSet(1);
}

TCustomConnectDialog::~TCustomConnectDialog() {
    SetConnection(nullptr);
}

void TCustomConnectDialog::SetConnection(TCustomDAConnection* value) {
    if (value == connection_) return;
    if (connection_) connection_->RemoveFreeNotification(this);
    connection_ = value;
    if (connection_) connection_->FreeNotification(this);
}

void TCustomConnectDialog::Notification(data::TComponent* component, data::TOperation operation) {
    data::TComponent::Notification(component, operation);
    if (operation == data::opRemove && component == connection_) connection_ = nullptr;
}

void TCustomConnectDialog::SetLabelSet(uint8_t value) {
    labelSet_ = value;
    if (value == 0) return;
    const TCaptions& captions = kLabelSets[value >= 1 && value <= kLabelSets.size() ? value - 1 : 0];
    Caption = captions[0];
    UsernameLabel = captions[1];
    PasswordLabel = captions[2];
    ServerLabel = captions[3];
    ConnectButton = captions[4];
    CancelButton = captions[5];
}

void TCustomConnectDialog::SetServerEnumerator(std::unique_ptr<TCRServerEnumerator> value) {
    if (value.get() == serverEnumerator_.get()) {
        (void)value.release(); // the same object: it is already ours
        return;
    }
    serverEnumerator_ = std::move(value);
}

std::unique_ptr<TCRServerEnumerator> TCustomConnectDialog::CreateServerEnumerator() {
    RTL_ASSERT_MSG(false, "Must be overrided");
    return std::make_unique<TCRServerEnumerator>();
}

bool TCustomConnectDialog::IsOwnServerEnumerator(const TCRServerEnumerator& enumerator) const {
    return typeid(enumerator) == typeid(TCRServerEnumerator);
}

std::string TCustomConnectDialog::GetLoginKeyPath() const {
    return GetKeyPath() + "Connect\\" + dataaccess::GetApplicationName();
}

bool TCustomConnectDialog::OpenReadKey(rtl::TSettings& settings, const std::string& key) {
    if (settings.OpenKey(key, false)) return true;
    const std::string older = OlderVendorKey(key);
    return !older.empty() && settings.OpenKey(older, false);
}

void TCustomConnectDialog::GetServerList(rtl::TStringList& list) {
    if (!historyOnly_) {
        if (!serverEnumerator_ || !IsOwnServerEnumerator(*serverEnumerator_))
            SetServerEnumerator(CreateServerEnumerator());
        serverEnumerator_->GetServerList(list);
        if (list.Count() > 0) return;
    }
    LoadServerListFromRegistry(list);
}

void TCustomConnectDialog::LoadServerListFromRegistry(rtl::TStringList& list) {
    rtl::TSettings settings;
    if (!OpenReadKey(settings, GetServerListKeyPath())) return;
    list.Clear();
    for (int i = 1;; ++i) {
        const std::string name = rtl::Format("%s %d", GetServerStoreName(), i);
        if (!settings.ValueExists(name)) break;
        list.Add(settings.ReadString(name));
    }
}

void TCustomConnectDialog::SaveServerListToRegistry() {
    const std::string server = connection_->Server();
    if (server.empty()) return;
    rtl::TStringList stored;
    LoadServerListFromRegistry(stored);
    rtl::TSettings settings;
    if (!settings.OpenKey(GetServerListKeyPath(), true)) return;
    int number = 1;
    settings.WriteString(rtl::Format("%s %d", GetServerStoreName(), number++), server);
    for (int i = 0; i < stored.Count(); ++i)
        if (!dataaccess::SameTextAnsi(stored[i], server))
            settings.WriteString(rtl::Format("%s %d", GetServerStoreName(), number++), stored[i]);
}

void TCustomConnectDialog::LoadInfoFromRegistry(rtl::TSettings& settings) {
    if (settings.ValueExists("Username")) connection_->SetUsername(settings.ReadString("Username"));
    if (settings.ValueExists(GetServerStoreName()))
        connection_->SetServer(settings.ReadString(GetServerStoreName()));
}

void TCustomConnectDialog::SaveInfoToRegistry(rtl::TSettings& settings) {
    settings.WriteString("Username", connection_->Username());
    settings.WriteString(GetServerStoreName(), connection_->Server());
}

bool TCustomConnectDialog::Execute() {
    if (!connection_) data::DatabaseError("Connection is not defined");
    const std::string username = connection_->Username();
    const std::string password = connection_->Password();
    const std::string server = connection_->Server();
    auto restore = [&] {
        connection_->SetUsername(username);
        connection_->SetPassword(password);
        connection_->SetServer(server);
    };
    rtl::UndoGuard undo(restore);
    bool result = false;
    if (storeLogInfo_) {
        rtl::TSettings settings;
        // No development environment runs this program, so a stored login is always offered.
        if (OpenReadKey(settings, GetLoginKeyPath())) LoadInfoFromRegistry(settings);
        if (!savePassword_ || !dataaccess::SameTextAnsi(connection_->Username(), username))
            connection_->SetPassword(std::string());
    }
    if (TConnectDialogHook hook = CurrentHook()) result = hook(*this);
    if (result && storeLogInfo_) {
        SaveServerListToRegistry();
        rtl::TSettings settings;
        if (settings.OpenKey(GetLoginKeyPath(), true)) SaveInfoToRegistry(settings);
    }
    undo.Dismiss();
    if (!result) restore();
    return result;
}

} // namespace components
