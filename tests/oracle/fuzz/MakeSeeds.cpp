// Writes the fuzzer's seed inputs: every server reply and listener packet of the recordings,
// with the selector bytes that make the fuzzer decode it as a client would.
#include <fstream>
#include <iostream>

#include "support/Capture.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_seeds FIXTURES_DIR OUT_DIR\n";
        return 2;
    }
    const std::filesystem::path fixtures = argv[1], out = argv[2];
    std::filesystem::create_directories(out);
    int n = 0;
    auto write = [&](std::uint8_t selector, std::uint8_t cut, std::span<const std::uint8_t> bytes) {
        std::ofstream f(out / ("seed-" + std::to_string(n++)), std::ios::binary);
        f.put(static_cast<char>(selector));
        f.put(static_cast<char>(cut));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    for (const auto& entry : std::filesystem::directory_iterator(fixtures / "server-23ai")) {
        for (const auto& c : oracle::test::ReadCapture(entry.path())) {
            std::vector<std::uint8_t> reply;
            for (const auto& p : c.packets) {
                if (p.direction != oracle::test::Direction::ToClient) continue;
                if (p.packet.type != oracle::wire::PacketType::Data) {
                    write(2, 0, p.packet.bytes);
                    continue;
                }
                const auto payload = p.packet.DataPayload();
                // Response contexts: field version 24 (python) and 11 (go-ora), each layout.
                for (std::uint8_t selector : {0x4C, 0x4D, 0x4E, 0xCF, 0x1C, 0x5D}) write(selector, 0, payload);
                write(0, 0, payload);
                write(1, 7, payload);
            }
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(fixtures / "listener")) {
        if (entry.path().extension() != ".raw") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        write(2, 0, bytes);
    }
    std::cout << n << " seeds\n";
    return 0;
}
