#include "plot/robotoutline.h"

#include <cmath>

namespace plot
{

OutlineCorners robot_outline(float x, float y, float angle)
{
    // The camera's software uses this value of pi; outlines must agree with it.
    const double theta = angle / 180.0 * 3.14159265;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    const double offsets[4][2] = {{-ROBOT_HALF_WIDTH, ROBOT_HALF_LENGTH},
                                  {ROBOT_HALF_WIDTH, ROBOT_HALF_LENGTH},
                                  {ROBOT_HALF_WIDTH, -ROBOT_HALF_LENGTH},
                                  {-ROBOT_HALF_WIDTH, -ROBOT_HALF_LENGTH}};
    OutlineCorners corners{};
    for (int k = 0; k < 4; ++k) {
        const double dx = offsets[k][0];
        const double dy = offsets[k][1];
        corners[2 * k] = float(x + dx * c - dy * s);
        corners[2 * k + 1] = float(y + dx * s + dy * c);
    }
    return corners;
}

} // namespace plot
