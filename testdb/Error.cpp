#include "testdb/Error.h"

namespace testdb {

void Fail(std::string_view message) { throw ETestDbError(toolkit::Utf8ToString(message)); }

}  // namespace testdb
