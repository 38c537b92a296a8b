#include "compression/ConstantRuns.h"

#include <cstdint>

namespace FMRUtils {

int64_t CompactRuns(const int32_t* src, int32_t* dst, int64_t n, int K) {
    if (n <= 0) return 0;
    if (K < 1) K = 1;
    dst[0] = src[0];
    int64_t written = 1;
    int repeats = 0;       // equal values seen after the run's first one, up to K
    int64_t markerAt = 0;  // where the first repeat of the current run was written
    for (int64_t i = 1; i < n; ++i) {
        const int32_t x = src[i];
        if (repeats < K) {
            if (x == dst[written - 1]) {
                if (repeats == 0) markerAt = written;
                ++repeats;
                if (repeats < K) {
                    dst[written++] = x;
                } else {
                    // The K repeats collapse into one marker that takes the first repeat's place.
                    dst[markerAt] = -K;
                    written = markerAt + 1;
                }
            } else {
                repeats = 0;
                dst[written++] = x;
            }
        } else if (x == dst[markerAt - 1] && dst[markerAt] != INT32_MIN) {
            --dst[markerAt];
        } else {
            repeats = 0;
            dst[written++] = x;
        }
    }
    return written;
}

}  // namespace FMRUtils
