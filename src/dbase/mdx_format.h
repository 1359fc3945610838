#pragma once

// Byte layout of the MDX production index (see docs/formats/mdx.md).

#include <cstddef>
#include <cstdint>

namespace dbase::mdx {

constexpr size_t kPageSize = 512;    // pointers count these
constexpr size_t kBlockSize = 1024;  // one node or tag header
constexpr uint16_t kPagesPerBlock = 2;

// File header, block 0.
constexpr size_t kHeaderVersion = 0;    // byte, 2
constexpr size_t kHeaderCreated = 1;    // YY MM DD (YY = year - 1900)
constexpr size_t kHeaderTableName = 4;  // 16 bytes, NUL padded
constexpr size_t kHeaderTableNameSize = 16;
constexpr size_t kHeaderPagesPerBlock = 20;  // uint16
constexpr size_t kHeaderBlockSize = 22;      // uint16
constexpr size_t kHeaderProduction = 24;     // byte, 1
constexpr size_t kHeaderSlots = 25;          // byte, 48
constexpr size_t kHeaderEntrySize = 26;      // byte, 32
constexpr size_t kHeaderTagsInUse = 28;      // uint16
constexpr size_t kHeaderPageCount = 32;      // uint32, pages in file
constexpr size_t kHeaderFreePage = 36;       // uint32, first free block (0 = none)
constexpr size_t kHeaderUpdated = 44;        // YY MM DD
// Reserved header bytes we use (others write zeros there).
constexpr size_t kHeaderChangeCounter = 48;  // uint32, +1 per completed update
constexpr size_t kHeaderBusy = 52;           // byte, 1 while an update is under way

constexpr uint8_t kVersion = 2;
constexpr uint8_t kSlotCount = 48;
constexpr int kMaxTags = 47;  // the 48th slot would overlap the first tag header
constexpr size_t kTagTableOffset = 544;
constexpr size_t kTagEntrySize = 32;
constexpr size_t kHeaderBytes = kTagTableOffset + kMaxTags * kTagEntrySize;  // 2048
constexpr uint32_t kFirstDataPage = 4;

// Tag table entry.
constexpr size_t kEntryHeaderPage = 0;  // uint32
constexpr size_t kEntryName = 4;        // 11 bytes, NUL padded
constexpr size_t kEntryNameSize = 11;
constexpr size_t kEntryFormat = 15;  // 0x10
constexpr size_t kEntryLeft = 16;    // name tree, 1-based slots
constexpr size_t kEntryRight = 17;
constexpr size_t kEntryParent = 18;
constexpr size_t kEntryMarker = 19;   // 0x02
constexpr size_t kEntryKeyType = 20;  // 'C', 'N', 'D'
constexpr uint8_t kEntryFormatValue = 0x10;
constexpr uint8_t kEntryMarkerValue = 0x02;
constexpr int kMaxTagName = 10;

// Tag header block.
constexpr size_t kTagRoot = 0;       // uint32 page
constexpr size_t kTagSize = 4;       // uint32 pages used by the tag
constexpr size_t kTagKeyFormat = 8;  // kFormat* bits
constexpr size_t kTagKeyType = 9;
constexpr size_t kTagKeyLength = 12;    // uint16
constexpr size_t kTagMaxKeys = 14;      // uint16
constexpr size_t kTagDateFlag = 16;     // 1 for date keys
constexpr size_t kTagItemLength = 18;   // uint16, key length + 4 rounded up to 4
constexpr size_t kTagUnique = 23;       // 0x40 when unique
constexpr size_t kTagExpression = 24;   // NUL ended
constexpr size_t kTagHasFilter = 245;   // 1 when the tag has a FOR expression
constexpr size_t kTagFilterKeys = 246;  // 1: the FOR tag holds keys (as CodeBase writes it)
constexpr size_t kTagFilter = 762;      // NUL ended
constexpr size_t kExpressionSize = 220;
constexpr uint8_t kFormatBase = 0x10;
constexpr uint8_t kFormatDescending = 0x08;
constexpr uint8_t kFormatUnique = 0x40;

// Node block: count, 4 unused bytes, items [uint32 recno or child][key].
constexpr size_t kNodeCount = 0;
constexpr size_t kNodeItems = 8;
constexpr size_t kNodeSpace = kBlockSize - kNodeItems - 4;  // room for items + last child
constexpr size_t kFreeNext = 4;                             // free block: next free block's page

}  // namespace dbase::mdx
