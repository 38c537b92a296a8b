#pragma once

#include <cstdint>
#include <ctime>

namespace Platform {

// The local calendar time of a time in seconds since 1970-01-01 UTC; false when the system cannot
// represent or convert it.
bool localTime(std::int64_t seconds, std::tm& local);

}  // namespace Platform
