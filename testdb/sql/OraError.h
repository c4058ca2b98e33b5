#pragma once
// An error as the server reports it to a client: ORA number, full text ("ORA-00942: ..."), and
// the offset in the statement text for errors found while parsing.
#include <string>
#include <string_view>

#include "testdb/sqlite/Database.h"
#include "toolkit/Exception.h"

namespace testdb::sql {

class EOraServerError : public toolkit::Exception {
public:
    EOraServerError(int code, std::string text, int position = 0);
    int Code() const noexcept { return code_; }
    // "ORA-nnnnn: ..." without a trailing newline.
    const std::string& Text() const noexcept { return text_; }
    int Position() const noexcept { return position_; }
    const char* ClassName() const noexcept override { return "EOraServerError"; }

private:
    int code_;
    std::string text_;
    int position_;
};

// "ORA-00942: table or view does not exist" from 942 and the message part.
std::string OraText(int code, std::string_view message);

// What an Oracle server would answer for the mistake SQLite found in `sql`.
EOraServerError TranslateSqliteError(const sqlite::ESqliteError& error, std::string_view sql);

}  // namespace testdb::sql
