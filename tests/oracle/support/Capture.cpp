#include "Capture.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <stdexcept>
#include <tuple>

namespace oracle::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Reader {
    const Bytes& data;
    bool swap = false;
    std::uint32_t U32(std::size_t at) const {
        if (at + 4 > data.size()) throw std::runtime_error("capture cut short");
        std::uint32_t v = data[at] | data[at + 1] << 8 | data[at + 2] << 16 | static_cast<std::uint32_t>(data[at + 3]) << 24;
        return swap ? __builtin_bswap32(v) : v;
    }
    std::uint16_t U16(std::size_t at) const {
        if (at + 2 > data.size()) throw std::runtime_error("capture cut short");
        std::uint16_t v = static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
        return swap ? static_cast<std::uint16_t>(v >> 8 | v << 8) : v;
    }
};

struct Segment {
    std::string src, dst;
    std::uint32_t seq;
    Bytes payload;
};

std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
std::uint32_t Be32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// Decodes the IP and TCP headers of one frame; false for anything that is not TCP with data.
bool ParseFrame(std::uint32_t linkType, const std::uint8_t* p, std::size_t n, Segment& out) {
    std::size_t ip = 0;
    switch (linkType) {
        case 1:  // Ethernet, possibly VLAN-tagged
            ip = 14;
            if (n >= 18 && Be16(p + 12) == 0x8100) ip = 18;
            break;
        case 0:  // BSD loopback
            ip = 4;
            break;
        case 101:
        case 12:
        case 228:
            ip = 0;
            break;
        case 113:  // Linux cooked
            ip = 16;
            break;
        case 276:
            ip = 20;
            break;
        default: return false;
    }
    if (n < ip + 20) return false;
    const std::uint8_t* h = p + ip;
    std::size_t tcp = 0;
    std::string srcAddr, dstAddr;
    const int version = h[0] >> 4;
    std::size_t ipEnd = n;
    if (version == 4) {
        if (h[9] != 6) return false;
        tcp = ip + (h[0] & 0x0F) * 4u;
        ipEnd = std::min<std::size_t>(n, ip + Be16(h + 2));
        srcAddr.assign(reinterpret_cast<const char*>(h + 12), 4);
        dstAddr.assign(reinterpret_cast<const char*>(h + 16), 4);
    } else if (version == 6) {
        if (n < ip + 40 || h[6] != 6) return false;
        tcp = ip + 40;
        ipEnd = std::min<std::size_t>(n, ip + 40 + Be16(h + 4));
        srcAddr.assign(reinterpret_cast<const char*>(h + 8), 16);
        dstAddr.assign(reinterpret_cast<const char*>(h + 24), 16);
    } else {
        return false;
    }
    if (ipEnd < tcp + 20) return false;
    const std::uint8_t* t = p + tcp;
    const std::size_t payload = tcp + (t[12] >> 4) * 4u;
    if (payload >= ipEnd) return false;
    out.src = srcAddr + ":" + std::to_string(Be16(t));
    out.dst = dstAddr + ":" + std::to_string(Be16(t + 2));
    out.seq = Be32(t + 4);
    out.payload.assign(p + payload, p + ipEnd);
    return true;
}

std::vector<Segment> ReadSegments(const Bytes& data) {
    std::vector<Segment> segments;
    Reader r{data};
    if (data.size() < 24) throw std::runtime_error("not a capture file");
    const std::uint32_t magic = r.U32(0);
    if (magic == 0x0A0D0D0A) {  // pcapng
        std::vector<std::uint32_t> linkTypes;
        std::size_t at = 0;
        while (at + 12 <= data.size()) {
            const auto type = r.U32(at);
            if (type == 0x0A0D0D0A) {
                r.swap = false;
                if (r.U32(at + 8) != 0x1A2B3C4D) r.swap = true;
                linkTypes.clear();
            }
            const auto length = r.U32(at + 4);
            if (length < 12 || at + length > data.size()) throw std::runtime_error("pcapng block overruns file");
            if (type == 1) linkTypes.push_back(r.U16(at + 8));
            if (type == 6) {
                const auto iface = r.U32(at + 8);
                const auto captured = r.U32(at + 20);
                if (iface < linkTypes.size() && 28 + captured <= length) {
                    Segment s;
                    if (ParseFrame(linkTypes[iface], data.data() + at + 28, captured, s)) segments.push_back(std::move(s));
                }
            }
            at += length;
        }
        return segments;
    }
    if (magic == 0xA1B2C3D4 || magic == 0xA1B23C4D) {
        r.swap = false;
    } else if (magic == 0xD4C3B2A1 || magic == 0x4D3CB2A1) {
        r.swap = true;
    } else {
        throw std::runtime_error("not a pcap or pcapng file");
    }
    const auto linkType = r.U32(20);
    std::size_t at = 24;
    while (at + 16 <= data.size()) {
        const auto captured = r.U32(at + 8);
        if (at + 16 + captured > data.size()) break;
        Segment s;
        if (ParseFrame(linkType, data.data() + at + 16, captured, s)) segments.push_back(std::move(s));
        at += 16 + captured;
    }
    return segments;
}

