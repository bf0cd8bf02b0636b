#include "dataaccess/protocol/uMySqlStmt.h"

#include "dataaccess/mysql/uMyHelpers.h"
#include "dataaccess/protocol/uMySqlErrors.h"
#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uCompressedBlob.h"
#include "dataaccess/store/uDataTypes.h"
#include "platform/rtl/DateTime.h"

#include <cmath>

namespace dataaccess {

namespace {

constexpr uint16_t kUnsignedParam = 0x8000;
constexpr int64_t kMsPerDay = 86400000;

bool IsNullParam(const TMySqlParam& param) {
    return param.IsNull || (!param.Blob && param.Value.IsNull());
}

} // namespace

uint16_t MySqlParamType(int dataType) {
    const auto type = static_cast<uint16_t>(InternalTypeToMySqlType(dataType));
    // Without the unsigned flag the server reads 2^31 and above as negative.
    return dataType == dtUInt16 || dataType == dtUInt32 ? type | kUnsignedParam : type;
}

TMySqlStmt::TMySqlStmt(TMySqlSession* session) : session_(session) {
    RTL_ASSERT(session_);
    session_->AttachStatement(this);
}

TMySqlStmt::~TMySqlStmt() {
    try {
        Close();
    } catch (...) {
        // A broken connection shows on its next command.
    }
    if (session_) session_->DetachStatement(this);
}

void TMySqlStmt::Detach() {
    if (result_) result_->Detach();
    session_ = nullptr;
    prepared_ = false;
}

TMySqlSession& TMySqlStmt::Live() {
    if (!session_) throw EMySqlException(kCrServerGone);
    return *session_;
}

void TMySqlStmt::SkipDefinitions() {
    TMySqlFieldInfos ignored;
    Live().ReadColumns(static_cast<uint32_t>(paramCount_), ignored);
}

void TMySqlStmt::Prepare(const uint8_t* text, int length) {
    if (prepared_) Close();
    Live().SimpleCommand(cmdStmtPrepare, text, length, false);
    TMySqlNet& net = Live().Net();
    net.ReadByte(); // status
    id_ = static_cast<uint32_t>(net.ReadInt32());
    columnCount_ = static_cast<uint16_t>(net.ReadInt16());
    paramCount_ = static_cast<uint16_t>(net.ReadInt16());
    prepared_ = true;
    sentTypes_.clear();
    if (paramCount_ > 0) SkipDefinitions();
    columns_.clear();
    if (columnCount_ > 0) {
        if (!(Live().ServerStatus() & srvAutocommit))
            Live().SetServerStatus(Live().ServerStatus() & srvInTransaction);
        Live().ReadColumns(static_cast<uint32_t>(columnCount_), columns_);
    }
    if (!result_) result_ = std::make_unique<TMySqlResultSet>(session_, nullptr, 0, TMySqlFieldInfos());
    result_->Reopen(columns_, false);
}

void TMySqlStmt::Execute(std::span<const TMySqlParam> params, bool useUnicode) {
    if (!prepared_) throw EMySqlException(2029);
    if (!params.empty() && params.front().Direction == kParamDirectionResult) params = params.subspan(1);
    // Rows of the previous execution that nobody read are dropped first.
    result_->Close();
    Live().WriteCommand(cmdStmtExecute);
    TMySqlNet& net = Live().Net();
    net.WriteInt32(static_cast<int32_t>(id_));
    net.WriteByte(0); // no cursor
    net.WriteInt32(1);
    if (paramCount_ > 0 && static_cast<size_t>(paramCount_) == params.size()) WriteParams(params, useUnicode);
    net.Flush();
    Live().ReadQueryResult();
    if (Live().ColumnCount() > 0) {
        columns_ = std::move(Live().PendingColumns());
        Live().PendingColumns().clear();
        columnCount_ = static_cast<int>(columns_.size());
        result_->Reopen(columns_, true);
        Live().SetState(ssReadingRows);
    }
    affectedRows_ = Live().AffectedRows();
}

void TMySqlStmt::WriteParams(std::span<const TMySqlParam> params, bool) {
    TMySqlNet& net = Live().Net();
    TBytes nulls((params.size() + 7) / 8);
    TMySqlFieldTypes types;
    for (size_t i = 0; i < params.size(); ++i) {
        if (IsNullParam(params[i])) nulls[i / 8] |= static_cast<uint8_t>(1 << (i % 8));
        types.push_back(MySqlParamType(params[i].DataType));
    }
    net.WriteByteArray(nulls);
    if (types != sentTypes_) {
        net.WriteByte(1);
        for (uint16_t type : types)
            net.WriteInt16(static_cast<int16_t>(type));
        sentTypes_ = std::move(types);
    } else {
        net.WriteByte(0);
    }
    for (const TMySqlParam& param : params)
        if (!IsNullParam(param)) WriteValue(param);
}

void TMySqlStmt::WriteValue(const TMySqlParam& param) {
    TMySqlNet& net = Live().Net();
    const rtl::Variant& value = param.Value;
    const auto writeText = [&](const std::string& text) {
        net.WriteFieldLength(static_cast<int64_t>(text.size()));
        net.WriteBytes(reinterpret_cast<const uint8_t*>(text.data()), 0, static_cast<int>(text.size()));
    };
    switch (param.DataType) {
    case dtInt8:
        return net.WriteByte(static_cast<uint8_t>(value.AsInt64()));
    case dtBoolean:
        return net.WriteByte(value.AsBoolean() ? 1 : 0);
    case dtInt16:
        return net.WriteInt16(static_cast<int16_t>(value.AsInt64()));
    case dtInt32:
    case dtUInt16:
    case dtUInt32:
        return net.WriteInt32(static_cast<int32_t>(static_cast<uint32_t>(value.AsInt64())));
    case dtFloat:
        return net.WriteInt64(BitConverter::BitsFromDouble(value.AsDouble()));
    case dtInt64:
        return net.WriteInt64(value.AsInt64());
    case dtDate: {
        const rtl::DateTimeParts parts = rtl::DecodeDateTime(value.AsDateTime());
        net.WriteByte(4);
        net.WriteInt16(static_cast<int16_t>(parts.year));
        net.WriteByte(static_cast<uint8_t>(parts.month));
        return net.WriteByte(static_cast<uint8_t>(parts.day));
    }
    case dtDateTime: {
        const rtl::DateTimeParts parts = rtl::DecodeDateTime(value.AsDateTime());
        net.WriteByte(11);
        net.WriteInt16(static_cast<int16_t>(parts.year));
        net.WriteByte(static_cast<uint8_t>(parts.month));
        net.WriteByte(static_cast<uint8_t>(parts.day));
        net.WriteByte(static_cast<uint8_t>(parts.hour));
        net.WriteByte(static_cast<uint8_t>(parts.minute));
        net.WriteByte(static_cast<uint8_t>(parts.second));
        return net.WriteInt32(parts.millisecond * 1000);
    }
    case dtTime: {
        // A time is a signed span of days: 24 hours and more, and negative times, keep their days.
        const double days = value.AsDateTime();
        int64_t ms = std::llround(std::fabs(days) * static_cast<double>(kMsPerDay));
        net.WriteByte(12);
        net.WriteByte(days < 0 ? 1 : 0);
        net.WriteInt32(static_cast<int32_t>(ms / kMsPerDay));
        ms %= kMsPerDay;
        net.WriteByte(static_cast<uint8_t>(ms / 3600000));
        net.WriteByte(static_cast<uint8_t>(ms / 60000 % 60));
        net.WriteByte(static_cast<uint8_t>(ms / 1000 % 60));
        return net.WriteInt32(static_cast<int32_t>(ms % 1000 * 1000));
    }
    case dtBCD:
        return writeText(CurrencyToSQLText(value.AsDouble()));
    case dtFMTBCD:
        return writeText(value.AsString());
    case dtString:
    case dtBlob:
    case dtMemo:
    case dtBytes:
    case dtVarBytes:
    case dtWideString:
    case dtWideMemo:
        break;
    default:
        InvalidInternalFieldType(param.DataType);
    }
    if (!param.Blob) return writeText(value.AsString()); // 8-bit text is UTF-8 here; UTF-16 becomes UTF-8
    TBlob& blob = *param.Blob;
    if (blob.IsUnicode()) return writeText(blob.ReadAsAnsi());
    if (auto* compressed = dynamic_cast<TCompressedBlob*>(&blob)) compressed->SetCompressed(false);
    blob.Defragment();
    const uint32_t size = blob.GetSize();
    net.WriteFieldLength(size);
    if (PPieceHeader piece = blob.FirstPiece(); piece && size > 0)
        net.WriteBytes(PieceData(piece), 0, static_cast<int>(size));
}

void TMySqlStmt::FreeResult() {
    if (result_ && session_) result_->Close();
}

void TMySqlStmt::Close() {
    FreeResult();
    if (prepared_ && session_) {
        prepared_ = false;
        const uint32_t id = id_;
        id_ = 0;
        Live().WriteCommand(cmdStmtClose);
        Live().Net().WriteInt32(static_cast<int32_t>(id));
        Live().Net().Flush();
    }
    paramCount_ = 0;
    columnCount_ = 0;
    columns_.clear();
    sentTypes_.clear();
    if (result_) result_->Reopen({}, false);
}

} // namespace dataaccess
