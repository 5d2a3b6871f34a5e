#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

#include "platform/virtual_console.h"
#include "point.h"

class Snake;

namespace bots {

constexpr int kPlayableCells = 28 * 28;

bool Playable(const Point& cell);
// `direction` is one of Snake::Direction.
Point Neighbour(const Point& cell, int direction);
int DirectionTo(const Point& from, const Point& to);
int ArrowCode(int direction);

// A Hamiltonian cycle of the playable board: row 2 from left to right, rows 3
// to 29 back and forth over columns 3 to 29, then up column 2. Row 8 runs to
// the right, so a new snake already lies on it and only has to turn right.
Point CycleNext(const Point& cell);
// The cycle passes straight through `cell` instead of turning there.
bool CycleStraightAt(const Point& cell);
// Queues the arrow key that keeps the snake on the cycle for its next step.
void SteerAlongCycle(platform::VirtualConsole& console, const Snake& snake);

struct Stats {
    long ticks = 0;
    int rounds_ended = 0;  // by death or a full board, with the game-over box
    int big_foods_eaten = 0;
    int big_foods_expired = 0;
    std::size_t longest = 0;
};

// A console that plays rounds by itself. At every key poll it reads the board
// off the screen, checks it against the snake it expects from the previous
// tick's step, then picks a direction and answers with its arrow key. It
// answers the game-over box with Enter. A failed check throws
// std::logic_error, naming what the screen got wrong; a round longer than
// `max_round_ticks` is cut short with OutOfInput.
class BotConsole : public platform::VirtualConsole {
public:
    explicit BotConsole(long max_round_ticks) : max_round_ticks_(max_round_ticks) {}

    // A round starts; one food unit is worth `points_per_unit` in it.
    void NewRound(int points_per_unit);

    bool KeyWaiting() override;
    int ReadKey() override;

    const Stats& stats() const { return stats_; }
    // The score as the bot works it out from what it saw eaten.
    int score() const { return score_; }
    std::size_t length() const { return body_.size(); }
    // The last round ended because the snake covered every playable cell.
    bool board_filled() const { return board_filled_; }

protected:
    virtual int ChooseDirection() = 0;

    const std::deque<Point>& body() const { return body_; }
    int heading() const { return heading_; }
    const std::optional<Point>& food() const { return food_; }
    const std::optional<Point>& big_food() const { return big_food_; }
    long round_ticks() const { return round_ticks_; }
    // The head stands on the normal food, so this tick's step grows.
    bool Grows() const { return food_ && *food_ == body_.back(); }

private:
    struct Board {
        std::size_t snake_cells = 0;
        int foods = 0;
        std::optional<Point> food;
        int big_foods = 0;
        std::optional<Point> big_food;
    };

    Board Scan() const;
    bool BigFoodJustPlaced() const;
    void ApplyStep();
    void TrackFoods(const Board& board);
    void Verify(const Board& board) const;
    void Conclude();
    int ScoreField() const;
    void Check(bool ok, const char* what) const;
    [[noreturn]] void Fail(const std::string& what) const;

    long max_round_ticks_;
    int points_per_unit_ = 10;
    std::deque<Point> body_;
    int heading_ = 0;
    std::optional<Point> food_;
    std::optional<Point> big_food_;
    int countdown_ = 0;
    int score_ = 0;
    long round_ticks_ = 0;
    bool over_ = false;
    bool board_filled_ = false;
    std::deque<int> pending_codes_;
    Stats stats_;
};

// Steers greedily toward the big food, or else the normal food, never turning
// straight into a wall or its body when it has a choice.
class FoodSeeker : public BotConsole {
public:
    using BotConsole::BotConsole;

private:
    int ChooseDirection() override;
    bool Free(const Point& cell) const;
};

// Follows the Hamiltonian cycle and so fills the whole board. It also places
// the food: its random draws name the cell just ahead of the head for the
// normal food, and for the big food a cell ahead where the cycle runs
// straight. The tick that eats a big food takes a second step straight on,
// which at a turn of the cycle would leave it, at the board's corners into
// the wall.
class CycleFollower : public BotConsole {
public:
    using BotConsole::BotConsole;
    int Random() override;

private:
    int ChooseDirection() override;
    Point NextPlacement();

    std::optional<int> pending_row_;
    long placement_tick_ = -1;
    std::optional<Point> normal_placed_;
};

}  // namespace bots
