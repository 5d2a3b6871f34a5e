// Placing the foods, and the big food's countdown, on the virtual console.
#include "food.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include "game_fixture.h"
#include "snake.h"

namespace {

using Cells = std::vector<Point>;

class FoodTest : public GameTest {
protected:
    // Four normal foods along row 3, out of the snake's way, then a fifth
    // that brings a big food to (big_x, big_y).
    void BringBigFood(int big_x, int big_y) {
        for (int i = 0; i < 5; ++i) NextDrawsCell(next_column_++, 3);
        NextDrawsCell(big_x, big_y);
        for (int i = 0; i < 5; ++i) food.DrawFood(snake);
    }
    Snake snake;
    Food food;
    int next_column_ = 2;
};

// Each placement first draws cells of the snake or of the other food.
TEST_F(FoodTest, FoodsAvoidTheSnakeAndEachOther) {
    for (const Point& cell : Cells{{14, 8}, {16, 8}, {5, 4}, {5, 4}, {15, 8}, {6, 9}, {6, 9}}) {
        NextDrawsCell(cell.GetX(), cell.GetY());
    }
    NextDrawsCell(7, 12);
    food.DrawFood(snake);
    food.DrawBigFood(snake);
    food.DrawFood(snake);
    EXPECT_EQ(CellsShowing(screen(), "★"), (Cells{{5, 4}, {7, 12}}));
    EXPECT_EQ(CellsShowing(screen(), "■"), (Cells{{6, 9}}));
}

// The bar drains from the top, first to "○", past flash 20 to blank; the big
// food is hidden after odd flashes and gone after the 40th.
TEST_F(FoodTest, FlashesDrainTheBarAndTheFortiethTakesTheBigFoodAway) {
    NextDrawsCell(10, 12);
    food.DrawBigFood(snake);
    EXPECT_EQ(BarAt(screen()), Repeat("●", 20));
    // After a flash: the bar's blank and drained cells (the rest full), and
    // the big food's cell.
    const std::tuple<int, int, int, const char*, int> looks[] = {
        {1, 0, 1, " ", 18}, {20, 0, 20, "■", 18}, {21, 1, 19, " ", 18}, {40, 20, 0, " ", 11}};
    int flashes = 0;
    for (const auto& [flash, blank, drained, cell, cell_attribute] : looks) {
        for (; flashes < flash; ++flashes) food.FlashBigFood();
        SCOPED_TRACE(::testing::Message() << "after flash " << flashes);
        EXPECT_EQ(BarAt(screen()),
                  Repeat(" ", blank) + Repeat("○", drained) + Repeat("●", 20 - blank - drained));
        EXPECT_EQ(AttributeAt(screen(), 0, 21), 11);
        EXPECT_EQ(GlyphAt(screen(), 10, 12), cell);
        EXPECT_EQ(AttributeAt(screen(), 10, 12), cell_attribute);
        EXPECT_EQ(food.GetProgressBar(), 40 - flashes);
        EXPECT_EQ(food.GetBigFlag(), flashes < 40);
    }
}

TEST_F(FoodTest, AReplacedBigFoodIsErasedUnlessTheHeadStandsOnIt) {
    BringBigFood(20, 20);
    food.FlashBigFood();
    food.FlashBigFood();
    BringBigFood(16, 9);
    EXPECT_EQ(GlyphAt(screen(), 20, 20), " ");
    EXPECT_EQ(AttributeAt(screen(), 20, 20) & 0xF0, 0) << "no blue block left behind";
    EXPECT_EQ(GlyphAt(screen(), 16, 9), "■");
    EXPECT_EQ(BarAt(screen()), Repeat("●", 20));
    EXPECT_EQ(food.GetProgressBar(), 40);

    snake.Move();  // the head takes the place of the big food at (16, 9)
    BringBigFood(22, 22);
    EXPECT_EQ(GlyphAt(screen(), 16, 9), "●");
    EXPECT_EQ(AttributeAt(screen(), 16, 9), 14);
    EXPECT_FALSE(snake.GetBigFood(food)) << "only the new big food counts";
}

// A thousand draws on the snake, then one more a free cell: the 1001st draw
// is not drawn at all, so the cell comes from the free ones.
TEST_F(FoodTest, AfterAThousandMissesOneMoreDrawPicksAFreeCell) {
    for (int i = 0; i < 1000; ++i) NextDrawsCell(16, 8);
    constexpr int kSentinel = 40000;  // beyond the generator's 0 to 32767
    console.ScriptRandom({0, kSentinel});
    ASSERT_TRUE(food.DrawFood(snake));
    const Cells foods = CellsShowing(screen(), "★");
    ASSERT_EQ(foods.size(), 1u);
    EXPECT_TRUE(foods[0].GetX() >= 2 && foods[0].GetY() >= 2 && foods[0].GetY() <= 29);
    EXPECT_EQ(std::count(snake.GetBody().begin(), snake.GetBody().end(), foods[0]), 0);
    EXPECT_EQ(console.Random(), kSentinel);
}

TEST_F(FoodTest, TheLastFreeCellTakesTheFoodAndAFullBoardNone) {
    const auto grow = [&](int steps) {
        for (int i = 0; i < steps; ++i) {
            const Point& head = snake.GetBody().back();
            console.PushKeys({key::kArrowPrefix, ArrowTowards(head, CycleNext(head))});
            snake.ChangeDirection();
            snake.Move();
        }
    };
    grow(kPlayableCells - 4);
    ASSERT_TRUE(food.DrawFood(snake));
    EXPECT_EQ(CellsShowing(screen(), "★"), (Cells{{13, 8}})) << "the cell behind the tail";
    grow(1);
    const Screen before = console.screen();
    EXPECT_FALSE(food.DrawFood(snake));
    EXPECT_EQ(console.screen(), before);
    EXPECT_EQ(food.GetCnt(), 1);
}

}  // namespace
