#include "BenchSupport.h"

#include <sys/resource.h>

#include <string>

namespace pw::bench {

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void assignAll(MappingState& state) {
    int code = 65;
    for (ControllerAction a : kAllActions) {
        state.slots.assign(a, std::to_string(code++));
    }
}

}  // namespace pw::bench
