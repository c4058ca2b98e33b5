#include "testdb/Options.h"

#include <charconv>

#include "testdb/Error.h"

namespace testdb {
namespace {

const char kHelp[] = R"(testdb: an Oracle Net listener and database of its own, stored in SQLite, for tests.

Usage:
  testdb serve --db FILE [options] [fault options]
  testdb publish --db FILE --program N --version V --name TEXT --file PATH
  testdb sql --db FILE "STATEMENT"
  testdb --help

serve: answers Oracle thin clients (TNS 315-319, O5LOGON) on a loopback address. Every statement
a client sends is run by SQLite as it stands; the database is created when missing.
  --db FILE              SQLite database file
  --host ADDRESS         loopback address to listen on (default 127.0.0.1)
  --port N               TCP port (default 17521); 0 picks a free one
  --port-file PATH       once listening, write the port number (and a newline) to PATH, so a test
                         can start the server with --port 0 and wait for the file to appear
  --sid NAME             SID the listener knows (default dovizuza); others get ERR=12505
  --service NAME         service name the listener knows (repeatable; default: the SID's name);
                         others get ERR=12514
  --account USER:PASSWORD[:11g|12c]
                         account that may log on (repeatable) with the 12c verifier (default) or
                         the 11g one; without any, the account updaterdemo/upd (12c) is served
  --tns-version N        highest TNS version to accept, 315..319 (default 318)
  --sdu N                largest SDU/TDU the server agrees to, 512..2097152 (default 2097152)
  --field-version N      highest TTC field version to offer, 7..24 (default 13)
  --quiet                no log lines (normally one per connection and per call on stderr)
Stop it with SIGINT or SIGTERM.

Fault options (all off by default; they combine; deterministic). PHASE is one of accept,
protocol, datatypes, auth1, auth2, execute, fetch, lob-read, meaning "just before answering that
request"; PHASE@N means its N-th occurrence on a connection (default the first).
  --drop-at PHASE        close the connection instead of answering
  --drop-after-bytes N   close the connection once N bytes have been sent on it
  --stall-at PHASE       send nothing for --stall-seconds S (default 30) before answering
  --stall-seconds S      length of the stall, in seconds (fractions allowed)
  --rate BYTES_PER_S     never send faster than this on a connection
  --lob-error-after N    once a LOB READ reaches byte N of the LOB, send the bytes before it and
                         then ORA-01555 instead of the rest
  --malformed-at PHASE[:length|type]
                         answer with a malformed packet: a header whose length is shorter than a
                         header (length), or a packet of unknown type / a DATA packet with an
                         unknown TTC message type (type, the default)
  --lob-length-lie DELTA report every BLOB's length as its true length plus DELTA (may be negative)
                         while LOB READs still return the true bytes
  --resend               answer each connection's first CONNECT with RESEND

publish: creates the database and the LIST_VERSION table when missing and inserts one build with
the next ID_VERSION, streaming the file into FILE_EXE.
  --program N            ID_PROGRAM     --version V   NAME_VERSION
  --name TEXT            NAME_FILE      --file PATH   the build's file

sql: runs one statement on the database and prints any rows, tab-separated.
)";

std::int64_t ParseInt(const std::string& option, const std::string& text, std::int64_t min, std::int64_t max) {
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        Fail(option + ": expected an integer from " + std::to_string(min) + " to " + std::to_string(max) +
             ", got '" + text + "'");
    return value;
}

double ParseSeconds(const std::string& option, const std::string& text) {
    std::size_t used = 0;
    double value = -1;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
    }
    if (used != text.size() || value < 0) Fail(option + ": expected a number of seconds, got '" + text + "'");
    return value;
}

Account ParseAccount(const std::string& text) {
    const auto first = text.find(':');
    if (first == std::string::npos || first == 0) Fail("--account: expected USER:PASSWORD[:11g|12c], got '" + text + "'");
    Account account;
    account.user = text.substr(0, first);
    std::string rest = text.substr(first + 1);
    const auto second = rest.rfind(':');
    if (second != std::string::npos) {
        const std::string kind = rest.substr(second + 1);
        if (kind == "11g" || kind == "12c") {
            account.verifier = kind == "11g" ? VerifierChoice::V11g : VerifierChoice::V12c;
            rest.resize(second);
        }
    }
    account.password = rest;
    return account;
}

// Walks "--name value" pairs; flags take no value.
class ArgumentCursor {
public:
    ArgumentCursor(const std::vector<std::string>& args, std::size_t start) : args_(args), index_(start) {}
    bool Done() const { return index_ >= args_.size(); }
    const std::string& Take() { return args_[index_++]; }
    const std::string& Value(const std::string& option) {
        if (Done()) Fail(option + " needs a value");
        return Take();
    }

private:
    const std::vector<std::string>& args_;
    std::size_t index_;
};

void Require(const std::string& value, const char* option) {
    if (value.empty()) Fail(std::string(option) + " is required");
}

ServeOptions ParseServe(ArgumentCursor& args) {
    ServeOptions o;
    while (!args.Done()) {
        const std::string option = args.Take();
        if (option == "--db") o.db = args.Value(option);
        else if (option == "--host") o.host = args.Value(option);
        else if (option == "--port") o.port = static_cast<std::uint16_t>(ParseInt(option, args.Value(option), 0, 65535));
        else if (option == "--port-file") o.portFile = args.Value(option);
        else if (option == "--sid") o.sid = args.Value(option);
        else if (option == "--service") o.services.push_back(args.Value(option));
        else if (option == "--account") o.accounts.push_back(ParseAccount(args.Value(option)));
        else if (option == "--tns-version") o.maxTnsVersion = static_cast<std::uint32_t>(ParseInt(option, args.Value(option), 315, 319));
        else if (option == "--sdu") o.maxSdu = static_cast<std::uint32_t>(ParseInt(option, args.Value(option), 512, 2097152));
        else if (option == "--field-version") o.fieldVersion = static_cast<std::uint8_t>(ParseInt(option, args.Value(option), 7, 24));
        else if (option == "--quiet") o.quiet = true;
        else if (option == "--drop-at") o.faults.dropAt = ParsePhaseTrigger(args.Value(option));
        else if (option == "--drop-after-bytes") o.faults.dropAfterBytes = ParseInt(option, args.Value(option), 0, INT64_MAX);
        else if (option == "--stall-at") o.faults.stallAt = ParsePhaseTrigger(args.Value(option));
        else if (option == "--stall-seconds") o.faults.stallSeconds = ParseSeconds(option, args.Value(option));
        else if (option == "--rate") o.faults.rateBytesPerSecond = ParseInt(option, args.Value(option), 1, INT64_MAX);
        else if (option == "--lob-error-after") o.faults.lobErrorAfter = ParseInt(option, args.Value(option), 0, INT64_MAX);
        else if (option == "--lob-length-lie") o.faults.lobLengthLie = ParseInt(option, args.Value(option), INT32_MIN, INT32_MAX);
        else if (option == "--resend") o.faults.resend = true;
        else if (option == "--malformed-at") {
            std::string value = args.Value(option);
            const auto colon = value.find(':');
            if (colon != std::string::npos) {
                const std::string kind = value.substr(colon + 1);
                if (kind == "length") o.faults.malformation = Malformation::Length;
                else if (kind == "type") o.faults.malformation = Malformation::Type;
                else Fail("--malformed-at: expected PHASE[:length|type], got '" + value + "'");
                value.resize(colon);
            }
            o.faults.malformedAt = ParsePhaseTrigger(value);
        } else Fail("serve: unknown option '" + option + "' (see testdb --help)");
    }
    Require(o.db, "--db");
    if (o.faults.stallAt && o.faults.stallSeconds == 0) o.faults.stallSeconds = 30;
    if (o.services.empty()) o.services.push_back(o.sid);
    if (o.accounts.empty()) o.accounts.push_back({"updaterdemo", "upd", VerifierChoice::V12c});
    return o;
}

PublishOptions ParsePublish(ArgumentCursor& args) {
    PublishOptions o;
    bool programGiven = false;
    while (!args.Done()) {
        const std::string option = args.Take();
        if (option == "--db") o.db = args.Value(option);
        else if (option == "--program") {
            o.program = ParseInt(option, args.Value(option), INT32_MIN, INT32_MAX);
            programGiven = true;
        } else if (option == "--version") o.version = args.Value(option);
        else if (option == "--name") o.name = args.Value(option);
        else if (option == "--file") o.file = args.Value(option);
        else Fail("publish: unknown option '" + option + "' (see testdb --help)");
    }
    Require(o.db, "--db");
    if (!programGiven) Fail("--program is required");
    Require(o.version, "--version");
    Require(o.name, "--name");
    Require(o.file, "--file");
    return o;
}

SqlOptions ParseSql(ArgumentCursor& args) {
    SqlOptions o;
    while (!args.Done()) {
        const std::string arg = args.Take();
        if (arg == "--db") o.db = args.Value(arg);
        else if (o.statement.empty()) o.statement = arg;
        else Fail("sql: one statement only; quote it as a single argument");
    }
    Require(o.db, "--db");
    Require(o.statement, "the statement");
    return o;
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") return HelpRequest{};
    ArgumentCursor cursor(args, 1);
    if (args[0] == "serve") return ParseServe(cursor);
    if (args[0] == "publish") return ParsePublish(cursor);
    if (args[0] == "sql") return ParseSql(cursor);
    Fail("unknown command '" + args[0] + "' (serve, publish, sql, --help)");
}

const char* HelpText() { return kHelp; }

}  // namespace testdb
