// The rules of Murkle on small hand-drawn levels: movement, walls, pickups,
// oil, bogs, winning and losing, scoring, level progression and walking to a
// clicked cell.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "game.h"
#include "level.h"

namespace {

// '#' wall, '.' floor, '*' firefly, 'o' oil flask, '~' bog, 'S' start, 'E' exit.
std::vector<uint8_t> LevelChunk(std::vector<std::string> rows, int oil, int flask, int radius,
                                const char* name = "Test Fen") {
  // The smallest level the format allows is 5 x 5: short test mazes get rows
  // of wall below them, which leaves every coordinate as drawn.
  while (rows.size() < size_t(dat::kMinLevelSide)) rows.push_back(std::string(rows[0].size(), '#'));
  const int w = int(rows[0].size()), h = int(rows.size());
  std::vector<uint8_t> bytes(dat::kLevelHeaderSize + size_t(w) * h, 0);
  dat::Put16(&bytes[0], uint16_t(w));
  dat::Put16(&bytes[2], uint16_t(h));
  dat::Put16(&bytes[4], uint16_t(oil));
  dat::Put16(&bytes[6], uint16_t(flask));
  bytes[8] = uint8_t(radius);
  bytes[9] = dat::kBackdropDusk;
  bytes[10] = dat::kSoundAmbientDusk;
  memcpy(&bytes[12], name, strlen(name));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const char c = rows[size_t(y)][size_t(x)];
      uint8_t code = c == '#'   ? dat::kWall
                     : c == '*' ? dat::kFirefly
                     : c == 'o' ? dat::kOilFlask
                     : c == '~' ? dat::kBog
                     : c == 'S' ? dat::kStart
                     : c == 'E' ? dat::kExit
                                : dat::kFloor;
      bytes[dat::kLevelHeaderSize + size_t(y) * w + x] = code;
    }
  return bytes;
}

Level MakeLevel(const std::vector<std::string>& rows, int oil = 50, int flask = 10, int radius = 2) {
  std::vector<uint8_t> bytes = LevelChunk(rows, oil, flask, radius);
  Level level;
  EXPECT_TRUE(ParseLevel(bytes.data(), bytes.size(), &level)) << "test level does not parse";
  return level;
}

const std::vector<std::string> kCorridor = {
    "#######",
    "#S.*oE#",
    "#.~####",
    "#.....#",
    "#######",
};

TEST(GameRules, WallsBumpWithoutCostAndStepsBurnOil) {
  Level level = MakeLevel(kCorridor);
  Game game;
  game.NewGame(&level, 1);
  EXPECT_EQ(game.x(), 1);
  EXPECT_EQ(game.y(), 1);
  EXPECT_EQ(game.oil(), 50);
  EXPECT_EQ(game.lanterns(), kLanterns);

  EXPECT_EQ(game.Move(Direction::kUp), MoveResult::kBump) << "wall above the start";
  EXPECT_EQ(game.Move(Direction::kLeft), MoveResult::kBump);
  EXPECT_EQ(game.x(), 1);
  EXPECT_EQ(game.oil(), 50) << "bumping burns no oil";
  EXPECT_EQ(game.facing(), Direction::kLeft) << "a bump still turns the player";

  EXPECT_EQ(game.Move(Direction::kRight), MoveResult::kStep);
  EXPECT_EQ(game.x(), 2);
  EXPECT_EQ(game.oil(), 49);
  EXPECT_EQ(game.Move(Direction::kDown), MoveResult::kBog) << "(2,2) is a bog";
}

