#include "platform/command_line.h"

namespace {

bool NeedsQuotes(const std::string& word)
{
    if (word.empty())
        return true;
    for (unsigned char c : word)
        if (c >= 0x01 && c <= 0x20)
            return true;
    return false;
}

}  // namespace

std::string ProgramCommandLine(int argc, char** argv)
{
    // Quoted as a Windows shell would hand the words over; the run cuts
    // the text again by the Windows rules.
    std::string commandLine;
    for (int i = 0; i < argc; ++i) {
        const std::string word = argv[i];
        if (i > 0)
            commandLine += ' ';
        commandLine += NeedsQuotes(word) ? "\"" + word + "\"" : word;
    }
    return commandLine;
}
