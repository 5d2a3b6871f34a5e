#include "controller.h"

#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "food.h"
#include "map.h"
#include "platform/screen.h"
#include "platform/text.h"
#include "snake.h"
#include "starter.h"
#include "tool.h"

namespace {

constexpr int kSnakeColour = 6;
constexpr int kPanelColour = 11;

void ParkCursor() {
    SetCursorPosition(0, 31);
}

// Amount of score units a big food is worth: more the sooner it is eaten.
int BigFoodUnits(int countdown) {
    return countdown / 10 + 1;
}

}  // namespace

int Controller::PlayGame() {
    auto snake = std::make_unique<Snake>();
    auto food = std::make_unique<Food>();
    SetColor(kSnakeColour);
    snake->InitSnake();
    TheConsole().SeedRandom(static_cast<unsigned>(TheConsole().CalendarTime()));
    food->DrawFood(*snake);

    // The snake and the food are released on every way out, before the
    // game-over box is drawn.
    const auto end_round = [&] {
        snake.reset();
        food.reset();
        return GameOver();
    };
    while (true) {
        if (!snake->OverEdge() || !snake->HitItself()) return end_round();
        if (!snake->ChangeDirection()) {
            const int choice = Menu();
            if (choice == 2) return 1;
            if (choice == 3) return 2;
        }
        if (snake->GetFood(*food)) {
            snake->Move();
            UpdateScore(1);
            // No free cell left: the snake fills the board and the round is over.
            if (!food->DrawFood(*snake)) return end_round();
        } else {
            snake->NormalMove();
        }
        if (snake->GetBigFood(*food)) {
            snake->Move();
            UpdateScore(BigFoodUnits(food->GetProgressBar()));
        }
        if (food->GetBigFlag()) food->FlashBigFood();
        Sleep(tick_ms);
    }
}

void Controller::UpdateScore(const int& amount) {
    if (mode == 4) {
        score += (90 - tick_ms) * amount;
    } else {
        score += amount * mode * 10;
    }
    char field[16];
    std::snprintf(field, sizeof field, "%8d", score);
    SetColor(kPanelColour);
    PrintAt(36, 8, field);
}

namespace {

struct MenuItem {
    int x;
    int y;
    const char* text;
};

constexpr MenuItem kPauseItems[] = {
    {34, 21, "继续游戏"},
    {34, 23, "重新开始"},
    {34, 25, "退出游戏"},
};

// The new item is drawn highlighted before the old one is drawn plain.
void MoveHighlight(const MenuItem& to, const MenuItem& from, int plain_colour) {
    SetBackColor();
    PrintAt(to.x, to.y, to.text);
    SetColor(plain_colour);
    PrintAt(from.x, from.y, from.text);
}

}  // namespace

int Controller::Menu() {
    SetColor(kPanelColour);
    PrintAt(32, 19, "菜单：");
    for (const MenuItem& item : kPauseItems) {
        Sleep(100);
        SetColor(kPanelColour);
        if (&item == kPauseItems) SetBackColor();
        PrintAt(item.x, item.y, item.text);
    }
    ParkCursor();

    int selected = 1;
    while (true) {
        const int code = ReadKey();
        if (code == key::kFunctionPrefix || code == key::kEnter) break;
        if (code == key::kUp && selected > 1) {
            MoveHighlight(kPauseItems[selected - 2], kPauseItems[selected - 1], kPanelColour);
            --selected;
        } else if (code == key::kDown && selected < 3) {
            MoveHighlight(kPauseItems[selected], kPauseItems[selected - 1], kPanelColour);
            ++selected;
        }
        ParkCursor();
    }
    // Continuing clears the menu away; restart and exit leave it on screen.
    if (selected == 1) {
        SetColor(kPanelColour);
        PrintAt(32, 19, "      ");
        for (const MenuItem& item : kPauseItems) PrintAt(item.x, item.y, "        ");
    }
    return selected;
}

namespace {

constexpr const char* kRule = "━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━";
constexpr const char* kFrameRow = " ┃                                                    ┃";

struct BoxLine {
    int x;
    int y;
    const char* text;
};

// "The end" in block letters, inside a frame, over the board.
constexpr BoxLine kBoxLines[] = {
    {8, 9, kRule},
    {7, 10, kFrameRow},
    {7, 11, " ┃  ■■■  ■        ■■      ■■  ■■■      ■  ┃"},
    {7, 12, " ┃    ■    ■■■  ■  ■    ■  ■  ■  ■  ■■■  ┃"},
    {7, 13, " ┃    ■    ■  ■  ■■      ■■    ■  ■  ■  ■  ┃"},
    {7, 14, " ┃    ■    ■  ■    ■■      ■■  ■  ■  ■■■  ┃"},
    {7, 15, kFrameRow},
    {7, 16, " ┃                你卷到的分数为：                    ┃"},
    {7, 17, kFrameRow},
    {7, 18, " ┃    要不要再卷一把（疯狂引诱）？  继续卷  卷个**    ┃"},
    {7, 19, kFrameRow},
    {8, 20, kRule},
};
constexpr int kScoreRow = 16;

constexpr MenuItem kBoxChoices[] = {
    {25, 18, "继续卷"},
    {29, 18, "卷个**"},
};

}  // namespace

