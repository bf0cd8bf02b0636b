#include "core/uDBAConnection.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>

namespace core {

namespace {

std::string ErrorText(const std::string& message, int errorCode, const std::string& sqlState) {
    return rtl::Format("Error code: %d, SQLState: %s, Message: %s", errorCode, sqlState, message);
}

struct TMap_errno_to_sqlstate {
    std::uint16_t mysqlErrno;
    char sqlState[6];
};

// MySQL's published SQLSTATEs of the server errors 1022 to 1630, in ascending error order.
constexpr std::array<TMap_errno_to_sqlstate, 209> kErrnoToSQLState = {{
    {1022, "23000"}, {1037, "HY001"}, {1038, "HY001"}, {1040, "08004"}, {1042, "08S01"}, {1043, "08S01"},
    {1044, "42000"}, {1045, "28000"}, {1046, "3D000"}, {1047, "08S01"}, {1048, "23000"}, {1049, "42000"},
    {1050, "42S01"}, {1051, "42S02"}, {1052, "23000"}, {1053, "08S01"}, {1054, "42S22"}, {1055, "42000"},
    {1056, "42000"}, {1057, "42000"}, {1058, "21S01"}, {1059, "42000"}, {1060, "42S21"}, {1061, "42000"},
    {1062, "23000"}, {1063, "42000"}, {1064, "42000"}, {1065, "42000"}, {1066, "42000"}, {1067, "42000"},
    {1068, "42000"}, {1069, "42000"}, {1070, "42000"}, {1071, "42000"}, {1072, "42000"}, {1073, "42000"},
    {1074, "42000"}, {1075, "42000"}, {1080, "08S01"}, {1081, "08S01"}, {1082, "42S12"}, {1083, "42000"},
    {1084, "42000"}, {1090, "42000"}, {1091, "42000"}, {1101, "42000"}, {1102, "42000"}, {1103, "42000"},
    {1104, "42000"}, {1106, "42000"}, {1107, "42000"}, {1109, "42S02"}, {1110, "42000"}, {1112, "42000"},
    {1113, "42000"}, {1115, "42000"}, {1118, "42000"}, {1120, "42000"}, {1121, "42000"}, {1131, "42000"},
    {1132, "42000"}, {1133, "42000"}, {1136, "21S01"}, {1138, "22004"}, {1139, "42000"}, {1140, "42000"},
    {1141, "42000"}, {1142, "42000"}, {1143, "42000"}, {1144, "42000"}, {1145, "42000"}, {1146, "42S02"},
    {1147, "42000"}, {1148, "42000"}, {1149, "42000"}, {1152, "08S01"}, {1153, "08S01"}, {1154, "08S01"},
    {1155, "08S01"}, {1156, "08S01"}, {1157, "08S01"}, {1158, "08S01"}, {1159, "08S01"}, {1160, "08S01"},
    {1161, "08S01"}, {1162, "42000"}, {1163, "42000"}, {1164, "42000"}, {1166, "42000"}, {1167, "42000"},
    {1169, "23000"}, {1170, "42000"}, {1171, "42000"}, {1172, "42000"}, {1173, "42000"}, {1176, "42000"},
    {1177, "42000"}, {1178, "42000"}, {1179, "25000"}, {1184, "08S01"}, {1189, "08S01"}, {1190, "08S01"},
    {1203, "42000"}, {1207, "25000"}, {1211, "42000"}, {1213, "40001"}, {1216, "23000"}, {1217, "23000"},
    {1218, "08S01"}, {1222, "21000"}, {1226, "42000"}, {1227, "42000"}, {1230, "42000"}, {1231, "42000"},
    {1232, "42000"}, {1234, "42000"}, {1235, "42000"}, {1239, "42000"}, {1241, "21000"}, {1242, "21000"},
    {1247, "42S22"}, {1248, "42000"}, {1249, "01000"}, {1250, "42000"}, {1251, "08004"}, {1252, "42000"},
    {1253, "42000"}, {1261, "01000"}, {1262, "01000"}, {1263, "22004"}, {1264, "22003"}, {1265, "01000"},
    {1280, "42000"}, {1281, "42000"}, {1286, "42000"}, {1292, "22007"}, {1303, "2F003"}, {1304, "42000"},
    {1305, "42000"}, {1308, "42000"}, {1309, "42000"}, {1310, "42000"}, {1311, "01000"}, {1312, "0A000"},
    {1313, "42000"}, {1314, "0A000"}, {1315, "42000"}, {1316, "42000"}, {1317, "70100"}, {1318, "42000"},
    {1319, "42000"}, {1320, "42000"}, {1321, "2F005"}, {1322, "42000"}, {1323, "42000"}, {1324, "42000"},
    {1325, "24000"}, {1326, "24000"}, {1327, "42000"}, {1329, "02000"}, {1330, "42000"}, {1331, "42000"},
    {1332, "42000"}, {1333, "42000"}, {1335, "0A000"}, {1336, "0A000"}, {1337, "42000"}, {1338, "42000"},
    {1339, "20000"}, {1365, "22012"}, {1367, "22007"}, {1370, "42000"}, {1397, "XAE04"}, {1398, "XAE05"},
    {1399, "XAE07"}, {1400, "XAE09"}, {1401, "XAE03"}, {1402, "XA100"}, {1403, "42000"}, {1406, "22001"},
    {1407, "42000"}, {1410, "42000"}, {1413, "42000"}, {1414, "42000"}, {1415, "0A000"}, {1416, "22003"},
    {1425, "42000"}, {1426, "42000"}, {1427, "42000"}, {1437, "42000"}, {1439, "42000"}, {1440, "XAE08"},
    {1441, "22008"}, {1451, "23000"}, {1452, "23000"}, {1453, "42000"}, {1458, "42000"}, {1460, "42000"},
    {1461, "42000"}, {1463, "42000"}, {1557, "23000"}, {1568, "25001"}, {1582, "42000"}, {1583, "42000"},
    {1584, "42000"}, {1586, "23000"}, {1613, "XA106"}, {1614, "XA102"}, {1630, "42000"},
}};

static_assert(std::is_sorted(kErrnoToSQLState.begin(), kErrnoToSQLState.end(),
                             [](const auto& a, const auto& b) { return a.mysqlErrno < b.mysqlErrno; }));

// Read on whichever thread sends SQL while the user interface thread may replace them.
std::atomic<std::shared_ptr<const TSQLMonitorCallback>> sqlMonitor;
std::atomic<bool> sqlMonitorEnabled{true};

} // namespace

EDBAConnectionException::EDBAConnectionException(const std::string& message, int errorCode,
                                                 const std::string& sqlState)
    : rtl::Exception(ErrorText(message, errorCode, sqlState)), errorCode_(errorCode), sqlState_(sqlState),
      errorMessage_(message) {}

EDBAConnectionLost::EDBAConnectionLost(const std::string& message, int errorCode, const std::string& sqlState)
    : data::EAbort(ErrorText(message, errorCode, sqlState)), errorCode_(errorCode), sqlState_(sqlState),
      errorMessage_(message) {}

void SetSQLMonitor(TSQLMonitorCallback callback) {
    sqlMonitor.store(callback ? std::make_shared<const TSQLMonitorCallback>(std::move(callback)) : nullptr);
}

void MonitorSQL(const std::string& text) {
    if (!sqlMonitorEnabled.load()) return;
    if (const auto callback = sqlMonitor.load()) (*callback)(text);
}

void SetSQLMonitorEnabled(bool enabled) {
    sqlMonitorEnabled.store(enabled);
}

std::string MySQLErrorSQLState(int errorCode) {
    const auto number = static_cast<std::uint16_t>(errorCode);
    const auto row =
        std::lower_bound(kErrnoToSQLState.begin(), kErrnoToSQLState.end(), number,
                         [](const auto& entry, std::uint16_t n) { return entry.mysqlErrno < n; });
    if (row != kErrnoToSQLState.end() && row->mysqlErrno == number) return row->sqlState;
    return "HY000";
}

void RaiseDBAError(const std::string& message, int errorCode, const std::string& sqlState) {
    throw EDBAConnectionException(message, errorCode, sqlState);
}

void RaiseMySQLError(const std::string& message, int errorCode) {
    RaiseDBAError(message, errorCode, MySQLErrorSQLState(errorCode));
}

void QueryColumnToStrings(IDBAConnection* connection, const std::string& sql, int column,
                          rtl::TStringList* strings) {
    RTL_ASSERT(connection != nullptr);
    RTL_ASSERT(strings != nullptr);
    const std::unique_ptr<data::TDataSet> query = connection->CreateQuery(sql, true);
    query->Open();
    for (; !query->Eof(); query->Next())
        strings->Add(query->Fields()[column]->AsString());
}

// ---- TServerDataConverter

std::shared_ptr<IRODataValue>
TServerDataConverter::ServerCast(const char* expression, const rtl::Variant& value,
                                 const TDatatypeCharacteristics& characteristics) {
    const std::string sql = rtl::Format(expression, ToSQL(value, characteristics));
    return connection_.Evaluate(rtl::Utf8ToUtf16(sql), true, 0);
}

std::shared_ptr<IRODataValue>
TServerDataConverter::ConvertToTime(const rtl::Variant& value,
                                    const TDatatypeCharacteristics& characteristics) {
    return ServerCast("cast(%s as time(6))", value, characteristics);
}

std::shared_ptr<IRODataValue>
TServerDataConverter::ConvertToDate(const rtl::Variant& value,
                                    const TDatatypeCharacteristics& characteristics) {
    return ServerCast("cast(%s as date)", value, characteristics);
}

std::shared_ptr<IRODataValue>
TServerDataConverter::ConvertToDateTime(const rtl::Variant& value,
                                        const TDatatypeCharacteristics& characteristics) {
    return ServerCast("cast(%s as datetime(6))", value, characteristics);
}

TTemporalStore TServerDataConverter::StoreTemporal(const rtl::Variant& value,
                                                   const TDatatypeCharacteristics& source,
                                                   const TDatatypeCharacteristics& target,
                                                   std::string_view column) {
    // Only a variable of the type says what the server makes of a value in a store: a CAST reads
    // text by other rules (NULL where a store fails, nothing said of what it cuts). Backticks quote
    // under every sql_mode.
    const std::string_view variable = column.empty() ? std::string_view("v") : column;
    std::string name = "`";
    for (const char c : variable)
        name += c == '`' ? std::string("``") : std::string(1, c);
    name += "`";
    const std::string sql = rtl::Format(
        "BEGIN NOT ATOMIC DECLARE %s %s; SET %s = %s; SELECT CAST(%s AS CHAR), @@warning_count; END", name,
        target.TypeName, name, ToSQL(value, source), name);
    const std::unique_ptr<data::TDataSet> stored = connection_.CreateQuery(sql, true);
    stored->Open();
    const std::string text = stored->Fields()[0]->AsString();
    const bool warned = stored->Fields()[1]->AsInteger() != 0;
    stored->Close();
    TTemporalStore store;
    store.Payload = target.DataType == dtTime   ? TimeTextToNumber(text)
                    : target.DataType == dtDate ? DateTextToNumber(text)
                                                : DateTimeTextToNumber(text);
    if (!warned) return store;
    const std::unique_ptr<data::TDataSet> warnings = connection_.CreateQuery("SHOW WARNINGS", true);
    warnings->Open();
    // A store that says nothing leaves the list the statements before it left; what a store says
    // names its variable.
    const std::string own = "for column '" + std::string(variable) + "' at row";
    for (; !warnings->Eof(); warnings->Next()) {
        std::string message = warnings->Fields()[2]->AsString();
        if (message.find(own) == std::string::npos) return {store.Payload, {}};
        store.Conditions.push_back({static_cast<int>(warnings->Fields()[1]->AsInteger()), std::move(message),
                                    warnings->Fields()[0]->AsString() == "Note"});
    }
    return store;
}

} // namespace core
