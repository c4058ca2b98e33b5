#pragma once
// The command line of the test database program.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "testdb/Faults.h"

namespace testdb {

enum class VerifierChoice { V11g, V12c };

struct Account {
    std::string user;  // compared case-insensitively, as Oracle does for unquoted names
    std::string password;
    VerifierChoice verifier = VerifierChoice::V12c;
};

struct ServeOptions {
    std::string db;
    std::string host = "127.0.0.1";
    std::uint16_t port = 17521;
    std::string portFile;
    std::string sid = "dovizuza";
    std::vector<std::string> services;  // service names; the SID's name when none given
    std::vector<Account> accounts;
    std::uint32_t maxTnsVersion = 318;
    std::uint32_t maxSdu = 2 * 1024 * 1024;
    std::uint8_t fieldVersion = 13;
    bool quiet = false;
    FaultPlan faults;
};

struct PublishOptions {
    std::string db;
    std::int64_t program = 0;
    std::string version;
    std::string name;
    std::string file;
};

struct SqlOptions {
    std::string db;
    std::string statement;
};

struct HelpRequest {};

using Command = std::variant<HelpRequest, ServeOptions, PublishOptions, SqlOptions>;

// Raises ETestDbError with a message naming the bad argument.
Command ParseCommandLine(const std::vector<std::string>& args);
const char* HelpText();

}  // namespace testdb
