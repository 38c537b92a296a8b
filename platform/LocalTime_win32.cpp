#include "platform/LocalTime.h"

#include <time.h>

namespace Platform {

bool localTime(std::int64_t seconds, std::tm& local) {
    const __time64_t t = static_cast<__time64_t>(seconds);
    return _localtime64_s(&local, &t) == 0;
}

}  // namespace Platform
