#pragma once
// The listener's part of a connection: CONNECT (descriptor inside or in the next DATA packet),
// RESEND on request, REFUSE for an unknown SID or service, ACCEPT with the negotiated TNS
// version and SDU, and the network-option exchange answered "all services off".
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "testdb/Faults.h"
#include "testdb/tns/Channel.h"

namespace testdb::tns {

struct ListenerSettings {
    std::string sid;
    std::vector<std::string> services;
    std::uint32_t maxTnsVersion = 318;
    std::uint32_t maxSdu = 2 * 1024 * 1024;
};

struct AcceptedConnection {
    std::uint32_t version = 0;
    std::uint32_t sdu = 0;
    std::string descriptor;
};

// Nothing when the client was refused (the REFUSE has been sent).
std::optional<AcceptedConnection> Handshake(Channel& channel, const ListenerSettings& settings, FaultClock& faults);

// "(SID=..)" or "(SERVICE_NAME=..)" of a connect descriptor, matched case-insensitively.
std::optional<std::string> DescriptorValue(const std::string& descriptor, const std::string& key);

// First DATA payload after ACCEPT when the client negotiates network options.
bool IsNetworkOptionRequest(std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> NetworkOptionsAllOff();

}  // namespace testdb::tns
