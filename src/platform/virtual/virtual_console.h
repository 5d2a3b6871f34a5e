#pragma once

#include <chrono>
#include <deque>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/screen_console.h"

namespace platform {

// A console that exists only in memory, for tests: a screen of cells, key
// codes and reply lines scripted in advance, and a virtual clock that sleeping
// advances at once. A whole round runs in milliseconds of real time.
class VirtualConsole : public ScreenConsole {
public:
    using Millis = std::chrono::milliseconds;

    // Thrown when the game waits for input the script does not hold, so that
    // a test ends instead of hanging.
    struct OutOfInput : std::runtime_error {
        OutOfInput() : std::runtime_error("the script holds no more input") {}
    };

    struct Slept {
        Millis at;
        Millis duration;
    };

    // Keys pressed at virtual time `at`: not waiting before then, and a
    // blocking read that needs them lets the clock run up to `at`.
    void PushKeys(std::initializer_list<int> codes, Millis at = Millis{0});
    void PushLine(std::string line);
    void SetCalendarTime(std::time_t time) { calendar_time_ = time; }
    // Values for the next draws of Random, before the generator takes over.
    void ScriptRandom(std::initializer_list<int> values);
    // Keeps a copy of the screen at every passing of virtual time, for
    // ScreenAt. Off by default: long soak runs would hoard copies.
    void RecordFrames(bool on) { record_frames_ = on; }

    // The screen as it stood at virtual time `at`.
    const Screen& ScreenAt(Millis at) const;
    Millis Now() const { return now_; }
    const std::vector<Slept>& Sleeps() const { return sleeps_; }
    const std::string& title() const { return title_; }
    std::pair<int, int> requested_size() const { return requested_size_; }
    int clears() const { return clears_; }
    std::size_t keys_left() const { return keys_.size(); }

    void Clear() override;
    void SetTitle(std::string_view title) override { title_ = title; }
    void RequestWindowSize(int columns, int rows) override { requested_size_ = {columns, rows}; }
    void Sleep(std::chrono::milliseconds duration) override;
    std::time_t CalendarTime() override { return calendar_time_; }
    void SeedRandom(unsigned seed) override { random_state_ = seed; }
    int Random() override;

protected:
    bool KeyReady() override;
    int WaitForKey() override;
    // The next scripted line, typed key by key.
    int ReadNumberReply() override;

private:
    struct Key {
        int code;
        Millis at;
    };
    struct Frame {
        Millis from;
        Screen screen;
    };

    void AdvanceTo(Millis at);

    std::string title_;
    std::pair<int, int> requested_size_{0, 0};
    int clears_ = 0;

    std::deque<Key> keys_;
    std::deque<std::string> lines_;
    Millis now_{0};
    std::vector<Slept> sleeps_;
    bool record_frames_ = false;
    std::vector<Frame> frames_;

    std::time_t calendar_time_ = 0;
    std::deque<int> scripted_random_;
    unsigned random_state_ = 1;
};

}  // namespace platform
