// Minimum, maximum and mean of a run of values.
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

namespace OvrInfo {

// Values are added one by one; NaNs and infinities are counted apart and left out of the rest.
template <class T>
class ValueStats {
public:
    void add(T value) {
        if constexpr (std::is_floating_point<T>::value) {
            if (!std::isfinite(value)) {
                ++nonFinite_;
                return;
            }
        }
        if (count_ == 0 || value < minimum_) minimum_ = value;
        if (count_ == 0 || value > maximum_) maximum_ = value;
        sum_ += static_cast<double>(value);
        ++count_;
    }

    // Number of finite values added.
    int64_t count() const { return count_; }
    int64_t nonFinite() const { return nonFinite_; }
    // Meaningful only when count() is above 0.
    T minimum() const { return minimum_; }
    T maximum() const { return maximum_; }
    double mean() const { return count_ > 0 ? sum_ / static_cast<double>(count_) : 0.0; }

private:
    T minimum_{};
    T maximum_{};
    double sum_ = 0.0;
    int64_t count_ = 0;
    int64_t nonFinite_ = 0;
};

}  // namespace OvrInfo
