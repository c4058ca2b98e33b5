#pragma once
// One client connection at the TNS level: whole packets in, packets out (split at the SDU),
// with the send-side faults applied (rate limit, drop after N bytes) and byte counters kept.
#include <cstdint>
#include <span>
#include <stop_token>
#include <vector>

#include "oracle/wire/Packet.h"
#include "testdb/Error.h"
#include "testdb/Faults.h"

namespace testdb::tns {

// The connection is over: the client closed it, or the server dropped it on purpose.
TOOLKIT_DECLARE_EXCEPTION(EConnectionEnded, ETestDbError);

class Channel {
public:
    Channel(int fd, const FaultPlan& faults, std::stop_token stop);

    oracle::wire::Packet ReadPacket();
    void Send(std::span<const std::uint8_t> bytes);
    void SendPacket(oracle::wire::PacketType type, std::uint8_t flags, std::span<const std::uint8_t> body);
    // A TTC response, cut into DATA packets no longer than the SDU.
    void SendData(std::span<const std::uint8_t> payload);

    // Closes the connection at once and raises EConnectionEnded.
    [[noreturn]] void Drop(std::string_view why);
    // Sends nothing for the given time; returns early when the server stops.
    void Stall(double seconds);

    void SwitchToLongLengths() { form_ = oracle::wire::LengthForm::Long; assembler_.SetForm(form_); }
    oracle::wire::LengthForm Form() const { return form_; }
    void SetSdu(std::uint32_t sdu) { sdu_ = sdu; }
    std::uint32_t Sdu() const { return sdu_; }

    std::uint64_t BytesIn() const { return bytesIn_; }
    std::uint64_t BytesOut() const { return bytesOut_; }

private:
    void Write(std::span<const std::uint8_t> bytes);
    void Pace(std::size_t bytes);

    int fd_;
    const FaultPlan& faults_;
    std::stop_token stop_;
    oracle::wire::LengthForm form_ = oracle::wire::LengthForm::Short;
    oracle::wire::PacketAssembler assembler_{oracle::wire::LengthForm::Short};
    std::vector<std::uint8_t> readBuffer_;
    std::uint32_t sdu_ = 2048;
    std::uint64_t bytesIn_ = 0;
    std::uint64_t bytesOut_ = 0;
    std::int64_t paceStartNs_ = -1;
};

}  // namespace testdb::tns
