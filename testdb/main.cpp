// testdb: the project's own Oracle Net server over SQLite, for tests and demos.
#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "testdb/Commands.h"
#include "testdb/Log.h"
#include "testdb/Options.h"
#include "testdb/Server.h"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        const testdb::Command command = testdb::ParseCommandLine(args);
        if (std::holds_alternative<testdb::HelpRequest>(command)) {
            std::fputs(testdb::HelpText(), stdout);
        } else if (auto serve = std::get_if<testdb::ServeOptions>(&command)) {
            testdb::Log log(serve->quiet);
            testdb::Serve(*serve, log);
        } else if (auto publish = std::get_if<testdb::PublishOptions>(&command)) {
            testdb::RunPublish(*publish);
        } else if (auto sql = std::get_if<testdb::SqlOptions>(&command)) {
            testdb::RunSql(*sql);
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "testdb: %s\n", error.what());
        return 1;
    }
}
