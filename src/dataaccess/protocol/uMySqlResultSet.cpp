#include "dataaccess/protocol/uMySqlResultSet.h"

#include "dataaccess/protocol/uMySqlErrors.h"
#include "dataaccess/protocol/uMySqlSession.h"
#include "dataaccess/store/uSystemExceptions.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"

namespace dataaccess {

namespace {

constexpr uint8_t kNullValue = 251;
constexpr uint8_t kEndOfData = 254;
constexpr int kEndOfDataMaxLength = 8;
constexpr int kFieldBlockLength = 10; // charset 2, length 4, type 1, flags 2, decimals 1

enum : uint8_t {
    kTypeTiny = 1,
    kTypeShort = 2,
    kTypeLong = 3,
    kTypeFloat = 4,
    kTypeDouble = 5,
    kTypeTimestamp = 7,
    kTypeLongLong = 8,
    kTypeInt24 = 9,
    kTypeYear = 13,
};

// Bounds-checked reading of one row's bytes: rows come from the peer.
class TRowReader {
public:
    TRowReader(const uint8_t* row, int length, int position)
        : row_(row), length_(length), position_(position) {}

    int Position() const { return position_; }
    void Need(int64_t count) const {
        if (count < 0 || position_ + count > length_) throw EMySqlException(kCrMalformedPacket);
    }
    uint64_t Take(int size) {
        Need(size);
        uint64_t value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = value << 8 | row_[position_ + i];
        position_ += size;
        return value;
    }
    // A length-coded length; -1 for NULL. The eight-byte form counts only its low four bytes.
    int64_t Length() {
        const uint8_t lead = static_cast<uint8_t>(Take(1));
        switch (lead) {
        case kNullValue:
            return -1;
        case 252:
            return static_cast<int64_t>(Take(2));
        case 253:
            return static_cast<int64_t>(Take(3));
        case 254:
            return static_cast<int64_t>(Take(8) & 0xFFFFFFFF);
        case 255:
            throw ArgumentException("Invalid length marker 255 in a row");
        default:
            return lead;
        }
    }
    void Value(TMySqlBind& bind, int64_t length) {
        Need(length);
        bind.IsNull = 0;
        bind.Offset = position_;
        bind.Length = static_cast<int32_t>(length);
        position_ += static_cast<int>(length);
    }

private:
    const uint8_t* row_;
    int length_;
    int position_;
};

void SetNull(TMySqlBind& bind) {
    bind.IsNull = 1;
    bind.Offset = 0;
    bind.Length = 0;
}

int BinaryLength(uint8_t fieldType) {
    switch (fieldType) {
    case kTypeTiny:
        return 1;
    case kTypeShort:
    case kTypeYear:
        return 2;
    case kTypeLong:
    case kTypeFloat:
    case kTypeInt24:
        return 4;
    case kTypeDouble:
    case kTypeLongLong:
        return 8;
    default:
        return -1; // length-coded
    }
}

} // namespace

bool IsNumericMySqlType(const TMySqlFieldInfo& info) {
    if (info.FieldType == kTypeTimestamp) return info.Length == 14 || info.Length == 8;
    return info.FieldType <= kTypeInt24 || info.FieldType == kTypeYear;
}

bool FillMySqlFieldInfo(const std::string& name, const std::string& orgName, const std::string& table,
                        TMySqlFieldInfo& info, uint8_t fieldType, uint32_t charsetNr, uint32_t flags,
                        uint32_t maxLength, uint32_t decimals, uint32_t length,
                        const std::string& defaultValue, const std::string& database,
                        const std::string& orgTable) {
    info.Name = name;
    info.OrgName = orgName;
    info.Table = table;
    info.Database = database;
    info.Default = defaultValue;
    info.OrgTable = orgTable;
    info.Length = length;
    info.Decimals = decimals;
    info.MaxLength = maxLength;
    info.Flags = flags;
    info.CharsetNr = charsetNr;
    info.FieldType = fieldType;
    const bool numeric = IsNumericMySqlType(info);
    if (numeric) info.Flags |= kNumFlag;
    return numeric;
}

void ReadColumnDefinitions(TMySqlSession& session, uint32_t count, TMySqlFieldInfos& columns) {
    TMySqlResultSet definitions(&session, nullptr, session.IsProtocol41() ? 7 : 5, {});
    definitions.ReadAllRows();
    definitions.ReadFieldInfos(static_cast<int>(count), columns);
}

void DetachResult(TMySqlResultSet& result) {
    result.Detach();
}

// ---- TMySqlResultSet

TMySqlResultSet::TMySqlResultSet(TMySqlSession* session)
    : TMySqlResultSet(session, nullptr, static_cast<int>(session->ColumnCount()),
                      std::move(session->PendingColumns())) {
    session->PendingColumns().clear();
    pending_ = true;
}

TMySqlResultSet::TMySqlResultSet(TMySqlSession* session, std::unique_ptr<TMySqlBinds> resultBinds,
                                 int columnCount, TMySqlFieldInfos columns)
    : session_(session), columns_(std::move(columns)), columnCount_(columnCount),
      binds_(std::make_unique<TMySqlBinds>(columnCount)), resultBinds_(std::move(resultBinds)) {
    RTL_ASSERT(session_);
}

TMySqlResultSet::~TMySqlResultSet() {
    try {
        Close();
    } catch (...) {
        // The session reports a broken connection on its next command.
    }
}

void TMySqlResultSet::SetResultBind(std::unique_ptr<TMySqlBinds> binds) {
    resultBinds_ = std::move(binds);
}

void TMySqlResultSet::TakeEndOfData(const uint8_t* packet, int length) {
    if (length <= 1) return;
    if (length < 5) throw EMySqlException(kCrMalformedPacket);
    session_->SetWarningCount(static_cast<uint16_t>(packet[1] | packet[2] << 8));
    session_->SetServerStatus(static_cast<uint16_t>(packet[3] | packet[4] << 8));
}

void TMySqlResultSet::ReadAllRows() {
    RTL_ASSERT(session_);
    rows_ = std::make_unique<std::vector<TBytes>>();
    rowIndex_ = 0;
    for (;;) {
        TBytes packet = session_->Net().ReceiveBuffer();
        if (packet.size() <= kEndOfDataMaxLength && packet[0] == kEndOfData) {
            TakeEndOfData(packet.data(), static_cast<int>(packet.size()));
            break;
        }
        rows_->push_back(std::move(packet));
    }
    eof_ = rows_->empty();
    pending_ = false;
}

bool TMySqlResultSet::ReadRow() {
    RTL_ASSERT(session_);
    TMySqlNet& net = session_->Net();
    net.ReadPacket();
    const int length = net.PacketLength();
    if (length == 0) throw EMySqlException(kCrMalformedPacket);
    const uint8_t* packet = net.PacketData();
    if (length > kEndOfDataMaxLength || packet[0] != kEndOfData) {
        row_ = packet;
        rowLength_ = length;
        ++rowsRead_;
        return true;
    }
    TakeEndOfData(packet, length);
    session_->SetState(ssReady);
    row_ = nullptr;
    rowLength_ = 0;
    eof_ = true;
    pending_ = false;
    return false;
}

bool TMySqlResultSet::Fetch(TMySqlBinds*& binds) {
    if (eof_) return false;
    if (rows_) {
        const TBytes& row = (*rows_)[rowIndex_++];
        row_ = row.data();
        rowLength_ = static_cast<int>(row.size());
        eof_ = rowIndex_ == rows_->size();
    } else {
        rtl::UndoGuard drop([this] { pending_ = false; });
        const bool read = ReadRow();
        drop.Dismiss();
        if (!read) return false;
    }
    if (resultBinds_) {
        DecodeBinaryRow(*resultBinds_);
        binds = resultBinds_.get();
    } else {
        if (!binds) throw EMySqlException(2028);
        DecodeTextRow(*binds);
    }
    binds->SetRow(row_, rowLength_);
    return true;
}

void TMySqlResultSet::DecodeTextRow(TMySqlBinds& binds) {
    TRowReader reader(row_, rowLength_, 0);
    for (int i = 0; i < binds.Count(); ++i) {
        TMySqlBind& bind = binds[i];
        if (static_cast<size_t>(i) < columns_.size()) bind.FieldType = columns_[i].FieldType;
        const int64_t length = reader.Length();
        if (length < 0)
            SetNull(bind);
        else
            reader.Value(bind, length);
    }
}

void TMySqlResultSet::DecodeBinaryRow(TMySqlBinds& binds) {
    // Byte 0 is the packet marker; the NULL bitmap's first two bits are reserved.
    const int bitmapLength = (binds.Count() + 9) / 8;
    TRowReader reader(row_, rowLength_, 1);
    reader.Need(bitmapLength);
    const uint8_t* bitmap = row_ + 1;
    reader = TRowReader(row_, rowLength_, 1 + bitmapLength);
    for (int i = 0; i < binds.Count(); ++i) {
        TMySqlBind& bind = binds[i];
        const uint8_t fieldType = static_cast<size_t>(i) < columns_.size() ? columns_[i].FieldType : 0;
        bind.FieldType = fieldType;
        const int bit = i + 2;
        if (bitmap[bit / 8] & (1 << (bit % 8))) {
            SetNull(bind);
            continue;
        }
        const int fixed = BinaryLength(fieldType);
        const int64_t length = fixed >= 0 ? fixed : reader.Length();
        if (length < 0)
            SetNull(bind);
        else
            reader.Value(bind, length);
    }
}

void TMySqlResultSet::ReadFieldInfos(int count, TMySqlFieldInfos& infos) {
    infos.clear();
    infos.reserve(static_cast<size_t>(count));
    const bool protocol41 = binds_->Count() == 7;
    TMySqlBinds* binds = binds_.get();
    while (Fetch(binds)) {
        const auto text = [&](int i) {
            const TMySqlBind& b = (*binds)[i];
            return std::string(reinterpret_cast<const char*>(row_) + b.Offset, b.Length);
        };
        const auto number = [&](int i, int offset, int size) {
            const TMySqlBind& b = (*binds)[i];
            if (b.Length < offset + size) throw EMySqlException(kCrMalformedPacket);
            uint32_t value = 0;
            for (int k = size - 1; k >= 0; --k)
                value = value << 8 | row_[b.Offset + offset + k];
            return value;
        };
        TMySqlFieldInfo& info = infos.emplace_back();
        if (protocol41) {
            if ((*binds)[6].Length < kFieldBlockLength) throw EMySqlException(kCrMalformedPacket);
            FillMySqlFieldInfo(text(4), text(5), text(2), info, static_cast<uint8_t>(number(6, 6, 1)),
                               number(6, 0, 2), number(6, 7, 2), 0, number(6, 9, 1), number(6, 2, 4), {},
                               text(1), text(3));
        } else {
            const bool longFlags = session_->ServerCapabilities() & capLongFlag;
            const uint32_t flags = number(4, 0, longFlags ? 2 : 1);
            const uint32_t decimals = number(4, longFlags ? 2 : 1, 1);
            const std::string table = text(0);
            FillMySqlFieldInfo(text(1), {}, table, info, static_cast<uint8_t>(number(3, 0, 1)), 0, flags, 0,
                               decimals, number(2, 0, 3), {}, {}, table);
        }
    }
    if (static_cast<int>(infos.size()) != count) throw EMySqlException(kCrMalformedPacket);
}

const uint8_t* TMySqlResultSet::GetRowBufferPtr() const {
    RTL_ASSERT(row_);
    return row_;
}

void TMySqlResultSet::Close() {
    row_ = nullptr;
    rowLength_ = 0;
    rows_.reset();
    eof_ = true;
    if (pending_ && session_) {
        pending_ = false;
        session_->SkipResult();
    }
}

void TMySqlResultSet::Reopen(TMySqlFieldInfos columns, bool pending) {
    Close();
    const int count = static_cast<int>(columns.size());
    if (count != columnCount_) {
        binds_ = std::make_unique<TMySqlBinds>(count);
        resultBinds_.reset();
    }
    columns_ = std::move(columns);
    columnCount_ = count;
    rowsRead_ = 0;
    eof_ = !pending;
    pending_ = pending;
}

void TMySqlResultSet::Detach() {
    row_ = nullptr;
    rowLength_ = 0;
    rows_.reset();
    eof_ = true;
    pending_ = false;
    session_ = nullptr;
}

} // namespace dataaccess
