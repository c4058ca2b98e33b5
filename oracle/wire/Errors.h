#pragma once
// Error classes of the Oracle Net code. All derive from the toolkit's EDatabaseError, so the
// program's handlers treat them like any other data-access error.
//   EOraError          the server or listener reported ORA-nnnnn (ErrorCode() gives nnnnn)
//   EOraProtocolError  bytes from the peer do not follow the protocol (the message says what)
//   EOraNetworkError   the connection could not be made, was closed, or timed out
//   EOraNotSupported   the server asks for something this client deliberately does not do
#include <string_view>

#include "toolkit/Exception.h"

namespace oracle {

class EOraError : public toolkit::EDatabaseError {
public:
    EOraError(int code, toolkit::String message)
        : toolkit::EDatabaseError(std::move(message)), code_(code) {}
    int ErrorCode() const noexcept { return code_; }
    const char* ClassName() const noexcept override { return "EOraError"; }

private:
    int code_;
};

TOOLKIT_DECLARE_EXCEPTION(EOraProtocolError, toolkit::EDatabaseError);
TOOLKIT_DECLARE_EXCEPTION(EOraNetworkError, toolkit::EDatabaseError);
TOOLKIT_DECLARE_EXCEPTION(EOraNotSupported, toolkit::EDatabaseError);

// Raise with a UTF-8 message (protocol texts are ASCII or UTF-8).
[[noreturn]] void ThrowProtocol(std::string_view message);
[[noreturn]] void ThrowNetwork(std::string_view message);

}  // namespace oracle
