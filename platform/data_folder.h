// Where the show's data lives, wherever the program was started from: the
// working directory, a build tree, or an installation.
//
// What the rest of the program may rely on:
//   - enterDataFolder(file) makes the first folder that holds file (a path
//     such as "data/x.mp3") the working directory, so that every data path
//     the program opens stays relative. The folders are tried in this order:
//     the working directory; the executable's folder and the one above it
//     (a build tree beside the sources); on Linux then
//     <executable>/../share/pelmira15, an installation wherever its prefix
//     lies (a Windows installation keeps data/ beside the programs).
//   - When none holds the file it changes nothing and answers false, with
//     the folders it tried, in order, joined by ", " for the user's message.
#pragma once

#include <string>

bool enterDataFolder(const char* file, std::string& triedFolders);
