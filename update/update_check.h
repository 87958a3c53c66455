// The update check of the update window's button: a simulated check that
// fills the progress bar in ten blocking passes and reports that the
// program is up to date. It contacts nothing. Portable: the property access
// and the pause come in from outside.
#pragma once

#include <cstdint>
#include <functional>

#include "toolkit/model/definition.h"

namespace xy::update {

// Reads and writes one property of one control of a loaded window.
class PropertyStore {
public:
    virtual ~PropertyStore() = default;
    virtual Value read(Id windowId, Id controlId, std::uint16_t number) = 0;
    virtual void write(Id windowId, Id controlId, std::uint16_t number, const Value& value) = 0;
};

// Suspends the calling thread for a number of milliseconds.
using SleepFn = std::function<void(std::int32_t milliseconds)>;

inline constexpr int kCheckPasses = 10;
inline constexpr double kPositionStep = 100.0;
inline constexpr std::int32_t kPassPauseMs = 95;
inline constexpr std::int32_t kRangeMinimum = 0;
inline constexpr std::int32_t kRangeMaximum = 100;
inline constexpr const char* kUpToDateText = "已是最新版！！！";

// The position that follows p: p + 100 formed in double precision,
// truncated toward zero to 64 bits, of which the low 32 bits are kept.
std::int32_t nextPosition(std::int32_t p);

// Runs the check on the update window's controls: range 0..100, then ten
// passes of (position += 100, pause 95 ms, result text into 标签3).
void runUpdateCheck(PropertyStore& store, const SleepFn& sleep);

}  // namespace xy::update
