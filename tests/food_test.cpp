#include "food.h"

#include <algorithm>
#include <vector>

#include "bots.h"
#include "game_fixture.h"
#include "snake.h"

namespace {

using Cells = std::vector<Point>;

// Outside the generator's range of 0 to 32767, so it can only come from the
// script.
constexpr int kSentinel = 40000;

class FoodTest : public GameTest {
protected:
    // Normal foods along row 3, out of the snake's way.
    void DrawFoods(int count) {
        for (int i = 0; i < count; ++i) {
            NextDrawsCell(next_column_++, 3);
            food.DrawFood(snake);
        }
    }
    void DrawFoodBringingBigFood(int big_x, int big_y) {
        NextDrawsCell(next_column_++, 3);
        NextDrawsCell(big_x, big_y);
        food.DrawFood(snake);
    }
    // Grows the snake along the board's Hamiltonian cycle.
    void Grow(int steps) {
        for (int i = 0; i < steps; ++i) {
            bots::SteerAlongCycle(console, snake);
            snake.ChangeDirection();
            snake.Move();
        }
    }
    Snake snake;
    Food food;
    int next_column_ = 2;
};

TEST_F(FoodTest, FoodsAvoidTheSnakeAndEachOther) {
    NextDrawsCell(14, 8);
    NextDrawsCell(16, 8);
    NextDrawsCell(5, 4);
    food.DrawFood(snake);
    NextDrawsCell(5, 4);
    NextDrawsCell(15, 8);
    NextDrawsCell(6, 9);
    food.DrawBigFood(snake);
    NextDrawsCell(6, 9);
    NextDrawsCell(7, 12);
    food.DrawFood(snake);

    EXPECT_EQ(CellsShowing("★"), (Cells{{5, 4}, {7, 12}}));
    EXPECT_EQ(CellsShowing("■"), (Cells{{6, 9}}));
    console.ScriptRandom({kSentinel});
    EXPECT_EQ(console.Random(), kSentinel) << "every scripted draw used, and no more";
}

struct FlashLook {
    int flash;
    int blank;
    int drained;
    int full;
    const char* cell;
    int cell_attribute;
};

// The bar drains from the top, first to "○", past flash 20 to blank; the big
// food is hidden after odd flashes and gone after the 40th.
constexpr FlashLook kFlashLooks[] = {
    {1, 0, 1, 19, " ", 18},
    {20, 0, 20, 0, "■", 18},
    {21, 1, 19, 0, " ", 18},
    {40, 20, 0, 0, " ", 11},
};

TEST_F(FoodTest, FlashesDrainTheBarAndTheFortiethTakesTheBigFoodAway) {
    NextDrawsCell(10, 12);
    food.DrawBigFood(snake);
    EXPECT_EQ(BarAt(console.screen()), Repeat("●", 20));
    EXPECT_EQ(GlyphAt(10, 12), "■");

    int flashes = 0;
    for (const FlashLook& look : kFlashLooks) {
        while (flashes < look.flash) {
            food.FlashBigFood();
            ++flashes;
        }
        SCOPED_TRACE(::testing::Message() << "after flash " << flashes);
        EXPECT_EQ(BarAt(console.screen()),
                  Repeat(" ", look.blank) + Repeat("○", look.drained) + Repeat("●", look.full));
        for (int row = 2; row <= 21; ++row) EXPECT_EQ(AttributeAt(0, row), 11);
        EXPECT_EQ(GlyphAt(10, 12), look.cell);
        EXPECT_EQ(AttributeAt(10, 12), look.cell_attribute);
        EXPECT_EQ(food.GetProgressBar(), 40 - flashes);
        EXPECT_EQ(food.GetBigFlag(), flashes < 40);
    }
}

TEST_F(FoodTest, ABigFoodReplacedByTheNextFifthFoodIsErased) {
    DrawFoods(4);
    DrawFoodBringingBigFood(16, 9);
    DrawFoods(4);
    DrawFoodBringingBigFood(20, 20);
    EXPECT_EQ(GlyphAt(16, 9), " ");
    EXPECT_EQ(AttributeAt(16, 9) & 0xF0, 0) << "no blue block left behind";
    EXPECT_EQ(GlyphAt(20, 20), "■");
    EXPECT_EQ(BarAt(console.screen()), Repeat("●", 20));
    EXPECT_EQ(food.GetProgressBar(), 40);
}

TEST_F(FoodTest, AReplacedBigFoodUnderTheHeadKeepsTheHead) {
    DrawFoods(4);
    DrawFoodBringingBigFood(16, 9);
    DrawFoods(4);
    snake.Move();  // the growing step of the tick that places the tenth food
    DrawFoodBringingBigFood(20, 20);
    EXPECT_EQ(GlyphAt(16, 9), "●");
    EXPECT_EQ(AttributeAt(16, 9), 14);
    EXPECT_FALSE(snake.GetBigFood(food)) << "only the new big food counts";
}

TEST_F(FoodTest, AfterAThousandMissesOneMoreDrawPicksAFreeCell) {
    for (int i = 0; i < 1000; ++i) NextDrawsCell(16, 8);
    console.ScriptRandom({0, kSentinel});
    ASSERT_TRUE(food.DrawFood(snake));
    const Cells foods = CellsShowing("★");
    ASSERT_EQ(foods.size(), 1u);
    EXPECT_TRUE(bots::Playable(foods[0]));
    EXPECT_EQ(std::count(snake.GetBody().begin(), snake.GetBody().end(), foods[0]), 0);
    EXPECT_EQ(console.Random(), kSentinel);
}

TEST_F(FoodTest, TheLastFreeCellTakesTheFoodAndAFullBoardNone) {
    Grow(bots::kPlayableCells - 4);
    ASSERT_EQ(snake.GetBody().size(), bots::kPlayableCells - 1u);
    ASSERT_TRUE(food.DrawFood(snake));
    EXPECT_EQ(CellsShowing("★"), (Cells{{13, 8}})) << "the cell behind the tail";

    Grow(1);
    const Screen before = console.screen();
    EXPECT_FALSE(food.DrawFood(snake));
    EXPECT_EQ(console.screen(), before);
    EXPECT_EQ(food.GetCnt(), 1);
}

}  // namespace
