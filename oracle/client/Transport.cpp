#include "oracle/client/Transport.h"

#include <string>

#include "oracle/wire/Connect.h"

namespace oracle::client {
namespace {

constexpr std::size_t kReceiveBufferSize = 256 * 1024;
constexpr std::uint16_t kControlError = 8;
constexpr std::uint32_t kControlSessionShutdown = 12572;

std::uint32_t Be32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

// A CONTROL packet either carries an error that ends the session or is a notice to skip.
void HandleControl(const wire::Packet& p) {
    const auto b = p.Body();
    if (b.size() < 2 || (b[0] << 8 | b[1]) != kControlError) return;
    if (b.size() < 14) ThrowProtocol("CONTROL packet cut short");
    const auto emfi = Be32(b, 2);
    const auto err = Be32(b, 6);
    if (err == kControlSessionShutdown) ThrowNetwork("the server shut the session down");
    if (err == 0 || err == 12573) return;  // in-band message, informational
    const auto code = std::to_string(err);
    const auto text = (emfi == 22 ? "ORA-" : "TNS-") + std::string(5 - std::min<std::size_t>(5, code.size()), '0') + code;
    throw EOraError(static_cast<int>(err), toolkit::Utf8ToString(text + ": error reported by the server"));
}

}  // namespace

Transport::Transport(std::unique_ptr<net::Connection> connection)
    : connection_(std::move(connection)), receiveBuffer_(kReceiveBufferSize) {}

void Transport::SendPacket(std::span<const std::uint8_t> packet) { connection_->SendAll(packet); }

void Transport::SendRequest(std::span<const std::uint8_t> payload) {
    current_.reset();
    for (const auto& packet : wire::SplitIntoDataPackets(payload, sdu_, assembler_.Form())) {
        connection_->SendAll(packet);
    }
}

void Transport::SendEof() {
    connection_->SendAll(wire::BuildDataPacket(wire::kDataFlagEof, {}, assembler_.Form()));
}

wire::Packet Transport::ReceivePacket() {
    for (;;) {
        if (auto p = assembler_.Next()) return std::move(*p);
        const auto n = connection_->Receive(receiveBuffer_);
        assembler_.Feed(std::span(receiveBuffer_).first(n));
    }
}

void Transport::ResetAfterBreak() {
    connection_->SendAll(wire::BuildMarker(wire::kMarkerReset, assembler_.Form()));
    for (;;) {
        const auto p = ReceivePacket();
        if (p.type == wire::PacketType::Marker && wire::MarkerData(p) == wire::kMarkerReset) return;
    }
}

std::span<const std::uint8_t> Transport::Next() {
    for (;;) {
        current_ = ReceivePacket();
        switch (current_->type) {
            case wire::PacketType::Data:
                if (current_->DataFlags() & wire::kDataFlagEof) ThrowNetwork("the server closed the session");
                if (!current_->DataPayload().empty()) return current_->DataPayload();
                break;
            case wire::PacketType::Control:
                HandleControl(*current_);
                break;
            case wire::PacketType::Marker:
                ResetAfterBreak();
                throw EOraReplyBroken(u"the server broke off its reply");
            default:
                ThrowProtocol("unexpected TNS packet of type " + std::to_string(static_cast<int>(current_->type)) +
                              " in a reply");
        }
    }
}

bool Transport::ReplyComplete(const wire::ByteReader& reader) const {
    return reader.AtEnd() && assembler_.Buffered() == 0;
}

}  // namespace oracle::client
