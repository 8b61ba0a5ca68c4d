#pragma once

#include <atomic>
#include <iosfwd>
#include <string>

namespace pw {

// padwarden --simulate FILE: reads and checks the whole script (a malformed line, or a game that
// is not in the library, stops it before any tick with "FILE:LINE: what is wrong" on err and
// status 2), then plays it and prints the events to out. Announcements go to err; the control
// panel is never started. stop ends the run early, held keys released as at any exit.
int runSimulateCommand(const std::string& file, std::ostream& out, std::ostream& err,
                       const std::atomic<bool>* stop);

}  // namespace pw
