#include "testdb/Faults.h"

#include <array>
#include <charconv>

#include "testdb/Error.h"

namespace testdb {
namespace {

constexpr std::array<std::string_view, 8> kPhaseNames = {"accept", "protocol", "datatypes", "auth1",
                                                         "auth2",  "execute",  "fetch",     "lob-read"};

bool Matches(const std::optional<PhaseTrigger>& trigger, Phase phase, int count) {
    return trigger && trigger->phase == phase && trigger->occurrence == count;
}

}  // namespace

std::string_view PhaseName(Phase phase) { return kPhaseNames[static_cast<std::size_t>(phase)]; }

PhaseTrigger ParsePhaseTrigger(std::string_view text) {
    PhaseTrigger trigger;
    const auto at = text.find('@');
    const std::string_view name = text.substr(0, at);
    bool known = false;
    for (std::size_t i = 0; i < kPhaseNames.size(); ++i) {
        if (kPhaseNames[i] == name) {
            trigger.phase = static_cast<Phase>(i);
            known = true;
        }
    }
    if (!known) Fail("unknown phase '" + std::string(name) + "' (accept, protocol, datatypes, auth1, auth2, execute, fetch, lob-read)");
    if (at != std::string_view::npos) {
        const std::string_view number = text.substr(at + 1);
        auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), trigger.occurrence);
        if (ec != std::errc() || end != number.data() + number.size() || trigger.occurrence < 1)
            Fail("bad occurrence in '" + std::string(text) + "': expected PHASE@N with N >= 1");
    }
    return trigger;
}

FaultClock::Due FaultClock::Enter(Phase phase) {
    const int count = ++counts_[static_cast<int>(phase)];
    return {Matches(plan_.dropAt, phase, count), Matches(plan_.stallAt, phase, count),
            Matches(plan_.malformedAt, phase, count)};
}

}  // namespace testdb
