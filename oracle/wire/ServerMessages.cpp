#include "oracle/wire/ServerMessages.h"

#include "oracle/wire/Errors.h"
#include "oracle/wire/Ttc.h"

namespace oracle::wire {
namespace {

constexpr std::size_t kMaxBannerLength = 48;
constexpr std::size_t kMaxColumns = 1000;  // Oracle's own limit on a select list

void SkipLclr(ByteReader& r) {
    if (r.UB4() > 0) r.SkipClr();
}

std::string TrimNewline(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

Column ReadColumn(ByteReader& r, std::uint8_t fieldVersion, bool compressedPrecision) {
    Column c;
    c.type = r.U8();
    r.U8();  // flags
    c.precision = compressedPrecision ? static_cast<std::int8_t>(r.SB2()) : r.S8();
    c.scale = compressedPrecision ? static_cast<std::int8_t>(r.SB2()) : r.S8();
    c.maxSize = r.UB4();
    r.UB4();  // max array elements
    r.UB8();  // continuation flags
    SkipLclr(r);  // OID of object types
    r.UB2();      // version
    c.charsetId = r.UB2();
    c.charsetForm = r.U8();
    r.UB4();  // length in characters
    if (fieldVersion >= kFieldVersion12_2) r.UB4();  // oaccolid
    c.nullable = r.U8() != 0;
    r.U8();  // v7 name length
    c.name = r.Lclr();
    SkipLclr(r);  // schema
    SkipLclr(r);  // type name
    r.UB2();      // position
    r.UB4();      // UDS flags
    if (fieldVersion >= kFieldVersion23_1) {
        SkipLclr(r);  // domain schema
        SkipLclr(r);  // domain name
    }
    if (fieldVersion >= kFieldVersion23_1Ext3 && r.UB4() > 0) {
        r.U8();
        const auto annotations = r.UB4();
        r.U8();
        for (std::uint32_t i = 0; i < annotations; ++i) {
            r.UB4();
            r.SkipClr();  // key
            SkipLclr(r);  // value
            r.UB4();      // flags
        }
        r.UB4();
    }
    if (fieldVersion >= kFieldVersion23_4) {
        r.UB4();  // vector dimensions
        r.U8();   // format
        r.U8();   // flags
    }
    return c;
}

std::vector<Column> ReadDescribe(ByteReader& r, std::uint8_t fieldVersion, bool compressedPrecision) {
    r.SkipClr();  // preamble
    r.UB4();      // maximum row size
    const auto count = r.UB4();
    if (count > kMaxColumns) ThrowProtocol("describe announces " + std::to_string(count) + " columns");
    if (count > 0) r.U8();
    std::vector<Column> columns;
    for (std::uint32_t i = 0; i < count; ++i) columns.push_back(ReadColumn(r, fieldVersion, compressedPrecision));
    if (r.UB4() > 0) r.SkipClr();  // current date
    for (int i = 0; i < 4; ++i) r.UB4();  // dcbflag, dcbmdbz, dcbmnpr, dcbmxpr
    if (r.UB4() > 0) r.SkipClr();  // query cache key
    return columns;
}

std::vector<std::uint8_t> ReadBitVectorMessage(ByteReader& r, std::size_t columns) {
    r.UB2();  // columns sent
    return r.Raw((columns + 7) / 8);
}

std::string RowidText(std::uint32_t object, std::uint16_t file, std::uint32_t block, std::uint16_t row) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    auto put = [&](std::uint64_t value, int digits) {
        for (int i = digits - 1; i >= 0; --i) out.push_back(kAlphabet[(value >> (6 * i)) & 0x3F]);
    };
    put(object, 6);
    put(file, 3);
    put(block, 6);
    put(row, 3);
    return out;
}

Cell ReadCell(ByteReader& r, const Column& column, std::uint32_t maxStringSize) {
    Cell cell;
    const auto t = column.type;
    if (column.maxSize == 0 && t != type::kLong && t != type::kLongRaw && t != type::kUrowid) return cell;
    switch (t) {
        case type::kVarchar:
        case type::kChar:
        case type::kLong:
        case type::kRaw:
        case type::kLongRaw:
        case type::kNumber:
        case type::kBinaryInteger:
        case type::kDate:
        case type::kTimestamp:
        case type::kTimestampTz:
        case type::kTimestampLtz:
        case type::kBinaryFloat:
        case type::kBinaryDouble:
        case type::kIntervalYm:
        case type::kIntervalDs:
        case type::kBoolean:
            if (auto bytes = r.Clr()) {
                cell.null = false;
                cell.bytes = std::move(*bytes);
            }
            break;
        case type::kRowid: {
            const auto length = r.U8();
            if (length == 0 || length == 0xFF) break;
            const auto object = r.UB4();
            const auto file = r.UB2();
            r.U8();
            const auto block = r.UB4();
            const auto row = r.UB2();
            const auto text = RowidText(object, file, block, row);
            cell.null = false;
            cell.bytes.assign(text.begin(), text.end());
            break;
        }
        case type::kUrowid:
            if (r.Clr()) {
                if (auto bytes = r.Clr()) {
                    cell.null = false;
                    cell.bytes = std::move(*bytes);
                }
            }
            break;
        case type::kClob:
        case type::kBlob:
        case type::kBfile:
            if (r.UB4() > 0) {
                LobLocator lob;
                if (t != type::kBfile) {
                    lob.length = r.UB8();
                    lob.chunkSize = r.UB4();
                }
                auto locator = r.Clr();
                if (!locator) ThrowProtocol("LOB value without a locator in column " + column.name);
                lob.locator = std::move(*locator);
                cell.null = false;
                cell.lob = std::move(lob);
            }
            break;
        default:
            ThrowProtocol("column " + column.name + " has data type " + std::to_string(t) +
                          ", which Direct mode cannot decode");
    }
    if (t == type::kLong || t == type::kLongRaw || column.maxSize > maxStringSize) {
        r.SB4();  // null indicator
        r.UB4();  // return code
    }
    return cell;
}

void ReadKeyValues(ByteReader& r, Response& response) {
    const auto count = r.UB2();
    for (std::uint16_t i = 0; i < count; ++i) {
        KeyValue kv;
        r.UB4();
        kv.key = r.ClrText();
        kv.value = r.Lclr();
        kv.flags = r.UB4();
        response.keyValues.push_back(std::move(kv));
    }
}

void ReadReturnParameters(ByteReader& r) {
    const auto numbers = r.UB2();
    for (std::uint16_t i = 0; i < numbers; ++i) r.UB4();
    r.Skip(r.UB2());  // al8txl
    const auto pairs = r.UB2();
    for (std::uint16_t i = 0; i < pairs; ++i) {
        if (r.UB2() > 0) r.SkipClr();  // key
        if (r.UB2() > 0) r.SkipClr();  // value
        r.UB2();                       // keyword number
    }
    r.Skip(r.UB2());  // registration
}

void ReadServerSidePiggyback(ByteReader& r) {
    const auto opcode = r.U8();
    switch (opcode) {
        case 1:  // query cache invalidation
        case 3:  // trace event
            return;
        case 2: {  // OS pid
            const auto n = r.UB2();
            r.U8();
            r.Skip(n);
            return;
        }
        case 4: {  // session return
            r.UB2();
            r.U8();
            const auto n = r.UB2();
            if (n > 0) {
                r.U8();
                for (std::uint16_t i = 0; i < n; ++i) {
                    if (r.UB2() > 0) r.SkipClr();
                    if (r.UB2() > 0) r.SkipClr();
                    r.UB2();
                }
            }
            r.UB4();
            r.UB4();
            r.UB2();
            return;
        }
        case 5: {  // session state sync
            r.UB2();
            r.U8();
            const auto n = r.UB4();
            r.U8();
            for (std::uint32_t i = 0; i < n; ++i) {
                if (r.UB2() > 0) r.SkipClr();
                if (r.UB2() > 0) r.SkipClr();
                r.UB2();
            }
            r.UB4();
            return;
        }
        case 7:  // LTXID
            if (r.UB4() > 0) r.SkipClr();
            return;
        case 8:  // application continuity replay context
            r.UB2();
            r.U8();
            r.UB4();
            r.UB4();
            r.U8();
            if (r.UB4() > 0) r.SkipClr();
            return;
        case 9:  // extended sync
            r.UB2();
            r.U8();
            return;
        case 10:  // session signature
            r.UB2();
            r.U8();
            r.UB8();
            r.UB8();
            r.UB8();
            return;
        default: ThrowProtocol("unknown server-side piggyback opcode " + std::to_string(opcode));
    }
}

void SkipBatchArray(ByteReader& r, std::uint32_t count, bool wide) {
    if (count == 0) return;
    const bool chunked = r.U8() == 0xFE;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (chunked) r.UB4();
        if (wide) {
            r.UB4();
        } else {
            r.UB2();
        }
    }
    if (chunked) r.U8();
}

void ReadIoVector(ByteReader& r) {
    r.U8();
    const auto requests = r.UB2();
    const auto iterations = r.UB4();
    r.UB4();
    r.UB2();
    r.Skip(r.UB2());  // bit vector
    r.Skip(r.UB2());  // rowid
    const std::uint64_t binds = std::uint64_t{iterations} * 256 + requests;
    if (binds > 65535) ThrowProtocol("IO vector for " + std::to_string(binds) + " binds");
    r.Skip(static_cast<std::size_t>(binds));  // one direction byte per bind
}

}  // namespace

