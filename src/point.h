#pragma once

// One cell of the grid, able to draw itself in the current colour.
class Point {
public:
    Point(int x, int y) : x(x), y(y) {}

    int GetX() const { return x; }
    int GetY() const { return y; }
    void Move(int new_x, int new_y);

    void PrintH() const;  // "■"
    void PrintO() const;  // "●"
    void PrintN() const;  // two spaces: erases the cell

    friend bool operator==(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }
    // Descending: greater column first, then greater row. Sorting with it
    // leaves the leftmost column's top cell at the back, where the opening
    // animation takes its cells from.
    friend bool operator<(const Point& a, const Point& b) {
        return a.x > b.x || (a.x == b.x && a.y > b.y);
    }

private:
    int x;
    int y;
};
