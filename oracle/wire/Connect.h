#pragma once
// The listener phase: the CONNECT packet a client sends and the listener's answers (ACCEPT,
// REFUSE, REDIRECT). All of these use the 2-byte length form.
//
//   auto packets = BuildConnect({descriptor, 2097152, 2097152});   // 1 packet, or 2 if long
//   ... read one packet ...
//   if (p.type == PacketType::Accept) auto a = ParseAccept(p);
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "oracle/wire/Packet.h"

namespace oracle::wire {

constexpr std::uint16_t kTnsVersionDesired = 319;
constexpr std::uint16_t kTnsVersionMinimum = 300;
// Descriptors longer than this travel in a DATA packet behind the CONNECT.
constexpr std::size_t kMaxConnectDataInPacket = 230;
constexpr std::uint8_t kAcceptFlagNaDisabled = 0x04;
constexpr std::uint8_t kAcceptFlagNoNaServices = 0x08;
constexpr std::uint8_t kAcceptFlagNaRequired = 0x10;

struct ConnectRequest {
    std::string descriptor;
    std::uint32_t sdu = 8192;
    std::uint32_t tdu = 2097152;
    std::uint8_t headerFlags = 0;  // 0x04 when following a REDIRECT
};

// The CONNECT packet, plus a DATA packet with the descriptor when it is too long to fit.
std::vector<std::vector<std::uint8_t>> BuildConnect(const ConnectRequest& request);

struct AcceptInfo {
    std::uint16_t version = 0;
    std::uint16_t serviceOptions = 0;
    std::uint32_t sdu = 0;
    std::uint32_t tdu = 0;
    std::uint8_t flags0 = 0;
    std::uint8_t flags1 = 0;
    std::uint32_t flags2 = 0;
};

// Raises EOraProtocolError for a truncated packet.
AcceptInfo ParseAccept(const Packet& packet);

// REFUSE and REDIRECT may carry their text in the packet or announce it for a following DATA
// packet; `pendingData` tells how many bytes are still to come in that case.
struct ListenerText {
    std::string text;
    std::size_t pendingData = 0;
};
ListenerText ParseRefuse(const Packet& packet);
ListenerText ParseRedirect(const Packet& packet);

// The number after ERR= in a listener's text (or CODE= inside ERROR_STACK); nothing if absent.
std::optional<int> ListenerErrorCode(std::string_view text);
// HOST= and PORT= of the first ADDRESS in a descriptor.
std::optional<std::pair<std::string, std::uint16_t>> DescriptorAddress(std::string_view text);

// MARKER packet: type 1 (one data byte), data 1 = break, 2 = reset.
constexpr std::uint8_t kMarkerBreak = 1;
constexpr std::uint8_t kMarkerReset = 2;
std::vector<std::uint8_t> BuildMarker(std::uint8_t data, LengthForm form);
// The marker's data byte; raises for a truncated marker.
std::uint8_t MarkerData(const Packet& packet);

}  // namespace oracle::wire
