#include "platform/paths.h"

#include <cctype>
#include <vector>

#include "standin/drive_z.h"

namespace {

const std::size_t kMaxFullPath = 259;

std::vector<std::string> SplitComponents(const std::string& path)
{
    std::vector<std::string> components;
    std::string current;
    for (char c : path) {
        if (c == '\\') {
            components.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    components.push_back(current);
    return components;
}

}  // namespace

const LeadBytes& SystemLeadBytes()
{
    // The stand-in's code page is single-byte.
    static const LeadBytes leadBytes{};
    return leadBytes;
}

std::string FullPath(const std::string& path)
{
    // GetFullPathNameA makes nothing of an empty path.
    if (path.empty())
        return std::string();
    std::string text = path;
    for (char& c : text)
        if (c == '/')
            c = '\\';
    if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\')
        return text.size() <= kMaxFullPath ? text : std::string();

    std::string root;  // "X:"
    std::string rest;  // resolved below the root
    const std::string current = CurrentDirectoryOnDriveZ();
    if (HasDrive(text)) {
        root = text.substr(0, 2);
        const std::string afterDrive = text.substr(2);
        if (!afterDrive.empty() && afterDrive[0] == '\\')
            rest = afterDrive;
        else if (std::toupper(static_cast<unsigned char>(text[0])) == 'Z')
            rest = current.substr(2) + "\\" + afterDrive;
        else
            rest = "\\" + afterDrive;  // another drive's current directory is its root
    } else if (!text.empty() && text[0] == '\\') {
        root = "Z:";
        rest = text;
    } else {
        root = "Z:";
        rest = current.substr(2) + "\\" + text;
    }

    std::vector<std::string> resolved;
    for (const std::string& component : SplitComponents(rest)) {
        if (component.empty() || component == ".")
            continue;
        if (component == "..") {
            if (!resolved.empty())
                resolved.pop_back();
            continue;
        }
        resolved.push_back(component);
    }
    std::string result = root;
    for (const std::string& component : resolved)
        result += "\\" + component;
    if (resolved.empty() || text.back() == '\\')
        result += "\\";
    return result.size() <= kMaxFullPath ? result : std::string();
}