ProtocolInfo ReadProtocolReply(ByteReader& r) {
    if (const auto t = r.U8(); t != message::kProtocol) {
        ThrowProtocol("expected the PROTOCOL reply, got message type " + std::to_string(t));
    }
    ProtocolInfo info;
    info.serverVersion = r.U8();
    r.U8();
    info.banner = r.CString(kMaxBannerLength);
    info.charsetId = r.U16LE();
    r.U8();  // server flags
    const auto elements = r.U16LE();
    r.Skip(std::size_t{elements} * 5);
    const auto fdo = r.Raw(r.U16BE());
    if (fdo.size() > 6) {
        const std::size_t i = 6u + fdo[5] + fdo[6];
        if (i + 4 < fdo.size()) info.nationalCharsetId = static_cast<std::uint16_t>(fdo[i + 3] << 8 | fdo[i + 4]);
    }
    info.compileCaps = r.Clr().value_or(std::vector<std::uint8_t>{});
    info.runtimeCaps = r.Clr().value_or(std::vector<std::uint8_t>{});
    return info;
}

void ReadDataTypesReply(ByteReader& r, std::size_t zoneBytes) {
    if (const auto t = r.U8(); t != message::kDataTypes) {
        ThrowProtocol("expected the DATA_TYPES reply, got message type " + std::to_string(t));
    }
    r.Skip(zoneBytes);
    for (std::size_t entries = 0;; ++entries) {
        if (entries > 65535) ThrowProtocol("DATA_TYPES reply without end");
        if (r.U16BE() == 0) return;
        if (r.U16BE() != 0) r.Skip(4);
    }
}

