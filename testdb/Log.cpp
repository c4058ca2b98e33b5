#include "testdb/Log.h"

#include <cstdio>

namespace testdb {

void Log::Line(std::string_view text) {
    if (quiet_) return;
    std::lock_guard lock(mutex_);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace testdb
