#pragma once

// Owns the difficulty and the score and strings the screens together: the
// opening, the welcome lines, then difficulty selection, game screen and a
// round of play, over and over until the player leaves.
class Controller {
public:
    Controller() = default;

    void Game();
    void Start();
    void Background();
    void Select();
    void DrawGame();
    // One round: 1 when the player wants another, 2 when the player leaves.
    int PlayGame();
    void UpdateScore(const int& amount);
    // The pause menu: 1 continue, 2 restart, 3 exit.
    int Menu();
    // The game-over box: 1 another round, 2 leave.
    int GameOver();

    int tick_ms = 200;
    int mode = 1;
    int score = 0;
};