TEST(GameRules, FirefliesScoreOnceAndFlasksRefillUpToCapacity) {
  Level level = MakeLevel(kCorridor, 50, 10);
  Game game;
  game.NewGame(&level, 1);
  EXPECT_EQ(game.fireflies_left(), 1);
  game.Move(Direction::kRight);
  EXPECT_EQ(game.Move(Direction::kRight), MoveResult::kFirefly);
  EXPECT_EQ(game.score(), 15u) << "10 + 5 per level";
  EXPECT_EQ(game.fireflies_left(), 0);
  EXPECT_EQ(game.oil(), 48);
  // Back and forth over the same cell scores nothing more.
  EXPECT_EQ(game.Move(Direction::kLeft), MoveResult::kStep);
  EXPECT_EQ(game.Move(Direction::kRight), MoveResult::kStep);
  EXPECT_EQ(game.score(), 15u) << "10 + 5 per level";
  EXPECT_EQ(game.oil(), 46);
  // The flask adds 10 but the lantern holds only 50.
  EXPECT_EQ(game.Move(Direction::kRight), MoveResult::kOil);
  EXPECT_EQ(game.oil(), 50) << "refill capped at the level's starting fill";
  EXPECT_EQ(game.level().At(4, 1), dat::kFloor) << "the flask is used up";
}

TEST(GameRules, FlaskRefillIsNotCappedBelowCapacity) {
  // Start, 6 floor cells, a flask, exit: at the flask the oil is 30 - 7 = 23.
  Level level = MakeLevel({"###########", "#S......oE#", "###########"}, 30, 5);
  Game game;
  game.NewGame(&level, 1);
  for (int i = 0; i < 7; ++i) game.Move(Direction::kRight);
  EXPECT_EQ(game.oil(), 23 + 5);
}

TEST(GameRules, ExitScoresBonusAndLevelsFollowInOrder) {
  Level levels[2] = {MakeLevel({"#####", "#SE.#", "#####"}, 20),
                     MakeLevel({"#####", "#.SE#", "#####"}, 30)};
  Game game;
  game.NewGame(levels, 2);
  EXPECT_EQ(game.level_number(), 1);
  EXPECT_EQ(game.Move(Direction::kRight), MoveResult::kExit);
  EXPECT_EQ(game.phase(), Phase::kLevelDone);
  EXPECT_EQ(game.score(), 138u) << "100 per level + 2 per unit of oil left";
  EXPECT_EQ(game.Move(Direction::kRight), MoveResult::kIgnored) << "no moves between levels";

  ASSERT_TRUE(game.NextLevel());
  EXPECT_FALSE(game.NextLevel()) << "only from a finished level";
  EXPECT_EQ(game.level_number(), 2);
  EXPECT_EQ(game.phase(), Phase::kPlaying);
  EXPECT_EQ(game.x(), 2) << "on level 2's own start";
  EXPECT_EQ(game.oil(), 30);
  EXPECT_EQ(game.lanterns(), kLanterns);

  EXPECT_EQ(game.Move(Direction::kRight), MoveResult::kVictory) << "level 2 is the last";
  EXPECT_EQ(game.phase(), Phase::kWon);
  EXPECT_EQ(game.score(), 138u + 258u) << "then 100 x 2 + 2 x 29 oil";
  EXPECT_FALSE(game.NextLevel());
}

TEST(GameRules, BogsAndEmptyLanternsCostALanternAndRestartTheLevelUntilGameOver) {
  Level level = MakeLevel({"#######", "#S~..E#", "#.....#", "#######"}, 3, 0);
  Game game;
  game.NewGame(&level, 1);
  // One lantern to the bog: back on the start with a full lantern.
  game.Move(Direction::kDown);
  EXPECT_EQ(game.Move(Direction::kUp), MoveResult::kStep);
  EXPECT_EQ(game.Move(Direction::kRight), MoveResult::kBog);
  EXPECT_EQ(game.lanterns(), 2);
  EXPECT_EQ(game.x(), 1);
  EXPECT_EQ(game.y(), 1);
  EXPECT_EQ(game.oil(), 3);
  // One to darkness: three steps with three units of oil.
  game.Move(Direction::kDown);
  game.Move(Direction::kRight);
  EXPECT_EQ(game.Move(Direction::kRight), MoveResult::kLanternOut);
  EXPECT_EQ(game.lanterns(), 1);
  EXPECT_EQ(game.x(), 1);
  EXPECT_EQ(game.oil(), 3);
  // The last one.
  EXPECT_EQ(game.Move(Direction::kRight), MoveResult::kGameOver);
  EXPECT_EQ(game.lanterns(), 0);
  EXPECT_EQ(game.phase(), Phase::kLost);
  EXPECT_EQ(game.Move(Direction::kDown), MoveResult::kIgnored);
}

