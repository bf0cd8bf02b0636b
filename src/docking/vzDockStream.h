// The binary layout stream: writer and reader of its brackets, blocks and fields.
#pragma once

#include "docking/vzDockKeys.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Types.h"

#include <cstdint>
#include <string>
#include <vector>

// The binary layout stream "VZDOCK": brackets, blocks with back-patched lengths, and the fields.
namespace docking {

inline constexpr int kLayoutVersion = 8;

class TvzCustomDockingWriter {
public:
    virtual ~TvzCustomDockingWriter() = default;
    void BeginList();
    virtual void EndList();
    void BeginSites();
    virtual void EndSites();
    virtual void BeginSite();
    virtual void EndSite();
    void BeginControls();
    virtual void EndControls();
    virtual void BeginControl() = 0;
    virtual void EndControl() = 0;
    void BeginSection(const std::string& name);
    void EndSection();
    virtual void WriteBoolean(const char* name, bool value) = 0;
    virtual void WriteByte(const char* name, uint8_t value) = 0;
    virtual void WriteInteger(const char* name, int32_t value) = 0;
    virtual void WriteString(const char* name, const std::string& value) = 0;
    virtual void WritePoint(const char* name, ui::TPoint value) = 0;
    virtual void WriteRect(const char* name, const ui::TRect& value) = 0;
    virtual void WriteGUID(const char* name, const TGuid& value) = 0;

protected:
    enum : uint8_t { bList = 1, bSites = 2, bSite = 4, bControls = 8, bSection = 16 };
    void Open(uint8_t bracket);
    void Close(uint8_t bracket);

private:
    uint8_t open_ = 0;
};

class TvzCustomDockingReader {
public:
    virtual ~TvzCustomDockingReader() = default;
    virtual int Version() const = 0;
    void BeginList();
    void EndList();
    void BeginSites();
    void EndSites();
    virtual bool BeginSite() = 0;
    virtual void SkipSite() = 0;
    void BeginControls();
    virtual void EndControls();
    virtual bool BeginControl() = 0;
    virtual void SkipControl() = 0;
    virtual void EndControl() = 0;
    void BeginSection(const std::string& name);
    void EndSection();
    virtual bool ReadBoolean(const char* name) = 0;
    virtual uint8_t ReadByte(const char* name) = 0;
    virtual int32_t ReadInteger(const char* name) = 0;
    virtual std::string ReadString(const char* name) = 0;
    virtual ui::TPoint ReadPoint(const char* name) = 0;
    virtual ui::TRect ReadRect(const char* name) = 0;
    virtual TGuid ReadGUID(const char* name) = 0;
    virtual void Skip(int64_t count) = 0;

protected:
    enum : uint8_t { bList = 1, bSites = 2, bControls = 4, bSection = 8 };
    void Open(uint8_t bracket);
    void Close(uint8_t bracket);

private:
    uint8_t open_ = 0;
};

// Writes the header where the stream stands, then the fields little-endian.
class TvzBinaryDockingWriter : public TvzCustomDockingWriter {
public:
    explicit TvzBinaryDockingWriter(rtl::TStream& stream);
    void EndList() override;
    void EndSites() override;
    void BeginSite() override;
    void EndSite() override;
    void EndControls() override;
    void BeginControl() override;
    void EndControl() override;
    void WriteBoolean(const char* name, bool value) override;
    void WriteByte(const char* name, uint8_t value) override;
    void WriteInteger(const char* name, int32_t value) override;
    void WriteString(const char* name, const std::string& value) override;
    void WritePoint(const char* name, ui::TPoint value) override;
    void WriteRect(const char* name, const ui::TRect& value) override;
    void WriteGUID(const char* name, const TGuid& value) override;

private:
    void ReserveLength();
    void PatchLength(int64_t at);

    rtl::TStream& stream_;
    int64_t sitePosition_ = -1;
    std::vector<int64_t> blocks_;
};

// Checks the header where the stream stands. A block or string whose length is negative or runs past
// what the stream holds is a corrupt stream (EvzDocking), never a jump or a huge allocation.
class TvzBinaryDockingReader : public TvzCustomDockingReader {
public:
    explicit TvzBinaryDockingReader(rtl::TStream& stream);
    int Version() const override { return version_; }
    bool BeginSite() override;
    void SkipSite() override;
    void EndControls() override;
    bool BeginControl() override;
    void SkipControl() override;
    void EndControl() override;
    bool ReadBoolean(const char* name) override;
    uint8_t ReadByte(const char* name) override;
    int32_t ReadInteger(const char* name) override;
    std::string ReadString(const char* name) override;
    ui::TPoint ReadPoint(const char* name) override;
    ui::TRect ReadRect(const char* name) override;
    TGuid ReadGUID(const char* name) override;
    void Skip(int64_t count) override;

private:
    struct Block {
        int64_t position;
        int64_t length;
    };
    int64_t Remaining();
    // A block length read where the stream stands; 0 when fewer than 4 bytes remain.
    int64_t ReadLength();
    void ReadExact(void* buffer, int64_t count);

    rtl::TStream& stream_;
    int version_ = 0;
    Block site_{-1, 0};
    std::vector<Block> blocks_;
};

} // namespace docking
