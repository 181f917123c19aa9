// The data file's levels: mazes carved from fixed seeds, with their bogs,
// fireflies and flasks of oil.
#include <cstring>

#include "generator.h"
#include "murkle_dat.h"

namespace gen {

namespace {

struct LevelPlan {
  const char* name;
  int side;
  int radius;
  uint32_t backdrop;
  uint32_t ambient;
};

constexpr LevelPlan kLevels[] = {
    {"Reed Edge", 11, 4, dat::kBackdropDusk, dat::kSoundAmbientDusk},
    {"Willow Bend", 15, 4, dat::kBackdropDusk, dat::kSoundAmbientDusk},
    {"Heron Pools", 19, 4, dat::kBackdropDusk, dat::kSoundAmbientDusk},
    {"Peat Cuttings", 23, 3, dat::kBackdropNight, dat::kSoundAmbientDusk},
    {"Drowned Lane", 27, 3, dat::kBackdropNight, dat::kSoundAmbientDusk},
    {"Mistwater", 31, 3, dat::kBackdropMist, dat::kSoundAmbientDeep},
    {"Lantern Fen", 35, 3, dat::kBackdropMist, dat::kSoundAmbientDeep},
    {"Black Sedge", 39, 2, dat::kBackdropDeep, dat::kSoundAmbientDeep},
    {"Old Causeway", 43, 2, dat::kBackdropDeep, dat::kSoundAmbientDeep},
    {"Murkle Deep", 47, 2, dat::kBackdropDeep, dat::kSoundAmbientDeep},
};
constexpr int kLevelCount = int(sizeof kLevels / sizeof kLevels[0]);

// Every name fits its field with room for the terminator that the game's
// reader relies on.
constexpr bool NamesFit() {
  for (const LevelPlan& plan : kLevels) {
    size_t length = 0;
    while (plan.name[length]) ++length;
    if (length >= dat::kLevelNameSize) return false;
  }
  return true;
}
static_assert(NamesFit(), "a level's name is longer than its field");

// Breadth-first distances from (sx, sy) over cells that pass(); a walk goes
// no further than a cell that ends() (the exit ends the level). -1: unreachable.
template <typename Pass, typename Ends>
std::vector<int> Distances(int width, int height, int sx, int sy, Pass pass, Ends ends) {
  std::vector<int> dist(size_t(width) * height, -1);
  std::vector<int> queue;
  dist[size_t(sy) * width + sx] = 0;
  queue.push_back(sy * width + sx);
  for (size_t head = 0; head < queue.size(); ++head) {
    if (head > 0 && ends(queue[head])) continue;
    int x = queue[head] % width, y = queue[head] / width;
    const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
    for (int k = 0; k < 4; ++k) {
      int nx = x + dx[k], ny = y + dy[k];
      if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
      int i = ny * width + nx;
      if (dist[i] >= 0 || !pass(i)) continue;
      dist[i] = dist[size_t(y) * width + x] + 1;
      queue.push_back(i);
    }
  }
  return dist;
}

// One level's cells, row by row: wall, floor and what lies on the floor.
struct Cells {
  int side;
  std::vector<uint8_t> cell;
  uint8_t& at(int x, int y) { return cell[size_t(y) * side + x]; }
  // Cells one can walk on (or into).
  bool Open(int i) const { return cell[i] != dat::kWall && cell[i] != dat::kBog; }
  // Stepping on the exit ends the level, so nothing is reached through it.
  std::vector<int> FromStart() const {
    return Distances(
        side, side, 1, 1, [&](int i) { return Open(i); }, [&](int i) { return cell[i] == dat::kExit; });
  }
};

// A maze carved by a randomised depth-first walk over the odd cells, with some
// walls knocked through, so that there is more than one way round.
void CarveMaze(Cells& c, Rng& rng) {
  const int side = c.side;
  std::vector<int> stack = {1 * side + 1};
  c.at(1, 1) = dat::kFloor;
  while (!stack.empty()) {
    int x = stack.back() % side, y = stack.back() / side;
    int options[4], count = 0;
    const int dx[] = {2, -2, 0, 0}, dy[] = {0, 0, 2, -2};
    for (int k = 0; k < 4; ++k) {
      int nx = x + dx[k], ny = y + dy[k];
      if (nx > 0 && ny > 0 && nx < side - 1 && ny < side - 1 && c.at(nx, ny) == dat::kWall) options[count++] = k;
    }
    if (count == 0) {
      stack.pop_back();
      continue;
    }
    int k = options[rng.Below(count)];
    c.at(x + dx[k] / 2, y + dy[k] / 2) = dat::kFloor;
    c.at(x + dx[k], y + dy[k]) = dat::kFloor;
    stack.push_back((y + dy[k]) * side + x + dx[k]);
  }
  for (int n = side * side / 14; n > 0; --n) {
    int x = 1 + rng.Below(side - 2), y = 1 + rng.Below(side - 2);
    bool across = (c.at(x - 1, y) == dat::kFloor && c.at(x + 1, y) == dat::kFloor) ||
                  (c.at(x, y - 1) == dat::kFloor && c.at(x, y + 1) == dat::kFloor);
    if (c.at(x, y) == dat::kWall && across) c.at(x, y) = dat::kFloor;
  }
}

// The start in the corner, the exit on the floor cell farthest from it; the
// length of the way between them.
int PlaceStartAndExit(Cells& c) {
  c.at(1, 1) = dat::kStart;
  std::vector<int> dist = c.FromStart();
  int exit = 0;
  for (int i = 0; i < c.side * c.side; ++i)
    if (dist[i] > dist[exit]) exit = i;
  c.cell[exit] = dat::kExit;
  return dist[exit];
}

// Bogs where they cut nothing off from the start, the exit included.
void PlaceBogs(Cells& c, Rng& rng) {
  const int side = c.side;
  std::vector<int> dist = c.FromStart();
  int reachable = 0;
  for (int d : dist) reachable += d >= 0;
  for (int tries = side * 3, placed = 0; tries > 0 && placed < side / 2; --tries) {
    int i = rng.Below(side * side);
    if (c.cell[i] != dat::kFloor || dist[i] < 3) continue;
    c.cell[i] = dat::kBog;
    int still = 0;
    for (int v : c.FromStart()) still += v >= 0;
    if (still != reachable - 1) {
      c.cell[i] = dat::kFloor;
      continue;
    }
    --reachable;
    ++placed;
  }
}

// Fireflies all over, flasks of oil a fair walk apart.
void PlaceItems(Cells& c, Rng& rng, int path) {
  const int side = c.side;
  std::vector<int> dist = c.FromStart();
  for (int n = side + side / 2, tries = side * side; n > 0 && tries > 0; --tries) {
    int i = rng.Below(side * side);
    if (c.cell[i] == dat::kFloor && dist[i] > 1) {
      c.cell[i] = dat::kFirefly;
      --n;
    }
  }
  const int flasks = 1 + side / 10;
  for (int n = flasks, tries = side * side; n > 0 && tries > 0; --tries) {
    int i = rng.Below(side * side);
    if (c.cell[i] == dat::kFloor && dist[i] > path / 4) {
      c.cell[i] = dat::kOilFlask;
      --n;
    }
  }
}

Bytes MakeLevel(int number, const LevelPlan& plan) {
  const int side = plan.side;
  Rng rng(0x4D55524Bu + uint32_t(number) * 104729u);
  Cells c = {side, std::vector<uint8_t>(size_t(side) * side, dat::kWall)};
  CarveMaze(c, rng);
  const int path = PlaceStartAndExit(c);
  PlaceBogs(c, rng);
  PlaceItems(c, rng, path);

  // Enough oil to reach the exit with room to look around; darker levels are
  // meaner with it.
  const int oil = path * 2 + 40 - number * 2;
  const int flask = side * 2;

  Bytes out(dat::kLevelHeaderSize + c.cell.size(), 0);
  namespace field = dat::level_at;
  dat::Put16(&out[field::kWidth], uint16_t(side));
  dat::Put16(&out[field::kHeight], uint16_t(side));
  dat::Put16(&out[field::kOil], uint16_t(oil));
  dat::Put16(&out[field::kFlaskOil], uint16_t(flask));
  out[field::kRadius] = uint8_t(plan.radius);
  out[field::kBackdrop] = uint8_t(plan.backdrop);
  out[field::kAmbient] = uint8_t(plan.ambient);
  memcpy(&out[field::kName], plan.name, strlen(plan.name));
  memcpy(&out[dat::kLevelHeaderSize], c.cell.data(), c.cell.size());
  return out;
}

}  // namespace

int LevelCount() { return kLevelCount; }

bool FindUnreachableItem(const Bytes& chunk, int* item_x, int* item_y) {
  const int width = dat::Get16(&chunk[dat::level_at::kWidth]), height = dat::Get16(&chunk[dat::level_at::kHeight]);
  const uint8_t* cells = &chunk[dat::kLevelHeaderSize];
  int start = 0;
  for (int i = 0; i < width * height; ++i)
    if (cells[i] == dat::kStart) start = i;
  const std::vector<int> dist = Distances(
      width, height, start % width, start / width,
      [&](int i) { return cells[i] != dat::kWall && cells[i] != dat::kBog; },
      [&](int i) { return cells[i] == dat::kExit; });
  for (int i = 0; i < width * height; ++i)
    if ((cells[i] == dat::kFirefly || cells[i] == dat::kOilFlask) && dist[size_t(i)] < 0) {
      *item_x = i % width;
      *item_y = i / width;
      return true;
    }
  return false;
}

Bytes LevelChunk(int number) { return MakeLevel(number, kLevels[number - 1]); }

}  // namespace gen
