// Cutting the command line: no argument holds a double quote, and none is
// empty (an empty word ends the list). Words never hold a separator unless
// it was quoted, and cutting never reads past the text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/run_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string commandLine(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> arguments = CommandLineArguments(commandLine);
    std::size_t bytes = 0;
    for (const std::string& argument : arguments) {
        if (argument.find('"') != std::string::npos || argument.empty())
            std::abort();
        bytes += argument.size();
    }
    if (bytes > commandLine.size())
        std::abort();
    // Without quotes, the words are exactly the runs of non-separators after the first.
    if (commandLine.find('"') == std::string::npos && commandLine.find('\0') == std::string::npos) {
        std::vector<std::string> words;
        std::string word;
        for (char c : commandLine + " ") {
            if (static_cast<unsigned char>(c) <= 0x20) {
                if (!word.empty())
                    words.push_back(word);
                word.clear();
            } else {
                word += c;
            }
        }
        if (!words.empty())
            words.erase(words.begin());
        if (words != arguments)
            std::abort();
    }
    return 0;
}