ServerError ReadError(ByteReader& r, std::uint8_t fieldVersion) {
    ServerError e;
    e.callStatus = r.UB4();
    r.UB2();  // end-to-end sequence number
    r.UB4();  // current row number
    r.UB2();  // old error number
    r.UB2();  // array element errors
    r.UB2();
    e.cursorId = r.UB2();
    e.position = r.SB2();
    r.Skip(6);  // SQL type, fatal, flags, user cursor options, UPI parameter, warning flags
    r.UB4();    // rowid: block address, partition, table, block, slot
    r.UB2();
    r.U8();
    r.UB4();
    r.UB2();
    r.UB4();  // OS error
    r.U8();   // statement number
    r.U8();   // call number
    r.UB2();  // padding
    r.UB4();  // successful iterations
    if (r.UB4() > 0) r.SkipClr();  // logical rowid
    const auto codes = r.UB2();
    SkipBatchArray(r, codes, false);
    SkipBatchArray(r, r.UB4(), true);
    const auto messages = r.UB2();
    if (messages > 0) {
        r.U8();
        for (std::uint16_t i = 0; i < messages; ++i) {
            r.UB2();
            r.SkipClr();
            r.Skip(2);
        }
    }
    e.number = r.UB4();
    e.rowCount = r.UB8();
    if (fieldVersion >= kFieldVersion20_1) {
        r.UB4();  // SQL type
        r.UB4();  // server checksum
    }
    if (e.number != 0) e.message = TrimNewline(r.ClrText());
    return e;
}

