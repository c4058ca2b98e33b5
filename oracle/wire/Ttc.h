#pragma once
// TTC message types, function codes and data type numbers used by both ends.
#include <cstdint>

namespace oracle::wire {

namespace message {
constexpr std::uint8_t kProtocol = 1;
constexpr std::uint8_t kDataTypes = 2;
constexpr std::uint8_t kFunction = 3;
constexpr std::uint8_t kError = 4;
constexpr std::uint8_t kRowHeader = 6;
constexpr std::uint8_t kRowData = 7;
constexpr std::uint8_t kParameter = 8;
constexpr std::uint8_t kStatus = 9;
constexpr std::uint8_t kIoVector = 11;
constexpr std::uint8_t kLobData = 14;
constexpr std::uint8_t kWarning = 15;
constexpr std::uint8_t kDescribeInfo = 16;
constexpr std::uint8_t kPiggyback = 17;
constexpr std::uint8_t kFlushOutBinds = 19;
constexpr std::uint8_t kBitVector = 21;
constexpr std::uint8_t kServerSidePiggyback = 23;
constexpr std::uint8_t kRenegotiate = 28;
constexpr std::uint8_t kEndOfRequest = 29;
constexpr std::uint8_t kFastAuth = 34;
}  // namespace message

namespace function {
constexpr std::uint8_t kReexecute = 4;
constexpr std::uint8_t kFetch = 5;
constexpr std::uint8_t kLogoff = 9;
constexpr std::uint8_t kCommit = 14;
constexpr std::uint8_t kRollback = 15;
constexpr std::uint8_t kReexecuteAndFetch = 78;
constexpr std::uint8_t kExecute = 94;
constexpr std::uint8_t kLobOp = 96;
constexpr std::uint8_t kCloseCursors = 105;
constexpr std::uint8_t kAuthPhaseTwo = 115;
constexpr std::uint8_t kAuthPhaseOne = 118;
constexpr std::uint8_t kCancelCursors = 120;
constexpr std::uint8_t kPing = 147;
}  // namespace function

// Option bits of an EXECUTE call.
namespace execute_option {
constexpr std::uint32_t kParse = 0x0001;
constexpr std::uint32_t kBind = 0x0008;
constexpr std::uint32_t kDefine = 0x0010;
constexpr std::uint32_t kExecute = 0x0020;
constexpr std::uint32_t kFetch = 0x0040;
constexpr std::uint32_t kNotPlsql = 0x8000;
}  // namespace execute_option

// Operations of a LOB call.
namespace lob_op {
constexpr std::uint32_t kGetLength = 0x0001;
constexpr std::uint32_t kRead = 0x0002;
constexpr std::uint32_t kFileIsOpen = 0x0400;
constexpr std::uint32_t kFileExists = 0x0800;
constexpr std::uint32_t kGetChunkSize = 0x4000;
constexpr std::uint32_t kIsOpen = 0x11000;
}  // namespace lob_op

namespace type {
constexpr std::uint8_t kVarchar = 1;
constexpr std::uint8_t kNumber = 2;
constexpr std::uint8_t kBinaryInteger = 3;
constexpr std::uint8_t kLong = 8;
constexpr std::uint8_t kRowid = 11;
constexpr std::uint8_t kDate = 12;
constexpr std::uint8_t kRaw = 23;
constexpr std::uint8_t kLongRaw = 24;
constexpr std::uint8_t kChar = 96;
constexpr std::uint8_t kBinaryFloat = 100;
constexpr std::uint8_t kBinaryDouble = 101;
constexpr std::uint8_t kCursor = 102;
constexpr std::uint8_t kObject = 109;
constexpr std::uint8_t kClob = 112;
constexpr std::uint8_t kBlob = 113;
constexpr std::uint8_t kBfile = 114;
constexpr std::uint8_t kJson = 119;
constexpr std::uint8_t kVector = 127;
constexpr std::uint8_t kTimestamp = 180;
constexpr std::uint8_t kTimestampTz = 181;
constexpr std::uint8_t kIntervalYm = 182;
constexpr std::uint8_t kIntervalDs = 183;
constexpr std::uint8_t kUrowid = 208;
constexpr std::uint8_t kTimestampLtz = 231;
constexpr std::uint8_t kBoolean = 252;
}  // namespace type

constexpr std::uint8_t kCharsetFormNational = 2;
constexpr std::uint16_t kCharsetUtf8 = 873;
constexpr std::uint32_t kErrorNoDataFound = 1403;

// Field versions at which message layouts change.
constexpr std::uint8_t kFieldVersion12_2 = 8;
constexpr std::uint8_t kFieldVersion12_2Ext1 = 9;
constexpr std::uint8_t kFieldVersion20_1 = 14;
constexpr std::uint8_t kFieldVersion23_1 = 17;
constexpr std::uint8_t kFieldVersion23_1Ext1 = 18;
constexpr std::uint8_t kFieldVersion23_1Ext3 = 20;
constexpr std::uint8_t kFieldVersion23_4 = 24;

}  // namespace oracle::wire
