#pragma once
// Where the minimised window draws its icon: centred in the client area,
// rounding half a pixel towards the bottom right.

namespace wizard {

struct Point {
  int x;
  int y;
};

constexpr Point IconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
  return Point{(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

}  // namespace wizard
