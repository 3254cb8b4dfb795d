// Injected faults for tests: a named platform call fails while its fault is set
// (the headless backend's --fail NAME, or tests directly).
#pragma once

namespace platform {

void faultSet(const char* name, bool active);
bool faultActive(const char* name);
void faultClearAll();
// True for the names of the calls that can be made to fail.
bool faultKnown(const char* name);
// Those names, separated by ", ".
const char* faultNames();

}  // namespace platform
