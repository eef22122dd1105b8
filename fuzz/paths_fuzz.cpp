// The path rules under random lead-byte tables: DirectoryPart(p) + NamePart(p)
// is p, and no trail byte is ever taken for a delimiter.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/paths.h"

namespace {

// Trail bytes by a forward scan, the way a double-byte text is read.
std::vector<bool> TrailBytes(const std::string& text, const LeadBytes& leadBytes)
{
    std::vector<bool> trail(text.size(), false);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (leadBytes[static_cast<unsigned char>(text[i])] && i + 1 < text.size()) {
            trail[i + 1] = true;
            ++i;
        }
    }
    return trail;
}

bool IsDelimiter(const std::string& text, std::size_t i, const std::vector<bool>& trail, const char* set)
{
    return text[i] != '\0' && std::strchr(set, text[i]) != nullptr && !trail[i];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first 32 bytes are the table, one bit a byte value; the rest is the path.
    if (size < 32)
        return 0;
    LeadBytes leadBytes{};
    for (unsigned value = 0; value < 256; ++value)
        leadBytes[value] = value >= 0x80 && ((data[value / 8] >> (value % 8)) & 1) != 0;
    const std::string path(reinterpret_cast<const char*>(data + 32), size - 32);
    const std::vector<bool> trail = TrailBytes(path, leadBytes);

    const std::string directory = DirectoryPart(path, leadBytes);
    const std::string name = NamePart(path, leadBytes);
    if (directory + name != path)
        std::abort();
    if (!directory.empty() && !IsDelimiter(path, directory.size() - 1, trail, "\\:"))
        std::abort();
    for (std::size_t i = directory.size(); i < path.size(); ++i)
        if (IsDelimiter(path, i, trail, "\\:"))
            std::abort();

    const std::string withExtension = WithExtension(path, ".cnt", leadBytes);
    const std::size_t kept = withExtension.size() - 4;
    if (withExtension.compare(kept, 4, ".cnt") != 0 || path.compare(0, kept, withExtension, 0, kept) != 0)
        std::abort();
    if (kept < path.size()) {
        // The replaced extension starts at the last delimiter, a real ".".
        if (path[kept] != '.' || trail[kept])
            std::abort();
        for (std::size_t i = kept + 1; i < path.size(); ++i)
            if (IsDelimiter(path, i, trail, ".\\:"))
                std::abort();
    }
    return 0;
}
