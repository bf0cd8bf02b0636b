#include "dataaccess/store/uCompressHooks.h"

#include <zlib.h>

namespace dataaccess {

TCompressProc CompressProc = ZlibCompress;
TCompressProc UncompressProc = ZlibUncompress;

namespace {

constexpr const char* kCompressorNotLinked = "Compressor function is not linked";
constexpr const char* kUncompressorNotLinked = "Uncompressor function is not linked";
constexpr const char* kTargetTooSmall = "ZLib error: target buffer may be too small";

z_stream NewStream(void* destination, uint32_t destinationLength, const void* source, uint32_t sourceLength) {
    z_stream stream{};
    stream.next_in = static_cast<Bytef*>(const_cast<void*>(source));
    stream.avail_in = sourceLength;
    stream.next_out = static_cast<Bytef*>(destination);
    stream.avail_out = destinationLength;
    return stream;
}

// One pass with the finish flag: anything short of the stream end means the output did not fit.
template <class Error, class Init, class Step, class End>
int RunStream(z_stream& stream, uint32_t& destinationLength, Init init, Step step, End end) {
    if (init(&stream) < 0) throw Error("Error");
    const int result = step(&stream, Z_FINISH);
    if (result < 0) {
        end(&stream);
        throw Error("Error");
    }
    if (result != Z_STREAM_END) {
        end(&stream);
        throw EZlibError(kTargetTooSmall);
    }
    destinationLength = static_cast<uint32_t>(stream.total_out);
    if (end(&stream) < 0) throw Error("Error");
    return result;
}

} // namespace

int ZlibCompress(void* destination, uint32_t& destinationLength, const void* source, uint32_t sourceLength) {
    z_stream stream = NewStream(destination, destinationLength, source, sourceLength);
    return RunStream<ECompressionError>(
        stream, destinationLength, [](z_streamp s) { return deflateInit(s, Z_DEFAULT_COMPRESSION); }, deflate,
        deflateEnd);
}

int ZlibUncompress(void* destination, uint32_t& destinationLength, const void* source,
                   uint32_t sourceLength) {
    z_stream stream = NewStream(destination, destinationLength, source, sourceLength);
    return RunStream<EDecompressionError>(
        stream, destinationLength, [](z_streamp s) { return inflateInit(s); }, inflate, inflateEnd);
}

void CheckCompressorLinked() {
    if (!CompressProc) throw rtl::Exception(kCompressorNotLinked);
    if (!UncompressProc) throw rtl::Exception(kUncompressorNotLinked);
}

int CompressBlock(void* destination, uint32_t& destinationLength, const void* source, uint32_t sourceLength) {
    RTL_ASSERT_MSG(CompressProc, kCompressorNotLinked);
    return CompressProc(destination, destinationLength, source, sourceLength);
}

bool TryCompressBlock(void* destination, uint32_t& destinationLength, const void* source,
                      uint32_t sourceLength) {
    try {
        return CompressBlock(destination, destinationLength, source, sourceLength) >= 0;
    } catch (const EZlibError&) {
        // Data that does not shrink overflows the room it was given; uncompressed it is still valid.
        return false;
    }
}

int UncompressBlock(void* destination, uint32_t& destinationLength, const void* source,
                    uint32_t sourceLength) {
    RTL_ASSERT_MSG(UncompressProc, kUncompressorNotLinked);
    return UncompressProc(destination, destinationLength, source, sourceLength);
}

} // namespace dataaccess
