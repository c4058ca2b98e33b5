#pragma once
// TNS packets over a connection: sends requests cut at the negotiated SDU, receives packets in
// the framing in force, and serves the DATA payloads of a reply as a ByteSource to the TTC
// reader. CONTROL packets are consumed here; a server MARKER (break) is answered with a reset
// and reported as EOraReplyBroken so the caller reads the reply again from the start.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "oracle/net/Connection.h"
#include "oracle/wire/ByteReader.h"
#include "oracle/wire/Errors.h"
#include "oracle/wire/Packet.h"

namespace oracle::client {

TOOLKIT_DECLARE_EXCEPTION(EOraReplyBroken, EOraProtocolError);

class Transport : public wire::ByteSource {
public:
    explicit Transport(std::unique_ptr<net::Connection> connection);

    void SwitchToLongLengths() { assembler_.SetForm(wire::LengthForm::Long); }
    void SetSdu(std::uint32_t sdu) { sdu_ = sdu; }

    void SendPacket(std::span<const std::uint8_t> packet);
    // A TTC request: one or more DATA packets. Starts a new reply.
    void SendRequest(std::span<const std::uint8_t> payload);
    void SendEof();
    wire::Packet ReceivePacket();

    // The next DATA payload of the reply being read.
    std::span<const std::uint8_t> Next() override;
    // True when the last payload handed out has been read to its end and no packet is pending.
    bool ReplyComplete(const wire::ByteReader& reader) const;

private:
    void ResetAfterBreak();

    std::unique_ptr<net::Connection> connection_;
    wire::PacketAssembler assembler_{wire::LengthForm::Short};
    std::vector<std::uint8_t> receiveBuffer_;
    std::optional<wire::Packet> current_;
    std::uint32_t sdu_ = 2048;
};

}  // namespace oracle::client
