#pragma once

namespace pw {

struct HeadlessOptions {
    // Print key events to standard output ("down VK SCAN", "up VK SCAN") instead of sending them.
    bool printKeys = false;
    // Drive an SDL virtual controller from standard input (press N, release N, axis x|y|z|r VALUE,
    // hat DIRECTION, one statement a line) instead of an attached one.
    bool virtualPad = false;
};

// padwarden --headless: the mapper without windows. Start-up as the desktop program does it (the
// store, the language tables, the lookup list, the controller in use), then the process watcher,
// automatic activation, the 1 ms polling loop and real key output, until SIGINT or SIGTERM, which
// let go of every held key first. Each event that matters is one line on standard error.
int runHeadless(int argc, char** argv, const HeadlessOptions& options);

}  // namespace pw
