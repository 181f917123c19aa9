#include "game.h"

#include <cstring>

namespace {

void Offset(Direction d, int* dx, int* dy) {
  *dx = d == Direction::kLeft ? -1 : d == Direction::kRight ? 1 : 0;
  *dy = d == Direction::kUp ? -1 : d == Direction::kDown ? 1 : 0;
}

}  // namespace

void Game::NewGame(const Level* levels, int count) {
  levels_ = levels;
  level_count_ = count;
  lanterns_ = kLanterns;
  score_ = 0;
  StartLevel(0);
}

void Game::StartLevel(int index) {
  level_index_ = index;
  level_ = levels_[index];
  memset(seen_, 0, sizeof seen_);
  phase_ = Phase::kPlaying;
  facing_ = Direction::kDown;
  BackToStart();
}

void Game::BackToStart() {
  x_ = level_.start_x;
  y_ = level_.start_y;
  oil_ = level_.oil;
  Reveal();
}

int Game::LightRadius() const {
  int radius = level_.radius;
  if (oil_ * 5 < level_.oil && radius > 1) --radius;
  return radius;
}

bool Game::Lit(int x, int y) const {
  if (!level_.Inside(x, y)) return false;
  const int dx = x - x_, dy = y - y_, r = LightRadius();
  // r * r + r rounds the circle out a little: radius 1 lights the 3 x 3 block
  // around the player, and larger radii look round rather than spiky.
  return dx * dx + dy * dy <= r * r + r;
}

void Game::Reveal() {
  const int r = LightRadius();
  for (int y = y_ - r; y <= y_ + r; ++y)
    for (int x = x_ - r; x <= x_ + r; ++x)
      if (Lit(x, y)) seen_[y * level_.width + x] = 1;
}

int Game::fireflies_left() const {
  int n = 0;
  for (int i = 0; i < level_.width * level_.height; ++i) n += level_.cells[i] == dat::kFirefly;
  return n;
}

MoveResult Game::LoseLantern(MoveResult why) {
  if (--lanterns_ <= 0) {
    lanterns_ = 0;
    phase_ = Phase::kLost;
    return MoveResult::kGameOver;
  }
  BackToStart();
  return why;
}

MoveResult Game::Move(Direction direction) {
  if (phase_ != Phase::kPlaying) return MoveResult::kIgnored;
  facing_ = direction;
  int dx, dy;
  Offset(direction, &dx, &dy);
  const int nx = x_ + dx, ny = y_ + dy;
  if (!level_.Inside(nx, ny) || level_.At(nx, ny) == dat::kWall) return MoveResult::kBump;

  x_ = nx;
  y_ = ny;
  --oil_;
  uint8_t& cell = level_.cells[ny * level_.width + nx];
  MoveResult result = MoveResult::kStep;
  switch (cell) {
    case dat::kBog:
      return LoseLantern(MoveResult::kBog);
    case dat::kExit:
      // Reaching the exit on the last drop still counts.
      score_ += ExitBonus(level_number(), oil_);
      if (level_index_ + 1 >= level_count_) {
        phase_ = Phase::kWon;
        return MoveResult::kVictory;
      }
      phase_ = Phase::kLevelDone;
      return MoveResult::kExit;
    case dat::kFirefly:
      score_ += FireflyPoints(level_number());
      cell = dat::kFloor;
      result = MoveResult::kFirefly;
      break;
    case dat::kOilFlask:
      oil_ += level_.flask_oil;
      if (oil_ > level_.oil) oil_ = level_.oil;
      cell = dat::kFloor;
      result = MoveResult::kOil;
      break;
    default:
      break;
  }
  if (oil_ <= 0) return LoseLantern(MoveResult::kLanternOut);
  Reveal();
  return result;
}

bool Game::NextLevel() {
  if (phase_ != Phase::kLevelDone) return false;
  StartLevel(level_index_ + 1);
  return true;
}

bool Game::StepTowards(int tx, int ty, Direction* first) const {
  if (phase_ != Phase::kPlaying || !Seen(tx, ty) || (tx == x_ && ty == y_)) return false;
  const int w = level_.width, h = level_.height;
  auto open = [&](int x, int y) {
    dat::CellCode c = level_.At(x, y);
    return Seen(x, y) && c != dat::kWall && c != dat::kBog;
  };
  if (!open(tx, ty)) return false;
  // Breadth-first from the target back towards the player: the neighbour of the
  // player with the smallest distance is the first step of a shortest walk.
  static const Direction kOrder[4] = {Direction::kUp, Direction::kDown, Direction::kLeft, Direction::kRight};
  int16_t dist[kMaxCells];
  int16_t queue[kMaxCells];
  for (int i = 0; i < w * h; ++i) dist[i] = -1;
  int head = 0, tail = 0;
  dist[ty * w + tx] = 0;
  queue[tail++] = int16_t(ty * w + tx);
  while (head < tail) {
    const int at = queue[head++], x = at % w, y = at / w;
    for (Direction d : kOrder) {
      int dx, dy;
      Offset(d, &dx, &dy);
      const int nx = x + dx, ny = y + dy;
      if (!level_.Inside(nx, ny) || dist[ny * w + nx] >= 0) continue;
      // The player's own cell counts as open whatever it is.
      if (!(nx == x_ && ny == y_) && !open(nx, ny)) continue;
      dist[ny * w + nx] = int16_t(dist[at] + 1);
      queue[tail++] = int16_t(ny * w + nx);
    }
  }
  int best = -1;
  for (Direction d : kOrder) {
    int dx, dy;
    Offset(d, &dx, &dy);
    const int nx = x_ + dx, ny = y_ + dy;
    if (!level_.Inside(nx, ny)) continue;
    const int v = dist[ny * w + nx];
    // Every cell the search reached is open (the player's own is no neighbour).
    if (v >= 0 && (best < 0 || v < best)) {
      best = v;
      *first = d;
    }
  }
  return best >= 0;
}
