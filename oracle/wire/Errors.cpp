#include "oracle/wire/Errors.h"

namespace oracle {

void ThrowProtocol(std::string_view message) {
    throw EOraProtocolError(toolkit::Utf8ToString(message));
}

void ThrowNetwork(std::string_view message) {
    throw EOraNetworkError(toolkit::Utf8ToString(message));
}

}  // namespace oracle
