#pragma once

// The .dbf layout (dBASE IV): a 32-byte file header, 32-byte field descriptors
// ended by 0x0D, then fixed-length records each led by a deletion flag.
// Names follow docs/formats/dbf.md.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/types.h"

namespace dbase {

class File;

constexpr uint8_t kDbfVersionPlain = 0x03;  // no memo file
constexpr uint8_t kDbfVersionMemo4 = 0x8B;  // dBASE IV with .dbt
constexpr uint8_t kDbfVersionMemo3 = 0x83;  // dBASE III with .dbt (read only)

constexpr size_t kDbfHeaderSize = 32;
constexpr size_t kHdrVersion = 0;
constexpr size_t kHdrLastUpdate = 1;     // YY MM DD, YY = year - 1900
constexpr size_t kHdrRecordCount = 4;    // uint32
constexpr size_t kHdrHeaderLength = 8;   // uint16
constexpr size_t kHdrRecordLength = 10;  // uint16, flag byte included
constexpr size_t kHdrIncomplete = 14;
constexpr size_t kHdrEncrypted = 15;
constexpr size_t kHdrProductionMdx = 28;
constexpr size_t kHdrLanguageDriver = 29;

constexpr size_t kFieldDescriptorSize = 32;
constexpr size_t kFldName = 0;  // 11 bytes, NUL padded
constexpr size_t kFldNameSize = 11;
constexpr size_t kFldType = 11;
constexpr size_t kFldLength = 16;
constexpr size_t kFldDecimals = 17;
constexpr size_t kFldTagFlag = 31;  // 0x01: the field has a production MDX tag

constexpr uint8_t kHeaderTerminator = 0x0D;
constexpr uint8_t kRecordLive = 0x20;
constexpr uint8_t kRecordDeleted = 0x2A;
constexpr uint8_t kEofMarker = 0x1A;
constexpr uint8_t kLanguageDriverCp1252 = 0x57;

constexpr int kMaxFields = 255;
constexpr int kMaxFieldNameLength = 10;
constexpr int kMaxRecordLength = 65535;
constexpr int kMemoFieldLength = 10;  // right-justified block number
constexpr int kMaxCharacterLength = 254;
constexpr int kMaxNumericLength = 20;  // N and F
constexpr int kDateFieldLength = 8;
constexpr int kLogicalFieldLength = 1;

struct DbfHeader {
  uint8_t version = kDbfVersionPlain;
  int updateYear = 0;  // full year
  int updateMonth = 0;
  int updateDay = 0;
  uint32_t recordCount = 0;
  uint16_t headerLength = 0;
  uint16_t recordLength = 0;
  bool productionMdx = false;
  uint8_t languageDriver = kLanguageDriverCp1252;
  std::vector<FieldDef> fields;
  std::vector<int> offsets;    // of each field inside a record (the flag is byte 0)
  std::vector<bool> tagFlags;  // descriptor byte 31
  uint16_t fieldsEnd = 0;      // offset of the 0x0D that ends the descriptors
  bool zeroAfterEnd = false;   // a 0x00 follows it inside the header

  bool hasMemoFields() const;
};

// The numbers of a header that must agree before anyone writes to the table.
struct HeaderNumbers {
  uint64_t headerLength = 0;
  uint64_t fieldsEnd = 0;  // offset of the 0x0D
  bool zeroAfterEnd = false;
  uint64_t recordLength = 0;
  uint64_t fieldsLength = 0;  // the fields' lengths plus the deletion flag
  uint64_t recordCount = 0;
  uint64_t fileSize = 0;
};
// The header length against the field list (one 0x00 after the 0x0D is
// tolerated), the record length against the fields, the count against the
// file: the first disagreement, empty when there is none. checkTable reports
// it; the table refuses to be opened for writing with one.
std::string headerDisagreement(const HeaderNumbers& n);

// Decodes the header; bytes may be longer than the header. Throws FormatError
// naming file for anything unsound.
DbfHeader parseDbfHeader(std::string_view bytes, const std::string& file);
// Reads and decodes the header of an open table.
DbfHeader readDbfHeader(const File& f);
// The header bytes (headerLength long) for this header.
std::string encodeDbfHeader(const DbfHeader& h);
// A header for new fields: offsets, lengths, version worked out. Throws Error
// for invalid definitions (names, types, lengths).
DbfHeader makeDbfHeader(const std::vector<FieldDef>& fields, const std::string& file);

void putU16(char* p, uint16_t v);
void putU32(char* p, uint32_t v);
uint16_t getU16(const char* p);
uint32_t getU32(const char* p);

// Field text codecs. Numbers: right-justified, blank = empty.
std::optional<std::string> formatNumber(double value, int length, int decimals);
// Decimal text only (sign, digits, '.' or ',', exponent): "0x10", "inf" and
// "nan" are not numbers.
std::optional<double> parseNumber(std::string_view text);
// The field text for decimal text, rounded half away from zero on its digits
// (1.005 -> "1.01", which the nearest double would round down); nullopt when
// the text is not decimal or the result does not fit.
std::optional<std::string> formatDecimalText(std::string_view text, int length, int decimals);
std::string_view trimRight(std::string_view s);
std::string_view trim(std::string_view s);
// Memo/binary field: 10-digit block number, 0 when blank or not a number.
uint32_t parseMemoBlock(std::string_view text);
std::string formatMemoBlock(uint32_t block, int length);

}  // namespace dbase
