#pragma once
// One client connection from the first CONNECT to the close, with its log lines and counters.
#include <stop_token>

#include "testdb/Log.h"
#include "testdb/Options.h"
#include "testdb/net/Socket.h"

namespace testdb {

void ServeConnection(net::FileDescriptor socket, const ServeOptions& options, Log& log, std::stop_token stop);

}  // namespace testdb
