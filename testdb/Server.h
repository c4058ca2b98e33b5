#pragma once
// The listening server: accepts connections on a loopback address, serves each on a thread of
// its own, and stops cleanly on SIGINT or SIGTERM (closing the connections still open).
#include "testdb/Log.h"
#include "testdb/Options.h"

namespace testdb {

// Blocks until a stop signal arrives. Raises ETestDbError when it cannot listen.
void Serve(const ServeOptions& options, Log& log);

}  // namespace testdb
