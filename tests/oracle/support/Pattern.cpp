#include "support/Testdb.h"

namespace oracle::test {

std::string PatternBytes(std::uint64_t size) {
    std::string out(size, '\0');
    for (std::uint64_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 131 + i / 65536) % 251);
    return out;
}

}  // namespace oracle::test
