// Drives the test database through the native launcher (Windows build under Wine): the
// launcher's port is in the file named by ORACLE_TESTDB_LAUNCHER_FILE.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "oracle/net/Connection.h"
#include "support/Testdb.h"

namespace oracle::test {
namespace {

namespace fs = std::filesystem;

std::uint16_t LauncherPort() {
    const char* file = std::getenv("ORACLE_TESTDB_LAUNCHER_FILE");
    if (file == nullptr) return 0;
    std::ifstream in(file);
    unsigned port = 0;
    return in >> port ? static_cast<std::uint16_t>(port) : 0;
}

// Sends one request; returns the connection (kept open for servers) and the answer line.
std::pair<std::unique_ptr<net::Connection>, std::string> Ask(const std::string& command,
                                                            const std::vector<std::string>& args) {
    auto c = net::OpenTcp("127.0.0.1", LauncherPort(), std::chrono::minutes(5));
    std::string line = command;
    for (const auto& a : args) line += "\t" + a;
    line += "\n";
    c->SendAll({reinterpret_cast<const std::uint8_t*>(line.data()), line.size()});
    std::string answer;
    std::uint8_t byte = 0;
    while (c->Receive({&byte, 1}) == 1 && byte != '\n') answer.push_back(static_cast<char>(byte));
    return {std::move(c), answer};
}

void Run(const std::vector<std::string>& args) {
    const auto answer = Ask("run", args).second;
    if (answer != "ok") throw std::runtime_error("testdb " + args.front() + " " + answer);
}

// The same folder seen from Linux (for the launcher) and through Wine's Z: drive (for us).
std::string UnixPath(const fs::path& windowsPath) {
    auto text = windowsPath.generic_string();
    if (text.size() > 2 && text[1] == ':') text = text.substr(2);
    return text;
}

class LauncherServer final : public Testdb::Server {
public:
    explicit LauncherServer(const std::vector<std::string>& args) {
        auto [connection, answer] = Ask("serve", args);
        connection_ = std::move(connection);
        port_ = static_cast<std::uint16_t>(std::stoi(answer));
        if (port_ == 0) throw std::runtime_error("the launcher could not start testdb serve");
    }
    std::uint16_t Port() const override { return port_; }

private:
    std::unique_ptr<net::Connection> connection_;  // closing it stops the server
    std::uint16_t port_ = 0;
};

}  // namespace

struct Testdb::Impl {
    fs::path dir;  // Z:\tmp\...
    std::string db;  // /tmp/.../test.sqlite
};

bool Testdb::Available() { return LauncherPort() != 0; }

Testdb::Testdb() : impl_(std::make_unique<Impl>()) {
    std::random_device random;
    impl_->dir = fs::path("Z:/tmp") / ("oracle-client-test-" + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(impl_->dir);
    impl_->db = UnixPath(impl_->dir / "test.sqlite");
}

Testdb::~Testdb() {
    std::error_code ignored;
    fs::remove_all(impl_->dir, ignored);
}

void Testdb::Publish(int program, const std::string& version, const std::string& name, const std::string& contents) {
    const auto file = impl_->dir / "build.bin";
    {
        std::ofstream out(file, std::ios::binary);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    }
    Run({"publish", "--db", impl_->db, "--program", std::to_string(program), "--version", version, "--name", name,
         "--file", UnixPath(file)});
    fs::remove(file);
}

void Testdb::PublishPattern(int program, const std::string& version, const std::string& name, std::uint64_t size) {
    Publish(program, version, name, PatternBytes(size));
}

void Testdb::Sql(const std::string& statement) { Run({"sql", "--db", impl_->db, statement}); }

std::unique_ptr<Testdb::Server> Testdb::Serve(const std::vector<std::string>& options) {
    std::vector<std::string> args = {"--db", impl_->db};
    args.insert(args.end(), options.begin(), options.end());
    return std::make_unique<LauncherServer>(args);
}
}  // namespace oracle::test
