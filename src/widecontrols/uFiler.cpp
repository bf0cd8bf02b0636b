#include "widecontrols/uFiler.h"

#include "widecontrols/uUcUtils.h"

#include "platform/rtl/Format.h"

#include <limits>

namespace widecontrols {

namespace {

// Integers and lengths are little-endian.
template <class T>
T ReadLittleEndian(rtl::TStream& stream) {
    unsigned char bytes[sizeof(T)];
    stream.ReadBuffer(bytes, sizeof bytes);
    uint64_t value = 0;
    for (size_t i = sizeof(T); i-- > 0;)
        value = value << 8 | bytes[i];
    return static_cast<T>(value);
}

template <class T>
void WriteLittleEndian(rtl::TStream& stream, T value) {
    unsigned char bytes[sizeof(T)];
    auto bits = static_cast<uint64_t>(value);
    for (unsigned char& byte : bytes) {
        byte = static_cast<unsigned char>(bits);
        bits >>= 8;
    }
    stream.WriteBuffer(bytes, sizeof bytes);
}

std::string ReadBytes(rtl::TStream& stream, int64_t count) {
    // A length beyond the stream is a damaged stream, not an allocation to try.
    if (count < 0 || count > stream.Size() - stream.Position()) throw rtl::EStreamError("Stream read error");
    std::string bytes(static_cast<size_t>(count), '\0');
    stream.ReadBuffer(bytes.data(), count);
    return bytes;
}

const TPropInfo* FindProp(const data::TPersistent& instance, const std::string& name) {
    for (const TPropInfo& prop : GetPropInfos(instance))
        if (prop.name == name) return &prop;
    return nullptr;
}

const TPropInfos kNoProperties;

bool StreamedByTheFramework(const TPropInfo& prop) {
    return prop.kind != tkWChar && prop.get && prop.set;
}

} // namespace

const TPropInfos& IStreamedObject::PropInfos() const {
    return kNoProperties;
}

const TPropInfos& GetPropInfos(const data::TPersistent& instance) {
    if (const auto* streamed = dynamic_cast<const IStreamedObject*>(&instance)) return streamed->PropInfos();
    return kNoProperties;
}

// ---- TReader ----

void TReader::DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc&, bool) {
    if (!propRead_ && read && name == propName_) {
        read(*this);
        propRead_ = true;
    }
}

TValueType TReader::NextValue() {
    const TValueType value = ReadValue();
    stream_.Seek(-1, rtl::soCurrent);
    return value;
}

TValueType TReader::ReadValue() {
    return static_cast<TValueType>(ReadLittleEndian<uint8_t>(stream_));
}

void TReader::InvalidValue() {
    throw EReadError("Invalid property value");
}

void TReader::CheckValue(TValueType expected) {
    if (ReadValue() != expected) InvalidValue();
}

int64_t TReader::ReadInteger() {
    switch (ReadValue()) {
    case vaInt8:
        return ReadLittleEndian<int8_t>(stream_);
    case vaInt16:
        return ReadLittleEndian<int16_t>(stream_);
    case vaInt32:
        return ReadLittleEndian<int32_t>(stream_);
    default:
        InvalidValue();
    }
}

std::string TReader::ReadString() {
    switch (ReadValue()) {
    case vaString:
        return ReadBytes(stream_, ReadLittleEndian<uint8_t>(stream_));
    case vaLString:
        return ReadBytes(stream_, ReadLittleEndian<int32_t>(stream_));
    default:
        InvalidValue();
    }
}

rtl::WideString TReader::ReadWideString() {
    if (NextValue() != vaWString) return AnsiToWide(ReadString());
    ReadValue();
    const std::string bytes = ReadBytes(stream_, int64_t{ReadLittleEndian<int32_t>(stream_)} * 2);
    rtl::WideString text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

void TReader::ReadListBegin() {
    CheckValue(vaList);
}

void TReader::ReadListEnd() {
    CheckValue(vaNull);
}

void TReader::ReadProperties(data::TPersistent& instance) {
    while (!EndOfList()) {
        const std::string name = ReadBytes(stream_, ReadLittleEndian<uint8_t>(stream_));
        const TPropInfo* prop = FindProp(instance, name);
        if (prop && StreamedByTheFramework(*prop)) {
            if (prop->kind == tkWString)
                prop->set(instance, ReadWideString());
            else
                prop->set(instance, ReadInteger());
            continue;
        }
        propName_ = name;
        propRead_ = false;
        if (auto* streamed = dynamic_cast<IStreamedObject*>(&instance)) streamed->DefineProperties(*this);
        if (!propRead_) throw EReadError(rtl::Format("Property %s does not exist", name));
    }
    ReadListEnd();
}

// ---- TWriter ----

void TWriter::DefineProperty(const std::string& name, const TReaderProc&, const TWriterProc& write,
                             bool hasData) {
    if (!hasData || !write) return;
    WritePropName(name);
    write(*this);
}

void TWriter::WriteValue(TValueType value) {
    WriteLittleEndian<uint8_t>(stream_, value);
}

void TWriter::WriteInteger(int64_t value) {
    if (value >= std::numeric_limits<int8_t>::min() && value <= std::numeric_limits<int8_t>::max()) {
        WriteValue(vaInt8);
        WriteLittleEndian(stream_, static_cast<int8_t>(value));
    } else if (value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max()) {
        WriteValue(vaInt16);
        WriteLittleEndian(stream_, static_cast<int16_t>(value));
    } else {
        WriteValue(vaInt32);
        WriteLittleEndian(stream_, static_cast<int32_t>(value));
    }
}

void TWriter::WriteString(const std::string& value) {
    if (value.size() <= std::numeric_limits<uint8_t>::max()) {
        WriteValue(vaString);
        WriteLittleEndian(stream_, static_cast<uint8_t>(value.size()));
    } else {
        WriteValue(vaLString);
        WriteLittleEndian(stream_, static_cast<int32_t>(value.size()));
    }
    stream_.WriteString(value);
}

void TWriter::WriteWideString(const rtl::WideString& value) {
    WriteValue(vaWString);
    WriteLittleEndian(stream_, static_cast<int32_t>(value.size()));
    for (const char16_t c : value)
        WriteLittleEndian(stream_, static_cast<uint16_t>(c));
}

void TWriter::WritePropName(const std::string& name) {
    WriteLittleEndian(stream_, static_cast<uint8_t>(name.size()));
    stream_.WriteString(name);
}

void TWriter::WriteProperties(data::TPersistent& instance) {
    for (const TPropInfo& prop : GetPropInfos(instance)) {
        if (!StreamedByTheFramework(prop) || !prop.IsStored(instance)) continue;
        const rtl::Variant value = prop.get(instance);
        const TPropInfo* inherited = Ancestor() ? FindProp(*Ancestor(), prop.name) : nullptr;
        if (inherited && inherited->get && inherited->get(*Ancestor()) == value) continue;
        if (prop.kind == tkWString) {
            if (!inherited && value.AsWideString().empty()) continue;
            WritePropName(prop.name);
            WriteWideString(value.AsWideString());
        } else {
            if (!inherited && value.AsInt64() == prop.defaultValue) continue;
            WritePropName(prop.name);
            WriteInteger(value.AsInt64());
        }
    }
    if (auto* streamed = dynamic_cast<IStreamedObject*>(&instance)) streamed->DefineProperties(*this);
    WriteListEnd();
}

} // namespace widecontrols
