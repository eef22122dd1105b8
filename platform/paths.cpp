#include "platform/paths.h"

#include <algorithm>
#include <cstring>

LeadBytes LeadBytesFromRanges(std::initializer_list<std::pair<unsigned char, unsigned char>> ranges)
{
    LeadBytes leadBytes{};
    for (const auto& range : ranges)
        for (unsigned value = range.first; value <= range.second; ++value)
            leadBytes[value] = true;
    return leadBytes;
}

namespace {

bool IsLeadByte(char byte, const LeadBytes& leadBytes)
{
    return leadBytes[static_cast<unsigned char>(byte)];
}

// A byte is the second byte of a double-byte character when the run of lead
// bytes directly before it has an odd length.
bool IsTrailByte(const std::string& text, std::size_t index, const LeadBytes& leadBytes)
{
    std::size_t run = 0;
    while (run < index && IsLeadByte(text[index - 1 - run], leadBytes))
        ++run;
    return run % 2 == 1;
}

// Position (counted from 1) of the last byte of the path that is one of the
// delimiters and not a trail byte; 0 when there is none.
std::size_t LastDelimiter(const std::string& path, const char* delimiters, const LeadBytes& leadBytes)
{
    std::size_t position = path.size();
    while (position > 0) {
        const char byte = path[position - 1];
        if (byte != '\0' && std::strchr(delimiters, byte) != nullptr) {
            if (!IsTrailByte(path, position - 1, leadBytes))
                return position;
            --position;  // pass over the lead byte too
        }
        --position;
    }
    return 0;
}

char FoldedAscii(char byte)
{
    return byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A') : byte;
}

}  // namespace

std::string WithExtension(const std::string& path, const std::string& extension, const LeadBytes& leadBytes)
{
    const std::size_t position = LastDelimiter(path, ".\\:", leadBytes);
    if (position > 0 && path[position - 1] == '.')
        return path.substr(0, position - 1) + extension;
    return path + extension;
}

std::string DirectoryPart(const std::string& path, const LeadBytes& leadBytes)
{
    return path.substr(0, LastDelimiter(path, "\\:", leadBytes));
}

std::string NamePart(const std::string& path, const LeadBytes& leadBytes)
{
    return path.substr(LastDelimiter(path, "\\:", leadBytes));
}

std::string StripTrailingBackslash(const std::string& text, const LeadBytes& leadBytes)
{
    // A folder named in code page 932 may end in a character whose second
    // byte is "\": cut there, its path would name another folder.
    if (!text.empty() && text.back() == '\\' && !IsTrailByte(text, text.size() - 1, leadBytes))
        return text.substr(0, text.size() - 1);
    return text;
}

bool HoldsWildcard(const std::string& path)
{
    // "<", ">" and '"' are wildcards to the directory search as well; no
    // file name may hold them. No trail byte of a double-byte code page has
    // any of these values.
    return NamePart(path).find_first_of("*?<>\"") != std::string::npos;
}

namespace {

// How long the root of a full path is: "X:\", "\\?\X:\", "\\.\X:\", or a
// share's "\\server\share\" (also after "\\?\UNC\").
std::size_t RootLength(const std::string& path)
{
    std::size_t start = 0;
    if (path.rfind("\\\\?\\UNC\\", 0) == 0)
        start = 8;
    else if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0)
        return std::min<std::size_t>(7, path.size());
    else if (path.rfind("\\\\", 0) == 0)
        start = 2;
    else
        return std::min<std::size_t>(3, path.size());
    const std::size_t server = path.find('\\', start);
    const std::size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
    return share == std::string::npos ? path.size() : share + 1;
}

}  // namespace

std::vector<std::string> StepsDown(const std::string& path, const LeadBytes& leadBytes)
{
    std::vector<std::string> steps;
    const std::size_t root = RootLength(path);
    for (std::string step = StripTrailingBackslash(path, leadBytes); step.size() > root;
         step = StripTrailingBackslash(DirectoryPart(step, leadBytes), leadBytes))
        steps.insert(steps.begin(), step);
    return steps;
}

bool StartsWithDrive(const std::string& path)
{
    return path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
           path[1] == ':' && path[2] == '\\';
}

bool LiesBelow(const std::string& path, const std::string& folder, const LeadBytes& leadBytes)
{
    const std::string top = StripTrailingBackslash(folder, leadBytes);
    if (top.empty() || path.size() <= top.size() + 1)
        return false;
    std::size_t i = 0;
    while (i < top.size()) {
        if (leadBytes[static_cast<unsigned char>(path[i])]) {
            // A whole double-byte character, compared as it is.
            if (i + 1 >= top.size() || path.compare(i, 2, top, i, 2) != 0)
                return false;
            i += 2;
        } else {
            if (FoldedAscii(path[i]) != FoldedAscii(top[i]))
                return false;
            ++i;
        }
    }
    return path[i] == '\\';
}