// Appends a segment to a direction's stream, dropping bytes already seen (retransmissions).
struct Stream {
    Bytes bytes;
    bool started = false;
    std::uint32_t next = 0;
    std::size_t Append(const Segment& s) {
        if (!started) {
            started = true;
            next = s.seq;
        }
        const auto skip = static_cast<std::int32_t>(next - s.seq);
        if (skip < 0) throw std::runtime_error("capture is missing TCP data");
        if (static_cast<std::size_t>(skip) >= s.payload.size()) return 0;
        bytes.insert(bytes.end(), s.payload.begin() + skip, s.payload.end());
        next = s.seq + static_cast<std::uint32_t>(s.payload.size());
        return s.payload.size() - static_cast<std::size_t>(skip);
    }
};

struct Connection {
    std::string client, server;
    Stream toServer, toClient;
    std::vector<std::pair<Direction, std::size_t>> order;  // bytes appended per segment
};

}  // namespace

std::vector<RecordedConnection> ReadCapture(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + file.string());
    const Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<Connection> connections;
    std::map<std::pair<std::string, std::string>, std::size_t> index;
    for (const auto& s : ReadSegments(data)) {
        auto key = std::minmax(s.src, s.dst);
        auto it = index.find(key);
        if (it == index.end()) {
            it = index.emplace(key, connections.size()).first;
            connections.push_back({s.src, s.dst, {}, {}, {}});
        }
        auto& c = connections[it->second];
        const bool toServer = s.src == c.client;
        const auto added = (toServer ? c.toServer : c.toClient).Append(s);
        if (added > 0) c.order.emplace_back(toServer ? Direction::ToServer : Direction::ToClient, added);
    }
    std::vector<RecordedConnection> out;
    for (const auto& c : connections) {
        std::vector<Chunk> chunks;
        std::size_t fedServer = 0, fedClient = 0;
        for (const auto& [direction, count] : c.order) {
            auto& fed = direction == Direction::ToServer ? fedServer : fedClient;
            const auto& bytes = direction == Direction::ToServer ? c.toServer.bytes : c.toClient.bytes;
            chunks.push_back({direction, Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(fed),
                                               bytes.begin() + static_cast<std::ptrdiff_t>(fed + count))});
            fed += count;
        }
        out.push_back(FromChunks(chunks));
    }
    return out;
}

RecordedConnection FromChunks(const std::vector<Chunk>& chunks) {
    using oracle::wire::LengthForm;
    using oracle::wire::PacketAssembler;
    using oracle::wire::PacketType;
    RecordedConnection out;
    PacketAssembler toServer(LengthForm::Short), toClient(LengthForm::Short);
    bool switchClientSide = false;  // the client switches once it has read an ACCEPT
    for (const auto& chunk : chunks) {
        if (chunk.direction == Direction::ToServer) {
            out.toServer.insert(out.toServer.end(), chunk.bytes.begin(), chunk.bytes.end());
            if (switchClientSide) toServer.SetForm(LengthForm::Long);
            toServer.Feed(chunk.bytes);
            while (auto p = toServer.Next()) out.packets.push_back({Direction::ToServer, std::move(*p)});
        } else {
            out.toClient.insert(out.toClient.end(), chunk.bytes.begin(), chunk.bytes.end());
            toClient.Feed(chunk.bytes);
            while (auto p = toClient.Next()) {
                if (p->type == PacketType::Accept && p->bytes.size() >= 10 &&
                    (p->bytes[8] << 8 | p->bytes[9]) >= 315) {
                    toClient.SetForm(LengthForm::Long);
                    switchClientSide = true;
                }
                out.packets.push_back({Direction::ToClient, std::move(*p)});
            }
        }
    }
    return out;
}

std::filesystem::path FixturesDir() {
    for (auto dir = std::filesystem::current_path(); !dir.empty(); dir = dir.parent_path()) {
        const auto candidate = dir / "shared" / "fixtures" / "oracle-net";
        if (std::filesystem::is_directory(candidate)) return candidate;
        if (dir == dir.root_path()) break;
    }
    const std::filesystem::path fallback = ORACLE_FIXTURES_DIR;
    return std::filesystem::is_directory(fallback) ? fallback : std::filesystem::path();
}

}  // namespace oracle::test