int Controller::GameOver() {
    SetColor(kPanelColour);
    Sleep(500);
    for (const BoxLine& line : kBoxLines) {
        PrintAt(line.x, line.y, line.text);
        if (line.y == kScoreRow) PrintAt(24, kScoreRow, std::to_string(score));
        Sleep(&line == &kBoxLines[std::size(kBoxLines) - 1] ? 100 : 30);
    }
    SetBackColor();
    PrintAt(kBoxChoices[0].x, kBoxChoices[0].y, kBoxChoices[0].text);
    ParkCursor();

    int choice = 1;
    while (true) {
        const int code = ReadKey();
        // A function key's 0 confirms at once, without parking the cursor.
        if (code == key::kFunctionPrefix) break;
        if (code == key::kLeft && choice == 2) {
            MoveHighlight(kBoxChoices[0], kBoxChoices[1], kPanelColour);
            choice = 1;
        } else if (code == key::kRight && choice == 1) {
            MoveHighlight(kBoxChoices[1], kBoxChoices[0], kPanelColour);
            choice = 2;
        }
        ParkCursor();
        if (code == key::kEnter) break;
    }
    SetColor(kPanelColour);
    return choice;
}

namespace {

constexpr int kMenuColour = 3;
constexpr int kRemarkColour = 12;
constexpr int kOpeningColour = 2;

// Types a text out one two-column step at a time.
void TypeOut(std::string_view text, int step_ms) {
    for (std::string_view unit : platform::TypingUnits(text)) {
        Print(unit);
        Sleep(step_ms);
    }
}

constexpr const char* kWelcomeLines[] = {
    "欢迎来到Kvor蛇游戏！",
    "既然来了的话，",
    "就努力成为最卷的蛇吧！",
};

}  // namespace

void Controller::Game() {
    Start();
    Background();
    while (true) {
        Select();
        DrawGame();
        if (PlayGame() != 1) return;
        ClearScreen();
    }
}

void Controller::Start() {
    HideCursor();
    SetWindowSize(platform::Screen::kColumns / 2, platform::Screen::kRows);
    SetColor(kOpeningColour);
    auto opening = std::make_unique<StartInterface>();
    opening->Action();
}

// Each line waits for a key; keys are never flushed, so one pressed early is
// taken as soon as its line is complete.
void Controller::Background() {
    SetColor(kMenuColour);
    for (const char* line : kWelcomeLines) {
        SetCursorPosition(15, 22);
        TypeOut(line, 100);
        ReadKey();
        PrintAt(15, 22, "                                    ");
    }
}

namespace {

constexpr MenuItem kModeItems[] = {
    {18, 22, "摆烂模式"},
    {18, 24, "平凡模式"},
    {18, 26, "学怪模式"},
    {18, 28, "卷王模式"},
};
constexpr int kFixedPaces[] = {135, 100, 60};
constexpr int kFastestPace = 20;
constexpr int kSlowestPace = 50;

void DrawModeMenu() {
    SetColor(kMenuColour);
    PrintAt(13, 20, "请选择你的Kvor模式：");
    for (const MenuItem& item : kModeItems) {
        SetColor(kMenuColour);
        if (&item == kModeItems) SetBackColor();
        PrintAt(item.x, item.y, item.text);
    }
    ParkCursor();
}

// Asks for the custom pace; a number outside 20 to 50 earns a remark and a
// random pace instead.
int AskCustomPace() {
    SetColor(kMenuColour);
    PrintAt(13, 20, "                  ");
    for (const MenuItem& item : kModeItems) PrintAt(item.x, item.y, "                  ");
    PrintAt(8, 20, "请输入你想卷的程度（数值越低越卷）（20 ~ 50）：");
    PrintAt(13, 22, ">>>  ");
    const int pace = TheConsole().ReadInt();
    if (pace >= kFastestPace && pace <= kSlowestPace) return pace;

    SetColor(kRemarkColour);
    SetCursorPosition(10, 24);
    TypeOut(pace > kSlowestPace ? "这难度。。。还想当卷王？。。。"
                                : "差不多得了。。。真这么爱卷嘛。。。",
            60);
    Sleep(300);
    TypeOut("我直接安排你！", 60);
    TheConsole().SeedRandom(static_cast<unsigned>(TheConsole().CalendarTime()));
    const int random_pace =
        TheConsole().Random() % (kSlowestPace - kFastestPace + 1) + kFastestPace;
    Sleep(300);
    return random_pace;
}

}  // namespace

void Controller::Select() {
    DrawModeMenu();
    score = 0;
    mode = 1;
    while (true) {
        const int code = ReadKey();
        if (code == key::kFunctionPrefix || code == key::kEnter) break;
        if (code == key::kDown && mode < 4) {
            MoveHighlight(kModeItems[mode], kModeItems[mode - 1], kMenuColour);
            ++mode;
        } else if (code == key::kUp && mode > 1) {
            MoveHighlight(kModeItems[mode - 2], kModeItems[mode - 1], kMenuColour);
            --mode;
        }
    }
    tick_ms = mode < 4 ? kFixedPaces[mode - 1] : AskCustomPace();
}

void Controller::DrawGame() {
    ClearScreen();
    SetColor(kMenuColour);
    auto border = std::make_unique<Map>();
    border->PrintMap();
    border.reset();
    SetColor(kMenuColour);
    PrintAt(32, 1, "Wendlecrux Snake");
    PrintAt(34, 2, "Kvor蛇");
    PrintAt(31, 4, "难度：");
    const int pace = mode < 4 ? kFixedPaces[mode - 1] : tick_ms;
    PrintAt(33, 5, std::string(kModeItems[mode - 1].text) + "（" + std::to_string(pace) + "）");
    PrintAt(31, 7, "得分：");
    PrintAt(37, 8, "     0");
    PrintAt(35, 13, " 方向键移动");
    PrintAt(35, 15, " ESC键暂停");
}
