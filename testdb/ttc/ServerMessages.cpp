#include "testdb/ttc/ServerMessages.h"

#include <bit>
#include <cstring>
#include <iterator>

namespace testdb::ttc {

using oracle::wire::ByteWriter;

namespace {

constexpr std::uint16_t kCharsetUtf8 = 873;
constexpr std::uint16_t kNationalCharsetUtf16 = 2000;
constexpr std::size_t kCompileCapsSize = 53;
constexpr std::uint8_t kPiggybackSessionSync = 5;

struct SessionSetting {
    std::uint16_t keyword;
    std::string_view value;
};

// The defaults of a database created with AL32UTF8 for AMERICAN_AMERICA, by the server's keyword
// numbers for them.
constexpr SessionSetting kSessionSettings[] = {
    {16, "AMERICAN"},                      // NLS_LANGUAGE
    {9, "AMERICA"},                        // NLS_TERRITORY
    {0, "$"},                              // NLS_CURRENCY
    {1, "AMERICA"},                        // NLS_ISO_CURRENCY
    {2, ".,"},                             // NLS_NUMERIC_CHARACTERS
    {10, "AL32UTF8"},                      // character set
    {12, "GREGORIAN"},                     // NLS_CALENDAR
    {7, "DD-MON-RR"},                      // NLS_DATE_FORMAT
    {8, "AMERICAN"},                       // NLS_DATE_LANGUAGE
    {11, "BINARY"},                        // NLS_SORT
    {57, "HH.MI.SSXFF AM"},                // NLS_TIME_FORMAT
    {58, "DD-MON-RR HH.MI.SSXFF AM"},      // NLS_TIMESTAMP_FORMAT
    {59, "HH.MI.SSXFF AM TZR"},            // NLS_TIME_TZ_FORMAT
    {60, "DD-MON-RR HH.MI.SSXFF AM TZR"},  // NLS_TIMESTAMP_TZ_FORMAT
    {52, "$"},                             // NLS_DUAL_CURRENCY
    {50, "BINARY"},                        // NLS_COMP
    {61, "BYTE"},                          // NLS_LENGTH_SEMANTICS
    {62, "FALSE"},                         // NLS_NCHAR_CONV_EXCP
};

}  // namespace

void WriteProtocolReply(ByteWriter& w, std::uint8_t fieldVersion) {
    w.U8(kProtocol);
    w.U8(6);  // TTC protocol version
    w.U8(0);
    w.Raw(std::string_view("x86_64/Linux 2.4.xx"));
    w.U8(0);
    w.U16LE(kCharsetUtf8);
    w.U8(1);       // server flags
    w.U16LE(0);    // no elements
    // FDO: only the national character set (bytes 9-10 when bytes 5 and 6 are 0) is read.
    std::uint8_t fdo[16] = {};
    fdo[9] = kNationalCharsetUtf16 >> 8;
    fdo[10] = kNationalCharsetUtf16 & 0xFF;
    w.U16BE(sizeof fdo);
    w.Raw(std::span<const std::uint8_t>(fdo));
    std::vector<std::uint8_t> compileCaps(kCompileCapsSize, 0);
    compileCaps[0] = 6;     // SQL version
    compileCaps[1] = 1;
    compileCaps[4] = 0xEA;  // logon types incl. O5LOGON
    compileCaps[7] = fieldVersion;
    w.Clr(compileCaps);
    // Runtime caps: no extended time zone, no 32K strings.
    const std::uint8_t runtimeCaps[7] = {2, 0, 0, 0, 0, 0, 1};
    w.Clr(std::span<const std::uint8_t>(runtimeCaps));
}

void WriteError(ByteWriter& w, const CallStatus& s, std::uint8_t fieldVersion) {
    w.U8(kError);
    w.UB4(0);  // end-of-call status
    w.UB2(0);  // end-to-end sequence number
    w.UB4(static_cast<std::uint32_t>(s.rowCount));  // current row number
    w.UB2(static_cast<std::uint16_t>(s.errorNumber <= 0xFFFF ? s.errorNumber : 0));
    w.UB2(0);
    w.UB2(0);
    w.UB2(s.cursorId);
    w.SB8(s.errorPosition);
    for (int i = 0; i < 6; ++i) w.U8(0);  // sql type, fatal, flags, cursor options, UPI, warnings
    // rowid: block address, partition, table byte, block, slot
    w.UB4(0);
    w.UB2(0);
    w.U8(0);
    w.UB4(0);
    w.UB2(0);
    w.UB4(0);  // OS error
    w.U8(0);   // statement number
    w.U8(0);   // call number
    w.UB2(0);  // padding
    w.UB4(0);  // successful iterations
    w.UB4(0);  // logical rowid
    w.UB2(0);  // batch error codes
    w.UB4(0);  // batch error offsets
    w.UB2(0);  // batch error messages
    w.UB4(s.errorNumber);
    w.UB8(s.rowCount);
    if (fieldVersion >= kFieldVersion20_1) {
        w.UB4(0);  // sql type
        w.UB4(0);  // server checksum
    }
    if (s.errorNumber != 0) w.Clr(s.errorText + "\n");
}

void WriteStatus(ByteWriter& w) {
    w.U8(kStatus);
    w.UB4(1);  // call status: the call has ended
    w.UB2(0);  // end-to-end sequence number
}

void WriteDescribe(ByteWriter& w, const std::vector<sql::Column>& columns, std::uint8_t fieldVersion) {
    w.U8(kDescribeInfo);
    w.U8(0);  // empty preamble
    std::uint32_t rowSize = 0;
    for (const auto& c : columns) rowSize += c.type.maxSize;
    w.UB4(rowSize);
    w.UB4(static_cast<std::uint32_t>(columns.size()));
    if (!columns.empty()) w.U8(1);
    std::uint16_t position = 0;
    for (const auto& c : columns) {
        const auto type = c.type.type;
        const bool character = type == sql::OraType::Varchar2;
        w.U8(static_cast<std::uint8_t>(type));
        w.U8(0);  // flags
        w.U8(static_cast<std::uint8_t>(c.type.precision));
        w.U8(static_cast<std::uint8_t>(c.type.scale));
        w.UB4(c.type.maxSize);
        w.UB4(0);  // max array elements
        w.UB8(0);  // continuation flags
        w.UB4(0);  // no OID
        w.UB2(0);  // version
        w.UB2(character ? kCharsetUtf8 : 0);
        w.U8(character ? 1 : 0);  // character set form
        w.UB4(character ? c.type.maxSize : 0);
        if (fieldVersion >= kFieldVersion12_2) w.UB4(0);  // oaccolid
        w.U8(c.nullable ? 1 : 0);
        w.U8(0);  // v7 name length
        w.Lclr(c.name);
        w.UB4(0);  // schema
        w.UB4(0);  // type name
        w.UB2(++position);
        w.UB4(0);  // UDS flags
        if (fieldVersion >= kFieldVersion23_1) {
            w.UB4(0);  // domain schema
            w.UB4(0);  // domain name
        }
        if (fieldVersion >= kFieldVersion23_1Ext3) w.UB4(0);  // no annotations
        if (fieldVersion >= kFieldVersion23_4) {
            w.UB4(0);  // vector dimensions
            w.U8(0);   // vector format
            w.U8(0);   // vector flags
        }
    }
    w.UB4(0);  // current date
    w.UB4(0);  // dcbflag
    w.UB4(0);  // dcbmdbz
    w.UB4(0);  // dcbmnpr
    w.UB4(0);  // dcbmxpr
    w.UB4(0);  // query cache key
}

void WriteRowHeader(ByteWriter& w) {
    w.U8(kRowHeader);
    w.U8(0);   // flags
    w.UB2(0);  // requests
    w.UB4(0);  // iteration
    w.UB4(0);  // iterations
    w.UB2(0);  // buffer length
    w.UB4(0);  // no bit vector
    w.UB4(0);  // no rxhrid
}

void WriteParameterPairs(ByteWriter& w, const std::vector<KeyValue>& pairs) {
    w.U8(kParameter);
    w.UB2(static_cast<std::uint16_t>(pairs.size()));
    for (const auto& p : pairs) w.KeyValue(p.key, p.value, p.flags);
}

void WriteReturnParameters(ByteWriter& w, std::uint16_t cursorId) {
    w.U8(kParameter);
    // The first word is the statement's system change number, which SQLite has none of.
    const std::uint32_t words[] = {0, 0, cursorId, 0, 0, 0};
    w.UB2(static_cast<std::uint16_t>(std::size(words)));
    for (const auto word : words) w.UB4(word);
    w.UB2(0);  // transaction text
    w.UB2(0);  // keyword pairs
    w.UB2(0);  // registration
}

void WriteSessionState(ByteWriter& w) {
    w.U8(kServerSidePiggyback);
    w.U8(kPiggybackSessionSync);
    w.UB2(1);    // data type descriptors
    w.U8(0x10);  // their length
    w.UB4(static_cast<std::uint32_t>(std::size(kSessionSettings)));
    w.U8(0x16);  // length byte, as a real server sends it; readers skip it
    for (const auto& setting : kSessionSettings) {
        w.UB2(0);  // no key text: the keyword number names the setting
        w.UB2(static_cast<std::uint16_t>(setting.value.size()));
        w.Clr(setting.value);
        w.UB2(setting.keyword);
    }
    w.UB4(0);  // flags
}

std::vector<std::uint8_t> EncodeBinaryDouble(double value) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    // Positive values get the sign bit set, negative ones all bits inverted, so bytes sort.
    bits = (bits & (1ULL << 63)) ? ~bits : (bits | (1ULL << 63));
    std::vector<std::uint8_t> out(8);
    for (int i = 0; i < 8; ++i) out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    return out;
}

std::vector<std::uint8_t> EncodeBinaryFloat(float value) {
    std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    bits = (bits & 0x80000000U) ? ~bits : (bits | 0x80000000U);
    return {static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
            static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits)};
}

}  // namespace testdb::ttc
