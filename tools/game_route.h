// Shortest walks in a game of Murkle, for the tools and tests that play it
// through its window as a player would.
#ifndef MURKLE_TOOLS_GAME_ROUTE_H
#define MURKLE_TOOLS_GAME_ROUTE_H

#include <vector>

#include "game.h"

namespace tools {

// The shortest walk over open cells from the player to the nearest cell that
// wanted(x, y) picks; empty when there is none. A bog or the exit is entered
// only as the goal: the one ends a walk, the other the level.
template <typename Wanted>
std::vector<Direction> Route(const Game& game, Wanted wanted) {
  const Level& level = game.level();
  const int w = level.width, start = game.y() * w + game.x();
  std::vector<int> from(size_t(w) * level.height, -1);
  std::vector<int> queue = {start};
  from[size_t(start)] = start;
  const Direction dirs[] = {Direction::kUp, Direction::kDown, Direction::kLeft, Direction::kRight};
  const int dx[] = {0, 0, -1, 1}, dy[] = {-1, 1, 0, 0};
  for (size_t head = 0; head < queue.size(); ++head) {
    const int at = queue[head], x = at % w, y = at / w;
    if (head > 0 && wanted(x, y)) {
      std::vector<Direction> route;
      for (int cell = at; cell != start; cell = from[size_t(cell)])
        for (int k = 0; k < 4; ++k)
          if (from[size_t(cell)] % w + dx[k] == cell % w && from[size_t(cell)] / w + dy[k] == cell / w)
            route.insert(route.begin(), dirs[k]);
      return route;
    }
    for (int k = 0; k < 4; ++k) {
      const int nx = x + dx[k], ny = y + dy[k];
      if (!level.Inside(nx, ny) || from[size_t(ny * w + nx)] >= 0) continue;
      const dat::CellCode code = level.At(nx, ny);
      if (code == dat::kWall || ((code == dat::kBog || code == dat::kExit) && !wanted(nx, ny))) continue;
      from[size_t(ny * w + nx)] = at;
      queue.push_back(ny * w + nx);
    }
  }
  return {};
}

}  // namespace tools

#endif
