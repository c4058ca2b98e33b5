#pragma once
// The test database program, driven from tests: a temporary SQLite file with published builds,
// and servers on free loopback ports. Natively the program is started directly; the Windows
// build (under Wine) asks a small native launcher for the same, through TCP.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace oracle::test {

class Testdb {
public:
    Testdb();  // an empty database in a fresh temporary folder
    ~Testdb();
    Testdb(const Testdb&) = delete;
    Testdb& operator=(const Testdb&) = delete;

    // True when the program (or the launcher, under Wine) is there to drive.
    static bool Available();

    void Publish(int program, const std::string& version, const std::string& name, const std::string& contents);
    // A build whose file is `size` bytes of a fixed pattern (made by the launcher side for big sizes).
    void PublishPattern(int program, const std::string& version, const std::string& name, std::uint64_t size);
    void Sql(const std::string& statement);

    class Server {
    public:
        virtual ~Server() = default;
        virtual std::uint16_t Port() const = 0;
    };
    // `testdb serve` on this database with extra options; stopped when the handle is destroyed.
    std::unique_ptr<Server> Serve(const std::vector<std::string>& options = {});

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// The pattern PublishPattern writes: byte i is (i * 131 + i / 65536) mod 251.
std::string PatternBytes(std::uint64_t size);

}  // namespace oracle::test
