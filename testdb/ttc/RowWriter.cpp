#include "testdb/ttc/RowWriter.h"

#include <charconv>
#include <variant>

#include "oracle/wire/Number.h"
#include "testdb/sql/ColumnType.h"
#include "testdb/sql/OraError.h"
#include "testdb/ttc/Locator.h"
#include "testdb/ttc/ServerMessages.h"

namespace testdb::ttc {
namespace {

using oracle::wire::ByteWriter;
using sql::OraType;

constexpr std::size_t kStreamChunk = 64 * 1024;

std::string DoubleText(double value) {
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : std::string("0");
}

sql::EOraServerError InvalidNumber() { return {1722, sql::OraText(1722, "invalid number")}; }

std::vector<std::uint8_t> NumberBytes(const sql::Value& value) {
    try {
        if (auto i = std::get_if<std::int64_t>(&value)) return oracle::wire::EncodeNumber(*i);
        if (auto d = std::get_if<double>(&value)) return oracle::wire::EncodeNumber(DoubleText(*d));
        if (auto s = std::get_if<std::string>(&value)) return oracle::wire::EncodeNumber(*s);
    } catch (const toolkit::EConvertError&) {
    }
    throw InvalidNumber();
}

std::string Text(const sql::Value& value) {
    if (auto s = std::get_if<std::string>(&value)) return *s;
    if (auto i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
    if (auto d = std::get_if<double>(&value)) return DoubleText(*d);
    if (auto b = std::get_if<sql::Bytes>(&value)) {
        // Oracle shows RAW as hex text.
        static const char digits[] = "0123456789ABCDEF";
        std::string hex;
        for (auto byte : *b) {
            hex += digits[byte >> 4];
            hex += digits[byte & 15];
        }
        return hex;
    }
    return {};
}

double Real(const sql::Value& value) {
    if (auto i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
    if (auto d = std::get_if<double>(&value)) return *d;
    if (auto s = std::get_if<std::string>(&value)) {
        double parsed = 0;
        auto [end, ec] = std::from_chars(s->data(), s->data() + s->size(), parsed);
        if (ec == std::errc() && end == s->data() + s->size()) return parsed;
    }
    throw InvalidNumber();
}

// Bytes of a BLOB cell, streamed as a long-form CLR.
void StreamStoredBlob(tns::ResponseStream& out, ByteWriter& w, const sql::StoredBlob& blob, sqlite::Database& db) {
    if (blob.size == 0) {
        w.U8(0);
        return;
    }
    sqlite::Blob cell(db.Handle(), blob.table, blob.column, blob.rowid, false);
    std::vector<std::uint8_t> chunk(kStreamChunk);
    w.U8(oracle::wire::kClrLongForm);
    for (std::int64_t offset = 0; offset < blob.size;) {
        const auto take = static_cast<std::size_t>(std::min<std::int64_t>(blob.size - offset, kStreamChunk));
        cell.Read(std::span(chunk).first(take), offset);
        w.UB4(static_cast<std::uint32_t>(take));
        out.Put(w);
        out.Put(std::span(chunk).first(take));
        offset += take;
    }
    w.UB4(0);
}

void WriteLocator(ByteWriter& w, const LobAddress& address, std::int64_t size, std::int64_t lie) {
    const auto locator = EncodeLocator(address);
    w.UB4(static_cast<std::uint32_t>(locator.size()));
    w.UB8(static_cast<std::uint64_t>(std::max<std::int64_t>(0, size + lie)));
    w.UB4(kLobChunkSize);
    w.Clr(locator);
}

void WriteBlobColumn(ByteWriter& w, const sql::Value& value, RowContext& context) {
    if (auto stored = std::get_if<sql::StoredBlob>(&value)) {
        WriteLocator(w, {stored->table, stored->column, stored->rowid}, stored->size, context.lobLengthLie);
    } else if (auto bytes = std::get_if<sql::Bytes>(&value)) {
        context.heldLobs.push_back(*bytes);
        const auto index = static_cast<std::int64_t>(context.heldLobs.size() - 1);
        WriteLocator(w, {"", "", index}, static_cast<std::int64_t>(bytes->size()), context.lobLengthLie);
    } else if (std::holds_alternative<sql::Null>(value)) {
        w.UB4(0);
    } else {
        const std::string text = Text(value);
        context.heldLobs.emplace_back(text.begin(), text.end());
        const auto index = static_cast<std::int64_t>(context.heldLobs.size() - 1);
        WriteLocator(w, {"", "", index}, static_cast<std::int64_t>(text.size()), context.lobLengthLie);
    }
}

void WriteLongRaw(tns::ResponseStream& out, ByteWriter& w, const sql::Value& value, RowContext& context) {
    if (auto stored = std::get_if<sql::StoredBlob>(&value)) {
        StreamStoredBlob(out, w, *stored, context.db);
    } else if (auto bytes = std::get_if<sql::Bytes>(&value)) {
        w.Clr(*bytes);
    } else if (std::holds_alternative<sql::Null>(value)) {
        w.U8(0);
    } else {
        w.Clr(Text(value));
    }
    w.SB4(0);  // indicator
    w.UB4(0);  // return code
}

}  // namespace

void WriteRow(tns::ResponseStream& out, ByteWriter& w, const sql::Row& row, const std::vector<std::uint8_t>& types,
              RowContext& context) {
    // Convert the numbers first so that an ORA-01722 leaves no half-written row behind.
    std::vector<std::vector<std::uint8_t>> numbers(row.size());
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (types[i] == static_cast<std::uint8_t>(OraType::Number) && !std::holds_alternative<sql::Null>(row[i]))
            numbers[i] = NumberBytes(row[i]);
    }
    w.U8(kRowData);
    for (std::size_t i = 0; i < row.size(); ++i) {
        const sql::Value& value = row[i];
        const std::uint8_t type = types[i];
        const bool isNull = std::holds_alternative<sql::Null>(value);
        switch (type) {
            case static_cast<std::uint8_t>(OraType::Number):
                if (isNull) w.U8(0);
                else w.Clr(numbers[i]);
                break;
            case static_cast<std::uint8_t>(OraType::BinaryDouble):
                if (isNull) w.U8(0);
                else w.Clr(EncodeBinaryDouble(Real(value)));
                break;
            case static_cast<std::uint8_t>(OraType::BinaryFloat):
                if (isNull) w.U8(0);
                else w.Clr(EncodeBinaryFloat(static_cast<float>(Real(value))));
                break;
            case static_cast<std::uint8_t>(OraType::Raw):
                if (auto bytes = std::get_if<sql::Bytes>(&value)) w.Clr(*bytes);
                else w.Clr(Text(value));
                break;
            case kTypeBlob: WriteBlobColumn(w, value, context); break;
            case kTypeLongRaw: WriteLongRaw(out, w, value, context); break;
            case kTypeLong:
                w.Clr(Text(value));
                w.SB4(0);
                w.UB4(0);
                break;
            default:  // VARCHAR2, CHAR and anything else a client may ask for: text
                w.Clr(Text(value));
                break;
        }
    }
    out.Put(w);
}

}  // namespace testdb::ttc
