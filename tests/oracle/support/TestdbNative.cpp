// Drives the test database program directly (native builds).
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "support/Testdb.h"

extern char** environ;

namespace oracle::test {
namespace {

namespace fs = std::filesystem;

pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start " + args[0]);
    }
    return pid;
}

void Run(const std::vector<std::string>& args) {
    const auto pid = Spawn(args);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("testdb " + args[1] + " failed");
}

class NativeServer final : public Testdb::Server {
public:
    NativeServer(const std::vector<std::string>& args, const fs::path& portFile) : pid_(Spawn(args)) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            std::ifstream in(portFile);
            unsigned port = 0;
            if (in >> port && port > 0) {
                port_ = static_cast<std::uint16_t>(port);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        Stop();
        throw std::runtime_error("testdb serve did not report its port");
    }
    ~NativeServer() override { Stop(); }
    std::uint16_t Port() const override { return port_; }

private:
    void Stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = 0;
    }
    pid_t pid_;
    std::uint16_t port_ = 0;
};

}  // namespace

struct Testdb::Impl {
    fs::path dir;
    fs::path db;
    int servers = 0;
};

bool Testdb::Available() { return fs::exists(ORACLE_TESTDB_EXE); }

Testdb::Testdb() : impl_(std::make_unique<Impl>()) {
    char pattern[] = "/tmp/oracle-client-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    impl_->dir = pattern;
    impl_->db = impl_->dir / "test.sqlite";
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
    Run({ORACLE_TESTDB_EXE, "publish", "--db", impl_->db.string(), "--program", std::to_string(program), "--version",
         version, "--name", name, "--file", file.string()});
    fs::remove(file);
}

void Testdb::PublishPattern(int program, const std::string& version, const std::string& name, std::uint64_t size) {
    Publish(program, version, name, PatternBytes(size));
}

void Testdb::Sql(const std::string& statement) { Run({ORACLE_TESTDB_EXE, "sql", "--db", impl_->db.string(), statement}); }

std::unique_ptr<Testdb::Server> Testdb::Serve(const std::vector<std::string>& options) {
    const auto portFile = impl_->dir / ("port-" + std::to_string(++impl_->servers));
    std::vector<std::string> args = {ORACLE_TESTDB_EXE, "serve", "--db", impl_->db.string(), "--port", "0",
                                     "--port-file", portFile.string(), "--quiet"};
    args.insert(args.end(), options.begin(), options.end());
    return std::make_unique<NativeServer>(args, portFile);
}
}  // namespace oracle::test
