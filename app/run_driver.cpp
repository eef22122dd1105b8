#include "app/run_driver.h"

#include "app/console_texts.h"
#include "platform/console.h"
#include "platform/exceptions.h"
#include "platform/paths.h"
#include "registration/install_targets.h"

namespace {

bool IsSeparator(char c)
{
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 0x01 && byte <= 0x20;
}

// Cuts the word that starts at or after `position`, and moves `position`
// past it. An empty word means the end of the line was reached.
std::string CutWord(const std::string& line, std::size_t& position)
{
    // Reads past the end as NUL, as the line's terminator is.
    auto at = [&line](std::size_t i) { return i < line.size() ? line[i] : '\0'; };
    for (;;) {
        while (IsSeparator(at(position)))
            ++position;
        if (at(position) == '"' && at(position + 1) == '"')
            position += 2;  // a pair of quotes standing alone is no word
        else
            break;
    }
    std::string word;
    while (at(position) != '\0' && !IsSeparator(at(position))) {
        if (at(position) == '"') {
            ++position;
            while (at(position) != '\0' && at(position) != '"')
                word += line[position++];
            if (at(position) != '\0')
                ++position;
        } else {
            word += line[position++];
        }
    }
    return word;
}

bool IsValidTargetSwitch(const std::string& targetSwitch)
{
    return targetSwitch.size() == 3 && (targetSwitch[0] == '-' || targetSwitch[0] == '/') &&
           (targetSwitch[1] == 'D' || targetSwitch[1] == 'd') && targetSwitch[2] >= '4' && targetSwitch[2] <= '7';
}

std::string UpperCaseAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

[[noreturn]] void AbortWithInvalidParameter(Console& console, const std::string& prefix, const std::string& argument)
{
    console.WriteLine(prefix + argument);
    console.WriteLine("");
    throw EAbort();
}

void ReportMissingFile(const std::string& path, Console& console)
{
    console.WriteLine("Required file not found: " + path);
    console.WriteLine("");
}

bool RequireFile(const std::string& path, Console& console, FileOps& files)
{
    if (files.FileIsPresent(path))
        return true;
    ReportMissingFile(path, console);
    return false;
}

}  // namespace

std::vector<std::string> CommandLineArguments(const std::string& commandLine)
{
    std::size_t position = 0;
    CutWord(commandLine, position);  // the program name
    std::vector<std::string> arguments;
    for (std::string word = CutWord(commandLine, position); !word.empty(); word = CutWord(commandLine, position))
        arguments.push_back(word);
    return arguments;
}

RunRequest BuildRunRequest(const std::vector<std::string>& arguments, Console& console, FileOps& files)
{
    const std::string& targetSwitch = arguments.at(1);
    const std::string& actionSwitch = arguments.at(2);
    RunRequest request;
    request.title = arguments.at(3);

    if (!IsValidTargetSwitch(targetSwitch))
        AbortWithInvalidParameter(console, "-- Invalid parameter: ", targetSwitch);
    request.targetNumber = targetSwitch[2] - '0';

    request.helpFile = FullPath(arguments.at(0));
    if (request.helpFile.empty()) {
        // Too long to make full: the user still learns which file.
        ReportMissingFile(arguments.at(0), console);
        throw EAbort();
    }
    request.contentsFile = WithExtension(request.helpFile, ".cnt");
    request.aliasFile = WithExtension(request.helpFile, ".als");
    request.helpProjectFile = WithExtension(request.helpFile, ".hpj");
    const std::string& thirdFile = request.targetNumber == 5 ? request.helpProjectFile : request.aliasFile;
    if (!RequireFile(request.helpFile, console, files) || !RequireFile(request.contentsFile, console, files) ||
        !RequireFile(thirdFile, console, files))
        throw EAbort();

    const std::string action = UpperCaseAscii(actionSwitch);
    if (action != "/I" && action != "/U")
        AbortWithInvalidParameter(console, "Invalid parameter: ", actionSwitch);
    request.remove = action == "/U";

    // A line break in the title would split the index entry in two, and a
    // later uninstall could never find it again.
    if (request.title.find_first_of("\r\n") != std::string::npos)
        AbortWithInvalidParameter(console, "Invalid parameter: ", request.title);
    return request;
}

int RunSorvane(const std::string& commandLine, Console& console, RegistryAccessor& registry, FileOps& files,
               std::chrono::milliseconds lockWait)
{
    try {
        ShowBanner(console);
        const std::vector<std::string> arguments = CommandLineArguments(commandLine);
        if (arguments.size() != 4) {
            ShowUsage(console);
            throw EAbort();
        }
        ProcessTarget(BuildRunRequest(arguments, console, files), registry, console, files, lockWait);
        return 0;
    } catch (...) {
        // Every failure ends here; its message is never shown.
        return 1;
    }
}
