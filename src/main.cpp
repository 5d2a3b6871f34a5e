#include "main.h"

#include "controller.h"

int main() {
    return RunOnSystemConsole([] {
        Controller controller;
        controller.Game();
    });
}