TEST(GameRules, ReachingTheExitOnTheLastDropCounts) {
  Level level = MakeLevel({"######", "#S..E#", "######"}, 3);
  Game game;
  game.NewGame(&level, 1);
  game.Move(Direction::kRight);
  game.Move(Direction::kRight);
  EXPECT_EQ(game.Move(Direction::kRight), MoveResult::kVictory);
  EXPECT_EQ(game.score(), 100u);
}

TEST(GameRules, PickupsStayTakenAfterALostLanternAndNewGameStartsAfresh) {
  Level level = MakeLevel({"######", "#S*~E#", "######"});
  Game game;
  game.NewGame(&level, 1);
  game.Move(Direction::kRight);
  EXPECT_EQ(game.Move(Direction::kRight), MoveResult::kBog);
  EXPECT_EQ(game.fireflies_left(), 0);
  EXPECT_EQ(game.score(), 15u) << "10 + 5 per level";
  game.NewGame(&level, 1);
  EXPECT_EQ(game.fireflies_left(), 1) << "a new game starts from the level as loaded";
  EXPECT_EQ(game.score(), 0u);
  EXPECT_EQ(game.lanterns(), kLanterns);
}

TEST(GameRules, LanternLightsARoundPatchAndDimsWhenNearlyDry) {
  std::vector<std::string> open(9, std::string(9, '.'));
  open[4][4] = 'S';
  open[0][0] = 'E';
  Level level = MakeLevel(open, 20, 0, 3);
  Game game;
  game.NewGame(&level, 1);
  EXPECT_EQ(game.LightRadius(), 3);
  EXPECT_TRUE(game.Lit(7, 4)) << "three cells straight out";
  EXPECT_TRUE(game.Lit(6, 6)) << "two by two diagonally";
  EXPECT_FALSE(game.Lit(7, 7)) << "three by three is outside the circle";
  EXPECT_FALSE(game.Lit(8, 4));
  EXPECT_TRUE(game.Seen(7, 4));
  EXPECT_FALSE(game.Seen(8, 4));
  // Below a fifth of the fill (4 of 20) the light shrinks by one cell.
  for (int i = 0; i < 16; ++i) game.Move(i % 2 ? Direction::kLeft : Direction::kRight);
  EXPECT_EQ(game.oil(), 4);
  EXPECT_EQ(game.LightRadius(), 3);
  game.Move(Direction::kRight);
  EXPECT_EQ(game.oil(), 3);
  EXPECT_EQ(game.LightRadius(), 2);
  EXPECT_TRUE(game.Seen(7, 4)) << "the marsh stays remembered";
}

TEST(GameRules, StepTowardsFollowsAShortestSeenPathAroundWallsAndBogs) {
  Level level = MakeLevel({
                              "#######",
                              "#S.#..#",
                              "#.~#.##",
                              "#.....#",
                              "#####E#",
                          },
                          50, 0, 6);
  Game game;
  game.NewGame(&level, 1);
  Direction d;
  ASSERT_TRUE(game.StepTowards(4, 1, &d));
  // Right leads to (2,2), a bog; the only way is down the left side.
  EXPECT_EQ(d, Direction::kDown);
  int steps = 0;
  while (game.StepTowards(4, 1, &d) && steps < 20) {
    EXPECT_NE(game.Move(d), MoveResult::kBog);
    ++steps;
  }
  EXPECT_EQ(game.x(), 4);
  EXPECT_EQ(game.y(), 1);
  EXPECT_EQ(steps, 7) << "down 2, right 3, up 2";
  EXPECT_FALSE(game.StepTowards(4, 1, &d)) << "already there";
  EXPECT_FALSE(game.StepTowards(3, 1, &d)) << "a wall is no target";
  EXPECT_FALSE(game.StepTowards(2, 2, &d)) << "a bog is no target";
  EXPECT_FALSE(game.StepTowards(40, 1, &d)) << "outside the level";
}

