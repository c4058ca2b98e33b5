// Fetched values as the fields present them, for the column types a "select *" may bring.
#include <gtest/gtest.h>

#include "oracle/client/Values.h"
#include "oracle/wire/Number.h"
#include "oracle/wire/Ttc.h"
#include "toolkit/Exception.h"

namespace oracle::client {
namespace {

namespace type = wire::type;
using Bytes = std::vector<std::uint8_t>;

wire::Cell Value(Bytes bytes) { return {false, std::move(bytes), std::nullopt}; }

TEST(Values, TextOfEachColumnType) {
    struct Case {
        std::uint8_t type;
        std::uint8_t form;
        Bytes bytes;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {type::kVarchar, 1, {0xD0, 0x9F, 0xD1, 0x80, 'x'}, u"Прx"},
        {type::kVarchar, 2, {0x04, 0x1F, 0x00, 'x'}, u"Пx"},  // NVARCHAR2 arrives as UTF-16BE
        {type::kChar, 1, {'a', ' ', ' '}, u"a  "},
        {type::kNumber, 0, wire::EncodeNumber("-123.456"), u"-123.456"},
        {type::kDate, 0, {120, 124, 12, 31, 24, 60, 60}, u"2024-12-31 23:59:59"},
        // SYSTIMESTAMP as the real 23ai server sent it: 2026-06-08 20:38:28.89... UTC.
        {type::kTimestampTz, 0, {0x78, 0x7E, 0x06, 0x08, 0x15, 0x27, 0x1D, 0x35, 0xA2, 0x9B, 0x28, 0x14, 0x3C},
         u"2026-06-08 20:38:28.899849 +00:00"},
        {type::kTimestamp, 0, {120, 126, 1, 2, 4, 5, 6}, u"2026-01-02 03:04:05"},
        {type::kBinaryDouble, 0, {0xC0, 0x04, 0, 0, 0, 0, 0, 0}, u"2.5"},
        {type::kBinaryDouble, 0, {0x3F, 0xFB, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, u"-2.5"},
        {type::kBinaryFloat, 0, {0xBF, 0xC0, 0, 0}, u"1.5"},
        {type::kRaw, 0, {0xDE, 0xAD, 0x01}, u"DEAD01"},
        {type::kRowid, 0, {'A', 'A', 'B'}, u"AAB"},
        {type::kBoolean, 0, {1}, u"True"},
    };
    for (const auto& c : cases) {
        wire::Column column;
        column.type = c.type;
        column.charsetForm = c.form;
        column.name = "C";
        EXPECT_EQ(CellText(column, Value(c.bytes)), c.text) << static_cast<int>(c.type);
    }
}

TEST(Values, IntegersAndNulls) {
    wire::Column number{type::kNumber};
    number.name = "ID";
    EXPECT_EQ(CellInteger(number, Value(wire::EncodeNumber("2147483647"))), 2147483647);
    EXPECT_EQ(CellInteger(number, Value(wire::EncodeNumber("-2147483648"))), INT32_MIN);
    EXPECT_EQ(CellInteger(number, wire::Cell{}), 0);
    EXPECT_EQ(CellText(number, wire::Cell{}), u"");
    for (const char* bad : {"2147483648", "1.5", "-2147483649"}) {
        try {
            CellInteger(number, Value(wire::EncodeNumber(bad)));
            ADD_FAILURE() << bad;
        } catch (const toolkit::EConvertError& e) {
            EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
        }
    }
    wire::Column text{type::kVarchar};
    text.charsetForm = 1;
    EXPECT_THROW(CellInteger(text, Value({'4', '2'})), toolkit::EConvertError);
    wire::Column blob{type::kBlob};
    EXPECT_THROW(CellText(blob, wire::Cell{false, {}, wire::LobLocator{}}), toolkit::EConvertError);
}

}  // namespace
}  // namespace oracle::client