Response ReadResponse(ByteReader& r, ResponseContext& ctx) {
    Response response;
    std::vector<std::uint8_t> bitVector;
    for (;;) {
        const auto type = r.U8();
        response.messages.push_back(type);
        switch (type) {
            case message::kError:
                response.error = ReadError(r, ctx.fieldVersion);
                if (!ctx.endOfRequestMode) return response;
                break;
            case message::kStatus:
                response.error.callStatus = r.UB4();
                r.UB2();
                if (!ctx.endOfRequestMode) return response;
                break;
            case message::kFlushOutBinds:
                if (!ctx.endOfRequestMode) return response;
                break;
            case message::kEndOfRequest:
                return response;
            case message::kWarning: {
                Warning w;
                w.number = r.UB2();
                const auto length = r.UB2();
                r.UB2();
                if (w.number != 0 && length > 0) w.message = TrimNewline(r.ClrText());
                response.warnings.push_back(std::move(w));
                break;
            }
            case message::kParameter:
                switch (ctx.parameters) {
                    case ParameterLayout::KeyValues: ReadKeyValues(r, response); break;
                    case ParameterLayout::ReturnParameters: ReadReturnParameters(r); break;
                    case ParameterLayout::Version:
                        if (r.UB2() > 0) response.banner = r.ClrText();
                        r.UB4();
                        break;
                    case ParameterLayout::LobOperation:
                        response.lobLocator = r.Raw(ctx.lobLocatorSize);
                        if (ctx.lobAmount) response.lobAmount = r.SB8();
                        break;
                }
                break;
            case message::kServerSidePiggyback:
                ReadServerSidePiggyback(r);
                break;
            case message::kDescribeInfo:
                ctx.columns = ReadDescribe(r, ctx.fieldVersion, ctx.compressedPrecision);
                ctx.previousRow.clear();
                response.described = true;
                break;
            case message::kRowHeader:
                r.U8();   // flags
                r.UB2();  // requests
                r.UB4();  // iteration
                r.UB4();  // iterations
                r.UB2();  // buffer length
                if (r.UB4() > 0) bitVector = r.Clr().value_or(std::vector<std::uint8_t>{});
                if (r.UB4() > 0) r.SkipClr();  // rxhrid
                break;
            case message::kBitVector:
                bitVector = ReadBitVectorMessage(r, ctx.columns.size());
                break;
            case message::kRowData: {
                Row row;
                row.reserve(ctx.columns.size());
                for (std::size_t i = 0; i < ctx.columns.size(); ++i) {
                    const bool repeated = i / 8 < bitVector.size() && (bitVector[i / 8] & (1u << (i % 8))) == 0;
                    if (repeated) {
                        if (i >= ctx.previousRow.size()) ThrowProtocol("bit vector repeats a value before any row");
                        row.push_back(ctx.previousRow[i]);
                    } else {
                        row.push_back(ReadCell(r, ctx.columns[i], ctx.maxStringSize));
                    }
                }
                bitVector.clear();
                ctx.previousRow = row;
                response.rows.push_back(std::move(row));
                break;
            }
            case message::kLobData: {
                if (!ctx.lobSink) ThrowProtocol("LOB data in a reply that asked for none");
                r.ClrTo([&](std::span<const std::uint8_t> piece) {
                    response.lobBytes += piece.size();
                    ctx.lobSink(piece);
                });
                break;
            }
            case message::kIoVector:
                ReadIoVector(r);
                break;
            default:
                ThrowProtocol("unexpected TTC message type " + std::to_string(type));
        }
    }
}

}  // namespace oracle::wire
