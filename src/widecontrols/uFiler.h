// The stored form of objects' properties: values, type tags and filers.
#pragma once

#include "platform/data/Component.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Utf.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace widecontrols {

// The framework's stored form of objects: a property is its name as a short string and a value, the
// value a type tag and its data; a list of properties ends with vaNull. Forms are built in code, so
// this serves the wide layer's own stored properties and their tests.
RTL_DECLARE_EXCEPTION(EFilerError, rtl::EStreamError);
RTL_DECLARE_EXCEPTION(EReadError, EFilerError);

enum TValueType : uint8_t {
    vaNull = 0, // end of a list
    vaList = 1, // values up to vaNull
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaString = 6,   // 8-bit, length in one byte
    vaLString = 12, // 8-bit, length in 32 bits
    vaWString = 18, // UTF-16, length in characters in 32 bits
};

// Kinds of published properties that the stored form distinguishes.
enum TTypeKind : uint8_t { tkInteger = 1, tkWChar = 9, tkWString = 11 };

// A published property: integers and wide characters travel as integer variants, wide strings as wide
// ones. Without a getter or setter the property cannot be read or written.
struct TPropInfo {
    static constexpr int64_t kNoDefault = 0x80000000;

    std::string name;
    TTypeKind kind;
    std::function<rtl::Variant(const data::TPersistent&)> get;
    std::function<void(data::TPersistent&, const rtl::Variant&)> set;
    std::function<bool(const data::TPersistent&)> stored; // none: always stored
    int64_t defaultValue = kNoDefault;

    bool IsStored(const data::TPersistent& instance) const { return !stored || stored(instance); }
};
using TPropInfos = std::vector<TPropInfo>;

class TFiler;

// An object with a stored form: its class's published properties and the stored properties it adds.
class IStreamedObject {
public:
    virtual const TPropInfos& PropInfos() const;
    virtual void DefineProperties(TFiler& filer) {}

protected:
    ~IStreamedObject() = default;
};

// The published properties of an object's class; empty for an object without a stored form.
const TPropInfos& GetPropInfos(const data::TPersistent& instance);

class TReader;
class TWriter;

class TFiler {
public:
    using TReaderProc = std::function<void(TReader& reader)>;
    using TWriterProc = std::function<void(TWriter& writer)>;

    explicit TFiler(rtl::TStream& stream) : stream_(stream) {}
    virtual ~TFiler() = default;
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;

    // A stored property beside the published ones: the writer writes it when `hasData`, the reader
    // reads it when the stream holds it.
    virtual void DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc& write,
                                bool hasData) = 0;

    // The object the one being stored inherits from (an inherited form's component), or none.
    const data::TPersistent* Ancestor() const { return ancestor_; }
    void SetAncestor(const data::TPersistent* ancestor) { ancestor_ = ancestor; }

protected:
    rtl::TStream& stream_;

private:
    const data::TPersistent* ancestor_ = nullptr;
};

class TReader : public TFiler {
public:
    using TFiler::TFiler;

    void DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc& write,
                        bool hasData) override;

    // The type of the next value, not consumed.
    TValueType NextValue();
    TValueType ReadValue();
    int64_t ReadInteger();
    // 8-bit text of vaString or vaLString.
    std::string ReadString();
    // vaWString, or 8-bit text widened from the default code page.
    rtl::WideString ReadWideString();
    void ReadListBegin();
    bool EndOfList() { return NextValue() == vaNull; }
    void ReadListEnd();
    // The properties of an object up to the end of its list; raises EReadError "Property %s does not
    // exist" for a name neither published nor defined.
    void ReadProperties(data::TPersistent& instance);

private:
    [[noreturn]] static void InvalidValue();
    void CheckValue(TValueType expected);

    std::string propName_; // the stored property being read
    bool propRead_ = false;
};

class TWriter : public TFiler {
public:
    using TFiler::TFiler;

    void DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc& write,
                        bool hasData) override;

    void WriteValue(TValueType value);
    void WriteInteger(int64_t value);
    void WriteString(const std::string& value);
    void WriteWideString(const rtl::WideString& value);
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }
    void WritePropName(const std::string& name);
    // The published properties that differ from the ancestor's (or their default), the defined ones,
    // and the end of the list.
    void WriteProperties(data::TPersistent& instance);
};

} // namespace widecontrols