TEST(GameRules, StepTowardsOnlyUsesCellsThePlayerHasSeen) {
  Level level = MakeLevel({"###########", "#S.......E#", "###########"}, 50, 0, 1);
  Game game;
  game.NewGame(&level, 1);
  Direction d;
  EXPECT_FALSE(game.StepTowards(5, 1, &d)) << "not seen yet";
  EXPECT_TRUE(game.StepTowards(2, 1, &d));
  EXPECT_EQ(d, Direction::kRight);
}

// Level chunks the game must refuse, each with one thing wrong.
TEST(LevelParsing, RefusesMalformedLevels) {
  const std::vector<std::string> good = {"#####", "#S.E#", "#...#", "#...#", "#####"};
  struct Case {
    const char* what;
    void (*spoil)(std::vector<uint8_t>&);
  };
  const Case cases[] = {
      {"cut short", [](std::vector<uint8_t>& b) { b.pop_back(); }},
      {"a byte too many", [](std::vector<uint8_t>& b) { b.push_back(0); }},
      {"too narrow", [](std::vector<uint8_t>& b) { dat::Put16(&b[0], 4); }},
      {"too wide", [](std::vector<uint8_t>& b) { dat::Put16(&b[0], dat::kMaxLevelSide + 1); }},
      {"no oil", [](std::vector<uint8_t>& b) { dat::Put16(&b[4], 0); }},
      {"no light", [](std::vector<uint8_t>& b) { b[8] = 0; }},
      {"too much light", [](std::vector<uint8_t>& b) { b[8] = kMaxLightRadius + 1; }},
      {"unknown backdrop", [](std::vector<uint8_t>& b) { b[9] = dat::kBackdrops + 1; }},
      {"unknown sound", [](std::vector<uint8_t>& b) { b[10] = 0; }},
      {"unterminated name", [](std::vector<uint8_t>& b) { memset(&b[12], 'x', dat::kLevelNameSize); }},
      {"unknown cell", [](std::vector<uint8_t>& b) { b[dat::kLevelHeaderSize + 7] = dat::kCellCodes; }},
      {"two starts", [](std::vector<uint8_t>& b) { b[dat::kLevelHeaderSize + 12] = dat::kStart; }},
      {"no start", [](std::vector<uint8_t>& b) { b[dat::kLevelHeaderSize + 6] = dat::kFloor; }},
      {"no exit", [](std::vector<uint8_t>& b) { b[dat::kLevelHeaderSize + 8] = dat::kFloor; }},
  };
  std::vector<uint8_t> bytes = LevelChunk(good, 9, 1, 2);
  Level level;
  ASSERT_TRUE(ParseLevel(bytes.data(), bytes.size(), &level)) << "the unspoilt level";
  EXPECT_EQ(level.start_x, 1);
  EXPECT_EQ(level.start_y, 1);
  EXPECT_STREQ(level.name, "Test Fen");
  for (const Case& c : cases) {
    std::vector<uint8_t> spoilt = bytes;
    c.spoil(spoilt);
    Level poisoned;
    memset(&poisoned, 0xA5, sizeof poisoned);
    EXPECT_FALSE(ParseLevel(spoilt.data(), spoilt.size(), &poisoned)) << c.what;
    EXPECT_EQ(poisoned.width, int(0xA5A5A5A5)) << c.what << ": a refused level leaves the output alone";
  }
}

}  // namespace
