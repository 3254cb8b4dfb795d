// The programs' main(): the platform turns the arguments into WinMain's command line.
#include "platform/backend.h"

int main(int argc, char** argv) { return platform::runProgram(argc, argv, &WinMain); }
