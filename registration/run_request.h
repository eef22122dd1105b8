#pragma once

#include <string>

// What one run does, built once from the command line and only read after.
struct RunRequest {
    std::string title;
    std::string helpFile;         // full path
    std::string contentsFile;     // the help file with ".cnt"
    std::string aliasFile;        // the help file with ".als"
    std::string helpProjectFile;  // the help file with ".hpj"
    int targetNumber = 0;         // 4, 5, 6 or 7
    bool remove = false;          // set for uninstall (/U), clear for install (/I)
};
