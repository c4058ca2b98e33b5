#pragma once
// Deliberate misbehaviour for testing clients' error paths. Every fault is off by default, each
// is deterministic (a phase and an occurrence, a byte count, never a chance), any may be
// combined, and none touches the database file.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace testdb {

// The moment just before the server answers the named request.
enum class Phase { Accept, Protocol, DataTypes, Auth1, Auth2, Execute, Fetch, LobRead };

std::string_view PhaseName(Phase phase);

// "execute" or "execute@2" (the second EXECUTE of the connection); raises ETestDbError.
struct PhaseTrigger {
    Phase phase = Phase::Accept;
    int occurrence = 1;
};
PhaseTrigger ParsePhaseTrigger(std::string_view text);

enum class Malformation { Length, Type };

struct FaultPlan {
    std::optional<PhaseTrigger> dropAt;
    std::optional<std::uint64_t> dropAfterBytes;
    std::optional<PhaseTrigger> stallAt;
    double stallSeconds = 0;
    std::optional<std::uint64_t> rateBytesPerSecond;
    std::optional<std::uint64_t> lobErrorAfter;
    std::optional<PhaseTrigger> malformedAt;
    Malformation malformation = Malformation::Type;
    std::int64_t lobLengthLie = 0;
    bool resend = false;
};

// Counts the phases of one connection and tells which fault fires now.
class FaultClock {
public:
    explicit FaultClock(const FaultPlan& plan) : plan_(plan) {}

    struct Due {
        bool drop = false;
        bool stall = false;
        bool malformed = false;
    };
    // Call once each time the server is about to answer a request of `phase`.
    Due Enter(Phase phase);
    const FaultPlan& Plan() const { return plan_; }

private:
    const FaultPlan& plan_;
    int counts_[8] = {};
};

}  // namespace testdb
