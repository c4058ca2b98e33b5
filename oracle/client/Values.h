#pragma once
// Reading fetched values the way the toolkit's fields present them: as text (UTF-16) and as
// 32-bit integers. Text columns arrive in UTF-8 (national ones in UTF-16BE), whatever the
// database's own character set, because the session asks the server for UTF-8.
#include <cstdint>
#include <optional>

#include "oracle/wire/ServerMessages.h"
#include "toolkit/String.h"

namespace oracle::client {

// Raises toolkit::EConvertError for values with no text form here (LOBs).
toolkit::String CellText(const wire::Column& column, const wire::Cell& cell);
// NULL reads as 0; anything but an integral NUMBER within 32 bits raises toolkit::EConvertError.
std::int32_t CellInteger(const wire::Column& column, const wire::Cell& cell);

}  // namespace oracle::client
