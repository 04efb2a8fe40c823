#pragma once

#include <array>

// The robot is drawn as a 12 x 24 rectangle centred on its reported position,
// front edge first. Corners run c1 (front left), c2 (front right), c3 (back
// right), c4 (back left), stored as x, y pairs.
namespace plot
{

constexpr float ROBOT_HALF_WIDTH = 6;
constexpr float ROBOT_HALF_LENGTH = 12;

using OutlineCorners = std::array<float, 8>;

// The corners at pose (x, y, angle in degrees). A positive angle turns the
// robot counter-clockwise; at angle 0 its front points to +y.
OutlineCorners robot_outline(float x, float y, float angle);

} // namespace plot
