#pragma once
// Encoders of the TTC messages this server sends, laid out as a real server lays them out for
// the negotiated field version.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "oracle/wire/ByteWriter.h"
#include "oracle/wire/Ttc.h"
#include "testdb/sql/Cursor.h"

namespace testdb::ttc {

enum MessageType : std::uint8_t {
    kProtocol = 1,
    kDataTypes = 2,
    kFunction = 3,
    kError = 4,
    kRowHeader = 6,
    kRowData = 7,
    kParameter = 8,
    kStatus = 9,
    kLobData = 14,
    kDescribeInfo = 16,
    kPiggyback = 17,
    kServerSidePiggyback = 23,
};

// Field versions at which message layouts change, as the client side knows them.
using oracle::wire::kFieldVersion12_2;
using oracle::wire::kFieldVersion12_2Ext1;
using oracle::wire::kFieldVersion20_1;
using oracle::wire::kFieldVersion23_1;
using oracle::wire::kFieldVersion23_1Ext1;
using oracle::wire::kFieldVersion23_1Ext3;
using oracle::wire::kFieldVersion23_4;

constexpr std::uint32_t kNoDataFound = oracle::wire::kErrorNoDataFound;

struct CallStatus {
    std::uint32_t errorNumber = 0;
    std::string errorText;  // "ORA-nnnnn: ..." when errorNumber != 0
    std::uint16_t cursorId = 0;
    std::uint64_t rowCount = 0;
    std::int16_t errorPosition = 0;
};

void WriteProtocolReply(oracle::wire::ByteWriter& w, std::uint8_t fieldVersion);
void WriteError(oracle::wire::ByteWriter& w, const CallStatus& status, std::uint8_t fieldVersion);
// The end of a call that cannot fail in a way worth an error block (LOGOFF, COMMIT, PING...).
void WriteStatus(oracle::wire::ByteWriter& w);
void WriteDescribe(oracle::wire::ByteWriter& w, const std::vector<sql::Column>& columns, std::uint8_t fieldVersion);
void WriteRowHeader(oracle::wire::ByteWriter& w);

struct KeyValue {
    std::string key;
    std::string value;
    std::uint32_t flags = 0;
};
void WriteParameterPairs(oracle::wire::ByteWriter& w, const std::vector<KeyValue>& pairs);

// What a successful EXECUTE returns besides its rows: the cursor's words (its id among them),
// and no transaction text, keyword pairs or registration.
void WriteReturnParameters(oracle::wire::ByteWriter& w, std::uint16_t cursorId);

// The session's NLS settings, which a real server pushes to the client once logon succeeds.
void WriteSessionState(oracle::wire::ByteWriter& w);

// Oracle's 8-byte BINARY_DOUBLE form (sortable bytes) and 4-byte BINARY_FLOAT form.
std::vector<std::uint8_t> EncodeBinaryDouble(double value);
std::vector<std::uint8_t> EncodeBinaryFloat(float value);

}  // namespace testdb::ttc
