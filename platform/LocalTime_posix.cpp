#include "platform/LocalTime.h"

namespace Platform {

bool localTime(std::int64_t seconds, std::tm& local) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    if (static_cast<std::int64_t>(t) != seconds) return false;
    return localtime_r(&t, &local) != nullptr;
}

}  // namespace Platform
