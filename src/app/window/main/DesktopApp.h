#pragma once

namespace pw {

// The desktop program: one instance per user and program folder; it starts into the tray with the
// splash showing the progress, and runs until its window is closed (or SIGINT/SIGTERM, which let
// go of every held key first). 0 when a running instance was asked to show its window instead;
// 2 when the settings store cannot be opened.
int runDesktop(int argc, char** argv);

}  // namespace pw
