#pragma once

namespace pw::test {

// How many times operator new has run in this program. Linking AllocationCounter.cpp replaces the
// global operator new and delete with counting ones.
long allocationCount();

}  // namespace pw::test
