// The program's name and its files' names in a page (base/program_message.h).
#include "base/program_message.h"

const char* programName() { return PELMIRA_PROGRAM_NAME; }

// A data file is named as the page fetched it, relative to the page, which
// is the name a visitor can look up.
std::string fullPath(const char* path) { return path; }
