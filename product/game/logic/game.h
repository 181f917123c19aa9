// The rules of Murkle. No window, no files: the window feeds moves in and draws
// what this state says.
//
// The player walks a marsh maze by lantern light. Every step burns a unit of oil;
// flasks refill the lantern up to the level's starting fill. Fireflies score
// points; the exit scores a bonus for the level and for the oil left. A bog hole,
// or a lantern that runs dry away from the exit, costs one of three lanterns and
// puts the player back on the level's start. Walls only bump.
#ifndef MURKLE_GAME_H
#define MURKLE_GAME_H

#include <cstdint>

#include "level.h"

enum class Direction { kUp, kDown, kLeft, kRight };

enum class Phase {
  kPlaying,
  kLevelDone,  // waiting for NextLevel()
  kWon,        // the last level's exit reached
  kLost,       // no lanterns left
};

// What one move did; the window plays a sound and shows a message for it.
enum class MoveResult {
  kIgnored,     // not playing
  kBump,        // a wall or the marsh's edge; nothing changed but the facing
  kStep,
  kFirefly,
  kOil,
  kBog,         // a lantern lost, back to the start
  kLanternOut,  // a lantern lost, back to the start
  kExit,        // level done, more to come
  kVictory,     // the last level done
  kGameOver,    // the last lantern lost
};

constexpr int kLanterns = 3;

// Points for a firefly and for finishing a level, by level number from 1.
constexpr uint32_t FireflyPoints(int level) { return 10 + 5 * uint32_t(level); }
constexpr uint32_t ExitBonus(int level, int oil_left) { return 100 * uint32_t(level) + 2 * uint32_t(oil_left); }

class Game {
 public:
  // levels[0 .. count-1] must outlive the game. count must be at least 1.
  void NewGame(const Level* levels, int count);
  MoveResult Move(Direction direction);
  // From kLevelDone: starts the next level. False in any other phase.
  bool NextLevel();

  // The first step of a shortest walk to (x, y) through cells the player has
  // seen, keeping out of walls and bogs. False when there is no such walk or
  // the player is already there.
  bool StepTowards(int x, int y, Direction* first) const;

  Phase phase() const { return phase_; }
  int level_number() const { return level_index_ + 1; }
  int level_count() const { return level_count_; }
  const Level& level() const { return level_; }  // as it stands, pickups removed
  int x() const { return x_; }
  int y() const { return y_; }
  Direction facing() const { return facing_; }
  int oil() const { return oil_; }
  int lanterns() const { return lanterns_; }
  uint32_t score() const { return score_; }
  int fireflies_left() const;
  // How far the lantern reaches now: a cell less when it is nearly dry.
  int LightRadius() const;
  bool Lit(int x, int y) const;
  bool Seen(int x, int y) const { return level_.Inside(x, y) && seen_[y * level_.width + x] != 0; }

 private:
  void StartLevel(int index);
  void BackToStart();
  void Reveal();
  MoveResult LoseLantern(MoveResult why);

  const Level* levels_ = nullptr;
  int level_count_ = 0;
  int level_index_ = 0;
  Level level_ = {};
  uint8_t seen_[kMaxCells] = {};
  Phase phase_ = Phase::kLost;
  int x_ = 0, y_ = 0;
  Direction facing_ = Direction::kDown;
  int oil_ = 0;
  int lanterns_ = 0;
  uint32_t score_ = 0;
};

#endif
