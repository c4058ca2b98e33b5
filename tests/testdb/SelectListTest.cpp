// Which select-list items the test database takes for number literals: those get the literal's
// own size in a describe, so a wrong split would mis-size another column.
#include <gtest/gtest.h>

#include "testdb/sql/ColumnType.h"
#include "testdb/sql/SelectList.h"

namespace testdb::sql {
namespace {

using Literals = std::vector<std::optional<std::string>>;
constexpr std::nullopt_t no = std::nullopt;

TEST(SelectList, FindsBareNumberLiteralsAmongTheItems) {
    struct Case {
        const char* sql;
        std::size_t columns;
        Literals expected;
    };
    const Case cases[] = {
        {"SELECT 3.14 AS pi, 1234567.89 amount, -42 \"Neg, Col\", .25 FROM dual", 4, {"3.14", "1234567.89", "-42", ".25"}},
        {"select 1e3 as k, 7 fromage from dual", 2, {"1e3", "7"}},
        {"SELECT x, 'a,b', f(1, 2), 1+1, (5), 3.14pi, 9 FROM t", 7, {no, no, no, no, no, no, "9"}},
        {"SELECT 5 /* , */ -- , \n, 'it''s, here' FROM dual", 2, {"5", no}},
        {"SELECT *, 5 FROM t", 3, {no, no, no}},
        {"INSERT INTO t VALUES (1)", 1, {no}},
        {"  SELECT\n8\nFROM dual WHERE a IN (1, 2)", 1, {"8"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(NumberLiteralItems(c.sql, c.columns), c.expected);
    }
}

TEST(SelectList, LiteralColumnsAreSizedByTheirEncodedBytes) {
    // As a real server describes them: 3.14 is C1 04 0F, -1000000 is 3B 64 66 with its terminator.
    for (const auto& [literal, size] : {std::pair{"3.14", 3u}, {"1234567.89", 6u}, {"-1000000", 3u}, {"0", 1u}}) {
        SCOPED_TRACE(literal);
        const auto type = NumberLiteralType(literal);
        ASSERT_TRUE(type);
        EXPECT_EQ(type->type, OraType::Number);
        EXPECT_EQ(type->scale, -127);
        EXPECT_EQ(type->maxSize, size);
    }
    EXPECT_FALSE(NumberLiteralType("1e999"));
}

}  // namespace
}  // namespace testdb::sql
