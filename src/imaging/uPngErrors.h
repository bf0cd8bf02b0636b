// The errors of the PNG codec, one class per kind of failure.
#pragma once

#include "platform/rtl/Exception.h"

namespace imaging {

// One class per kind of failure of the PNG codec, each carrying only its message.
RTL_DECLARE_EXCEPTION(EPNGOutMemory, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPngError, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPngUnexpectedEnd, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPngInvalidCRC, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPngInvalidIHDR, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPNGMissingMultipleIDAT, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPNGZLIBError, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPNGInvalidPalette, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPNGInvalidFileHeader, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPNGIHDRNotFirst, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPNGSizeExceeds, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPNGUnknownCriticalChunk, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPNGUnknownCompression, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPNGUnknownInterlace, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPNGNoImageData, rtl::Exception);
RTL_DECLARE_EXCEPTION(EPNGHeaderNotPresent, rtl::Exception);

// The messages (the spelling is the users' familiar one and stays as it is).
inline constexpr char EPngInvalidCRCText[] =
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces of data (crc "
    "error)";
inline constexpr char EPngInvalidIHDRText[] = "The \"Portable Network Graphics\" image could not be loaded "
                                              "because one of its main piece of data (ihdr) "
                                              "might be corrupted";
inline constexpr char EPNGMissingMultipleIDATText[] =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
inline constexpr char EPNGZLIBErrorText[] =
    "Could not decompress the image because it contains invalid compressed data.\r\n Description: ";
inline constexpr char EPNGInvalidPaletteText[] =
    "The \"Portable Network Graphics\" image contains an invalid palette.";
inline constexpr char EPNGInvalidFileHeaderText[] =
    "The file being readed is not a valid \"Portable Network Graphics\" image because it contains an invalid "
    "header. This file may be corruped, try obtaining it again.";
inline constexpr char EPNGIHDRNotFirstText[] =
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n(IHDR chunk is not "
    "the first)";
inline constexpr char EPNGSizeExceedsText[] =
    "This \"Portable Network Graphics\" image is not supported because either it's width or height exceeds "
    "the maximum size, which is 65535 pixels length.";
inline constexpr char EPNGUnknownPalEntryText[] = "There is no such palette entry.";
inline constexpr char EPNGUnknownCriticalChunkText[] =
    "This \"Portable Network Graphics\" image contains an unknown critical part which could not be decoded.";
inline constexpr char EPNGUnknownCompressionText[] =
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme which could not "
    "be decoded.";
inline constexpr char EPNGUnknownInterlaceText[] =
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be decoded.";
inline constexpr char EPNGCannotAssignChunkText[] = "The chunks must be compatible to be assigned.";
inline constexpr char EPNGUnexpectedEndText[] =
    "This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected end of the "
    "file.";
inline constexpr char EPNGNoImageDataText[] = "This \"Portable Network Graphics\" image contains no data.";
inline constexpr char EPNGCannotChangeSizeText[] =
    "The \"Portable Network Graphics\" image can not be resize by changing width and height properties. Try "
    "assigning the image from a bitmap.";
inline constexpr char EPNGCannotAddChunkText[] =
    "The program tried to add a existent critical chunk to the current image which is not allowed.";
inline constexpr char EPNGCannotAddInvalidImageText[] =
    "It's not allowed to add a new chunk because the current image is invalid.";
inline constexpr char EPNGOutMemoryText[] =
    "Some operation could not be performed because the system is out of resources. Close some windows and "
    "try again.";
inline constexpr char EPNGHeaderNotPresentText[] =
    "This operation is not valid because the current image contains no valid header.";

// Every failure of the codec is raised through here.
template <class E>
[[noreturn]] void RaisePngError(const char* message) {
    throw E(message);
}

} // namespace imaging
