// The binary layout of a program group file (GRP): header, item table, item data, tag records,
// and bounds-checked access to a file image that may be damaged or hostile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rivel {

inline constexpr char kGrpIdentifier[] = "PMCC";

// Header fields (byte offsets from the start of the file).
inline constexpr size_t kGrpHeaderSize = 34;
inline constexpr size_t kGrpChecksum = 4;
inline constexpr size_t kGrpDataSize = 6;
inline constexpr size_t kGrpShowCommand = 8;
inline constexpr size_t kGrpLeft = 10;
inline constexpr size_t kGrpTop = 12;
inline constexpr size_t kGrpRight = 14;
inline constexpr size_t kGrpBottom = 16;
inline constexpr size_t kGrpIconX = 18;
inline constexpr size_t kGrpIconY = 20;
inline constexpr size_t kGrpNameOffset = 22;
inline constexpr size_t kGrpItemCount = 32;
inline constexpr size_t kGrpItemTable = 34;

// Item data fields (byte offsets from the start of the item).
inline constexpr size_t kItemSize = 24;
inline constexpr size_t kItemIconX = 0;
inline constexpr size_t kItemIconY = 2;
inline constexpr size_t kItemIconIndex = 4;
inline constexpr size_t kItemTitle = 18;
inline constexpr size_t kItemCommand = 20;
inline constexpr size_t kItemIconPath = 22;

// Tag records: a 6-byte head (id, item slot, total size) and their data.
inline constexpr size_t kTagHeadSize = 6;
inline constexpr size_t kFirstTagSize = 10;  // 0x8000 record carrying "PMCC"
inline constexpr uint16_t kTagFirst = 0x8000;
inline constexpr uint16_t kTagPath = 0x8101;
inline constexpr uint16_t kTagHotKey = 0x8102;
inline constexpr uint16_t kTagMinimized = 0x8103;
inline constexpr uint16_t kTagEnd = 0xFFFF;
inline constexpr uint16_t kNoItem = 0xFFFF;

// Offsets are 16-bit words, so the group data must stay within this size.
inline constexpr size_t kMaxGroupData = 0xFFFF;

// The names of the show commands 0..9 (Display= in GRI text).
inline constexpr int kShowCommandCount = 10;
extern const char* const kShowCommandNames[kShowCommandCount];
inline constexpr char kUnknownShowCommand[] = "SW_???????";

// Read access to a GRP image: every read is checked against the image's end.
struct GrpView {
    std::string_view bytes;

    // The word at offset; false when it does not lie wholly inside the image.
    bool Word(size_t offset, uint16_t& value) const;
    // The NUL-terminated string at offset; false when the offset is past the end or no NUL
    // follows before the end.
    bool String(size_t offset, std::string& value) const;
};

// Appends a 16-bit little-endian word.
void PutWord(std::string& image, uint16_t value);
// Overwrites the word at offset (which must lie inside the image).
void SetWord(std::string& image, size_t offset, uint16_t value);

// The 16-bit sum of the image's words (length / 2 of them, little-endian).
uint16_t WordSum(std::string_view image);

}  // namespace rivel
