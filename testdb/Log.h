#pragma once
// Log lines on stderr, whole lines only even when many connection threads write at once.
#include <mutex>
#include <string_view>

namespace testdb {

class Log {
public:
    explicit Log(bool quiet) : quiet_(quiet) {}
    void Line(std::string_view text);

private:
    bool quiet_;
    std::mutex mutex_;
};

}  // namespace testdb
