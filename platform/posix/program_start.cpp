// POSIX hands main its arguments as given and its streams as the starter
// left them (platform/program_start.h).
#include "platform/program_start.h"

void startProgram(int&, char**&) {}
