// libFuzzer target over the decoders of everything a server or listener sends. The first byte
// picks the decoder and the context (field version, parameter layout, modes), the second how
// the rest is cut into pieces, so values also cross piece boundaries as they do across packets.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "oracle/wire/ByteReader.h"
#include "oracle/wire/Connect.h"
#include "oracle/wire/Errors.h"
#include "oracle/wire/Number.h"
#include "oracle/wire/Packet.h"
#include "oracle/wire/ServerMessages.h"
#include "toolkit/Exception.h"

namespace {

using namespace oracle::wire;

class Pieces : public ByteSource {
public:
    Pieces(std::span<const std::uint8_t> data, std::size_t size) : data_(data), size_(size) {}
    std::span<const std::uint8_t> Next() override {
        if (at_ >= data_.size()) oracle::ThrowProtocol("end of input");
        const auto n = std::min(size_, data_.size() - at_);
        const auto piece = data_.subspan(at_, n);
        at_ += n;
        return piece;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void Decode(std::uint8_t selector, std::uint8_t cut, std::span<const std::uint8_t> data) {
    static constexpr std::uint8_t kFieldVersions[] = {7, 8, 9, 11, 13, 14, 17, 18, 20, 24};
    Pieces pieces(data, cut == 0 ? data.size() + 1 : cut);
    ByteReader r(pieces);
    switch (selector % 8) {
        case 0:
            ReadProtocolReply(r);
            break;
        case 1:
            ReadDataTypesReply(r, (selector & 0x10) ? 11 : 0);
            break;
        case 2: {  // listener packets, as the client reads them before the ACCEPT
            PacketAssembler a(LengthForm::Short);
            a.Feed(data);
            while (auto p = a.Next()) {
                if (p->type == PacketType::Accept) ParseAccept(*p);
                if (p->type == PacketType::Refuse) ListenerErrorCode(ParseRefuse(*p).text);
                if (p->type == PacketType::Redirect) DescriptorAddress(ParseRedirect(*p).text);
                if (p->type == PacketType::Marker) MarkerData(*p);
            }
            break;
        }
        case 3:
            DecodeNumber(data);
            NumberToInt64(data);
            break;
        default: {  // a call's response in one of its contexts
            ResponseContext ctx;
            ctx.fieldVersion = kFieldVersions[(selector >> 3) % std::size(kFieldVersions)];
            ctx.parameters = static_cast<ParameterLayout>(selector % 4);
            ctx.endOfRequestMode = (selector & 0x80) != 0;
            ctx.compressedPrecision = (selector & 0x40) != 0;
            ctx.lobLocatorSize = cut % 100;
            ctx.lobAmount = (cut & 1) != 0;
            ctx.lobSink = [](std::span<const std::uint8_t>) {};
            // Two responses in a row: the second sees the first one's columns and last row.
            ReadResponse(r, ctx);
            ReadResponse(r, ctx);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    try {
        Decode(data[0], data[1], std::span(data + 2, size - 2));
    } catch (const toolkit::Exception&) {
        // Malformed input must end in one of our own errors; anything else is a finding.
    }
    return 0;
}
