#pragma once
// Errors of the test database that are not ORA errors for a client: bad command lines, files
// that cannot be read, sockets that cannot be opened. They carry a message for the operator.
#include <string_view>

#include "toolkit/Exception.h"

namespace testdb {

TOOLKIT_DECLARE_EXCEPTION(ETestDbError, toolkit::Exception);

[[noreturn]] void Fail(std::string_view message);

}  // namespace testdb
