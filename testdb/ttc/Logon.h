#pragma once
// The server's side of O5LOGON for one connection: phase one hands out the verifier data and
// the encrypted server half of the session key; phase two checks the client's proof of the
// password and answers with AUTH_SVR_RESPONSE, or refuses with ORA-01017.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "oracle/crypto/O5Logon.h"
#include "testdb/Options.h"
#include "testdb/ttc/ServerMessages.h"

namespace testdb::ttc {

class Logon {
public:
    explicit Logon(const std::vector<Account>& accounts) : accounts_(accounts) {}

    // Pairs of the phase-one reply. An unknown user still gets plausible data (a real server
    // does not reveal which accounts exist); phase two then fails.
    std::vector<KeyValue> PhaseOne(const std::string& user);
    // Pairs of the phase-two reply, or nothing for a wrong password / unknown account.
    std::optional<std::vector<KeyValue>> PhaseTwo(const std::string& user, const std::map<std::string, std::string>& pairs,
                                                  const std::string& serviceName);
    const std::string& User() const { return user_; }

private:
    const std::vector<Account>& accounts_;
    const Account* account_ = nullptr;
    std::string user_;
    oracle::crypto::VerifierData verifier_;
    oracle::crypto::PasswordKeys keys_;
    oracle::crypto::Bytes serverPart_;
    std::string password_;
};

}  // namespace testdb::ttc
