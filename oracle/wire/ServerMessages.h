#pragma once
// Decoders of what an Oracle server sends inside DATA packets: the PROTOCOL and DATA_TYPES
// replies, and the message sequence of every call's response (DESCRIBE_INFO, ROW_HEADER,
// ROW_DATA, BIT_VECTOR, PARAMETER, LOB_DATA, WARNING, SERVER_SIDE_PIGGYBACK, STATUS, ERROR).
// A response's layout depends on the negotiated field version and on what was asked, which
// the caller states in a ResponseContext; the context also carries the columns of the cursor
// and its last row across FETCH calls (bit vectors refer to it).
//
//   ResponseContext ctx{.fieldVersion = 13};
//   auto response = ReadResponse(reader, ctx);   // up to and including the ERROR that ends it
//   if (response.error.number != 0 && response.error.number != 1403) raise ...
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "oracle/wire/ByteReader.h"

namespace oracle::wire {

struct ProtocolInfo {
    std::uint8_t serverVersion = 0;
    std::string banner;
    std::uint16_t charsetId = 0;
    std::uint16_t nationalCharsetId = 0;
    std::vector<std::uint8_t> compileCaps;
    std::vector<std::uint8_t> runtimeCaps;

    std::uint8_t FieldVersion() const { return compileCaps.size() > 7 ? compileCaps[7] : 0; }
    bool TimezoneExtension() const { return runtimeCaps.size() > 1 && (runtimeCaps[1] & 0x01) != 0; }
    bool LongStrings() const { return runtimeCaps.size() > 6 && (runtimeCaps[6] & 0x04) != 0; }
};

// Both read the message type byte first and raise EOraProtocolError if it is not theirs.
ProtocolInfo ReadProtocolReply(ByteReader& reader);
// `zoneBytes`: the server's time-zone block in front of the list, present only when the client
// asked for the time-zone extension (11 bytes, 15 with the 32-bit time-zone version).
void ReadDataTypesReply(ByteReader& reader, std::size_t zoneBytes = 0);

struct Column {
    std::uint8_t type = 0;
    std::int8_t precision = 0;
    std::int8_t scale = 0;
    std::uint32_t maxSize = 0;
    std::uint16_t charsetId = 0;
    std::uint8_t charsetForm = 0;
    bool nullable = true;
    std::string name;
};

struct LobLocator {
    std::uint64_t length = 0;
    std::uint32_t chunkSize = 0;
    std::vector<std::uint8_t> locator;
};

// One value of a row as sent: the raw bytes of its type (UTF-8 or UTF-16BE text, NUMBER,
// DATE...), a ROWID already as its text, or a LOB locator.
struct Cell {
    bool null = true;
    std::vector<std::uint8_t> bytes;
    std::optional<LobLocator> lob;
};
using Row = std::vector<Cell>;

struct ServerError {
    std::uint32_t callStatus = 0;
    std::uint16_t cursorId = 0;
    std::int16_t position = 0;
    std::uint32_t number = 0;
    std::uint64_t rowCount = 0;
    std::string message;  // without the trailing newline
};

struct KeyValue {
    std::string key;
    std::string value;
    std::uint32_t flags = 0;
};

struct Warning {
    std::uint16_t number = 0;
    std::string message;
};

enum class ParameterLayout {
    KeyValues,         // logon: key/value pairs
    ReturnParameters,  // execute and fetch
    LobOperation,      // LOB calls: the locator and the amount
    Version,           // the server-version call: banner and version number
};

struct ResponseContext {
    std::uint8_t fieldVersion = 13;
    std::uint32_t maxStringSize = 32767;
    ParameterLayout parameters = ParameterLayout::ReturnParameters;
    std::vector<Column> columns;  // replaced by a DESCRIBE_INFO
    Row previousRow;              // last row decoded, for bit vectors
    std::size_t lobLocatorSize = 0;
    bool lobAmount = false;
    ByteSink lobSink;  // receives LOB_DATA bytes; without one, LOB_DATA is malformed here
    // Precision and scale in a describe arrive as compressed integers when the client's compile
    // capabilities byte 1 is set (as recorded from go-ora's sessions); raw bytes otherwise.
    bool compressedPrecision = false;
    // When end-of-request was negotiated, only END_OF_REQUEST ends a response.
    bool endOfRequestMode = false;
};

struct Response {
    std::vector<std::uint8_t> messages;  // message types in order, for layout checks
    std::vector<KeyValue> keyValues;
    bool described = false;
    std::vector<Row> rows;
    std::string banner;  // server-version call
    std::vector<std::uint8_t> lobLocator;
    std::int64_t lobAmount = 0;
    std::uint64_t lobBytes = 0;
    std::vector<Warning> warnings;
    ServerError error;
};

// Reads messages up to the one that ends the call (ERROR, STATUS, FLUSH_OUT_BINDS or
// END_OF_REQUEST; only the last in end-of-request mode). An unknown message type cannot be skipped and raises EOraProtocolError.
Response ReadResponse(ByteReader& reader, ResponseContext& context);

// Reads the body of an ERROR message (after its type byte).
ServerError ReadError(ByteReader& reader, std::uint8_t fieldVersion);

}  // namespace oracle::wire
