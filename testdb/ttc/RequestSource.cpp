#include "testdb/ttc/RequestSource.h"

#include "oracle/wire/Errors.h"

namespace testdb::ttc {

using oracle::wire::PacketType;

std::span<const std::uint8_t> RequestSource::Next() {
    for (;;) {
        current_ = channel_.ReadPacket();
        if (current_.type == PacketType::Marker) {
            // A client's break: confirm with a reset marker; the call then fails with ORA-01013.
            const std::uint8_t reset[3] = {1, 0, 2};
            channel_.SendPacket(PacketType::Marker, 0, reset);
            throw EClientBreak(u"client sent a break");
        }
        if (current_.type != PacketType::Data)
            oracle::ThrowProtocol("unexpected TNS packet type " + std::to_string(static_cast<int>(current_.type)));
        if (current_.bytes.size() < oracle::wire::kDataHeaderSize) oracle::ThrowProtocol("DATA packet without flags");
        if (current_.DataFlags() & oracle::wire::kDataFlagEof) throw tns::EConnectionEnded(u"client disconnected");
        const auto payload = current_.DataPayload();
        if (!payload.empty()) return payload;
    }
}

}  // namespace testdb::ttc
