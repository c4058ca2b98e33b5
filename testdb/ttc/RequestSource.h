#pragma once
// The client's TTC byte stream: payloads of consecutive DATA packets. The EOF DATA packet ends
// the connection; MARKER packets (break/reset) are answered as a server does.
#include "oracle/wire/ByteReader.h"
#include "oracle/wire/Packet.h"
#include "testdb/tns/Channel.h"

namespace testdb::ttc {

TOOLKIT_DECLARE_EXCEPTION(EClientBreak, ETestDbError);

class RequestSource : public oracle::wire::ByteSource {
public:
    explicit RequestSource(tns::Channel& channel) : channel_(channel) {}
    std::span<const std::uint8_t> Next() override;

private:
    tns::Channel& channel_;
    oracle::wire::Packet current_;
};

}  // namespace testdb::ttc
