// The stress command: drives the real program under Wine from outside with
// seeded, bounded storms of input and foreign messages, thousands of
// openings, fault injection and security probes, checks the program's
// invariants after each, and prints the figures.
//
//   stress.exe [--seed N] [--inputs N] [--messages N] [--openings N]
//              [--seconds S] [--phases storm,messages,resources,faults,security,alloc]
//              [--known-open CHECK[,CHECK...]]
//
// Run it through run_stress.sh, which provides the Wine prefix, the X display
// and the recording browser. Exit code 0 when every check held.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "stress.h"

namespace {

std::set<std::string> splitList(const std::string& s) {
    std::set<std::string> out;
    std::size_t at = 0;
    while (at <= s.size()) {
        std::size_t comma = s.find(',', at);
        if (comma == std::string::npos) comma = s.size();
        if (comma > at) out.insert(s.substr(at, comma - at));
        at = comma + 1;
    }
    return out;
}

bool parse(int argc, char** argv, stress::Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto number = [&](int& to, int lo, int hi) {
            const char* v = value();
            if (!v) return false;
            char* end = nullptr;
            long n = std::strtol(v, &end, 10);
            if (!end || *end || n < lo || n > hi) return false;
            to = int(n);
            return true;
        };
        int seed = 0;
        if (a == "--seed") {
            if (!number(seed, 0, 0x7FFFFFFF)) return false;
            o.seed = std::uint32_t(seed);
        } else if (a == "--inputs") {
            if (!number(o.inputs, 0, 1000000)) return false;
        } else if (a == "--messages") {
            if (!number(o.messages, 0, 10000000)) return false;
        } else if (a == "--openings") {
            if (!number(o.openings, 0, 100000)) return false;
        } else if (a == "--seconds") {
            if (!number(o.seconds, 1, 24 * 3600)) return false;
        } else if (a == "--phases") {
            const char* v = value();
            if (!v) return false;
            o.phases = splitList(v);
        } else if (a == "--known-open") {
            const char* v = value();
            if (!v) return false;
            o.knownOpen = splitList(v);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace stress;
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: stress.exe [--seed N] [--inputs N] [--messages N] [--openings N] [--seconds S]\n"
                     "                  [--phases storm,messages,resources,faults,security,alloc]\n"
                     "                  [--known-open CHECK,...]\n");
        return 2;
    }
    const auto started = Clock::now();
    setDeadline(started + std::chrono::seconds(o.seconds));
    Record& r = record();
    r.setKnownOpen(o.knownOpen);
    r.setPhase("run");
    r.note(fmt("seed %u, inputs %d, messages %d, openings %d, at most %d s", o.seed, o.inputs, o.messages,
               o.openings, o.seconds));

    struct Phase {
        const char* name;
        void (*run)(const Options&);
    };
    const Phase phases[] = {
        {"security", runSecurity}, {"alloc", runAllocation}, {"faults", runFaults},
        {"storm", runStorm},       {"messages", runMessages}, {"resources", runResources},
    };
    for (const Phase& p : phases) {
        if (!o.wanted(p.name)) continue;
        r.setPhase(p.name);
        if (!timeLeft()) {
            r.note("skipped: the time limit is reached");
            continue;
        }
        const auto t0 = Clock::now();
        e2e::clearBrowserLog();
        p.run(o);
        r.figure(std::string(p.name) + ": seconds",
                 fmt("%.1f", std::chrono::duration<double>(Clock::now() - t0).count()));
    }
    r.setPhase("run");
    r.figure("run: seconds", fmt("%.1f", std::chrono::duration<double>(Clock::now() - started).count()));
    r.printSummary();
    return r.failures() == 0 ? 0 : 1;
}
