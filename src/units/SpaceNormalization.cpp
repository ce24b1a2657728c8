#include "units/SpaceNormalization.h"

#include <algorithm>
#include <cmath>

namespace velmor {

namespace {

bool UsableRange(const double d[4])
{
    const double scale = (d[3] - d[2]) / (d[1] - d[0]);
    // A zero or undefined scale would turn the offset into an infinity.
    return std::isfinite(scale) && scale != 0.0 && std::isfinite(d[0] - d[2] / scale);
}

} // namespace

bool NormalizeBox(double min[3], double max[3], const bool normalize[3], const double rangeMap[3][4], double scale[3],
                  double offset[3], double& extent)
{
    if (min[0] == kEmptyBoxStart)
        return false;
    double e = 0.0;
    for (int i = 0; i < 3; ++i)
        e = std::max(e, max[i] - min[i]);
    if (e == 0.0) {
        for (int i = 0; i < 3; ++i) {
            min[i] -= 1.0;
            max[i] += 1.0;
        }
        e = 2.0;
    }
    for (int i = 0; i < 3; ++i) {
        if (!normalize[i] && UsableRange(rangeMap[i])) {
            const double* d = rangeMap[i];
            scale[i] = (d[3] - d[2]) / (d[1] - d[0]);
            offset[i] = d[0] - d[2] / scale[i];
        } else {
            scale[i] = 2.0 / e;
            offset[i] = (min[i] + max[i]) / 2.0;
        }
    }
    extent = e;
    return true;
}

double NiceScaleBarLength(double extent)
{
    if (extent == 0.0)
        return 1.0;
    static const double steps[] = {1e-8, 1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0,
                                   1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7};
    for (double d : steps) {
        if (d <= extent && extent < 2 * d)
            return 0.2 * d;
        if (2 * d <= extent && extent < 5 * d)
            return 0.5 * d;
        if (5 * d <= extent && extent < 10 * d)
            return d;
    }
    return 1.0;
}

} // namespace velmor
