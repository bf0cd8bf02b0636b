// The zlib compressor and decompressor the blobs and the wire protocol call.
#pragma once

#include "platform/rtl/Exception.h"

#include <cstdint>

namespace dataaccess {

RTL_DECLARE_EXCEPTION(EZlibError, rtl::Exception);
RTL_DECLARE_EXCEPTION(ECompressionError, EZlibError);
RTL_DECLARE_EXCEPTION(EDecompressionError, EZlibError);

// A whole-buffer compressor: `destinationLength` holds the room on entry and the bytes produced on
// return. Returns the library's result code; failures raise EZlibError or a descendant.
using TCompressProc = int (*)(void* destination, uint32_t& destinationLength, const void* source,
                              uint32_t sourceLength);

// The hooks through which compressed blobs and the compressed protocol reach zlib. Installed from
// the start; empty slots make CheckCompressorLinked fail.
extern TCompressProc CompressProc;
extern TCompressProc UncompressProc;

// zlib format (deflate with the zlib header), default level. The uncompressor reports the bytes it
// produced, so a stream that inflates to less than the room is told apart by its length.
int ZlibCompress(void* destination, uint32_t& destinationLength, const void* source, uint32_t sourceLength);
int ZlibUncompress(void* destination, uint32_t& destinationLength, const void* source, uint32_t sourceLength);

// Raises "Compressor function is not linked" or "Uncompressor function is not linked".
void CheckCompressorLinked();
int CompressBlock(void* destination, uint32_t& destinationLength, const void* source, uint32_t sourceLength);
// The same for data that may as well stay as it is: false when the compressor fails, and the caller
// keeps the data uncompressed.
bool TryCompressBlock(void* destination, uint32_t& destinationLength, const void* source,
                      uint32_t sourceLength);
int UncompressBlock(void* destination, uint32_t& destinationLength, const void* source,
                    uint32_t sourceLength);

} // namespace dataaccess
