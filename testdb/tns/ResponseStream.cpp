#include "testdb/tns/ResponseStream.h"

namespace testdb::tns {

void ResponseStream::Put(std::span<const std::uint8_t> bytes) {
    const std::size_t room = channel_.Sdu() - oracle::wire::kDataHeaderSize;
    while (!bytes.empty()) {
        const std::size_t take = std::min(bytes.size(), room - std::min(room, pending_.size()));
        pending_.insert(pending_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        bytes = bytes.subspan(take);
        SendFullPackets();
    }
}

void ResponseStream::Put(oracle::wire::ByteWriter& writer) {
    const auto bytes = writer.Take();
    Put(bytes);
}

void ResponseStream::SendFullPackets() {
    const std::size_t room = channel_.Sdu() - oracle::wire::kDataHeaderSize;
    if (pending_.size() < room) return;
    channel_.SendData(std::span(pending_).first(room));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(room));
}

void ResponseStream::Finish() {
    if (!pending_.empty()) channel_.SendData(pending_);
    pending_.clear();
}

}  // namespace testdb::tns
