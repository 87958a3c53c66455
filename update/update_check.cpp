#include "update/update_check.h"

#include "app/ids.h"

namespace xy::update {

std::int32_t nextPosition(std::int32_t p) {
    const auto sum = static_cast<std::int64_t>(static_cast<double>(p) + kPositionStep);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(sum)));
}

void runUpdateCheck(PropertyStore& store, const SleepFn& sleep) {
    const Id w = ids::kUpdateWindow;
    store.write(w, ids::kProgressBar1, prop::progress::kMinimum, Value::integer(kRangeMinimum));
    store.write(w, ids::kProgressBar1, prop::progress::kMaximum, Value::integer(kRangeMaximum));
    for (int pass = 1; pass <= kCheckPasses; ++pass) {
        // A position that is not an integer (not expected: the bar exists
        // while its window's handlers run) counts as 0.
        const Value v = store.read(w, ids::kProgressBar1, prop::progress::kPosition);
        const std::int32_t p = v.type == Value::Type::Int ? v.i : 0;
        store.write(w, ids::kProgressBar1, prop::progress::kPosition, Value::integer(nextPosition(p)));
        sleep(kPassPauseMs);
        store.write(w, ids::kLabel3, prop::label::kCaption, Value::str(kUpToDateText));
    }
}

}  // namespace xy::update
