// Loading and saving a line file, through the real file operations on a
// scratch file: a loaded list saved and loaded again is the same list, and
// an input with a NUL byte is refused and never truncated.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/exceptions.h"
#include "platform/text.h"
#include "registration/line_file.h"
#include "tests/support/edit_line_file.h"

namespace {

std::string ScratchFile()
{
    const char* directory = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(directory) + "/sorvane-fuzz-" + std::to_string(getpid()) + ".ohi";
}

void Write(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Read(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

std::vector<std::string> Copy(const std::vector<std::string_view>& lines)
{
    return std::vector<std::string>(lines.begin(), lines.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = ScratchFile();
    static const std::string programPath = "Z:" + path;
    const std::string input(reinterpret_cast<const char*>(data), size);
    Write(path, input);

    if (std::memchr(input.data(), '\0', input.size()) != nullptr) {
        try {
            test::EditLineFile(programPath, "", LineEdit::kRewrite);
            std::abort();  // a file with a NUL byte must be refused
        } catch (const EInvalidTextFile&) {
        }
        if (Read(path) != input)
            std::abort();
        return 0;
    }

    const std::vector<std::string> loaded = Copy(LoadLines(programPath, SystemFileOps()).lines);
    test::EditLineFile(programPath, "", LineEdit::kRewrite);  // the unchanged rewrite
    const std::string saved = Read(path);
    std::string joined;
    for (const std::string& line : loaded)
        joined += line + "\r\n";
    if (saved != joined || Copy(LoadLines(programPath, SystemFileOps()).lines) != loaded)
        std::abort();

    // Adding twice appends once, unless an equal line is there; removing
    // then takes out the first equal line only.
    const std::string entry = ":LINK Fuzz-Entry.hlp";
    const auto equal = std::find_if(loaded.begin(), loaded.end(),
                                    [&entry](const std::string& line) { return TextsEqualIgnoreCase(line, entry); });
    std::vector<std::string> expected = loaded;
    if (equal == loaded.end())
        expected.push_back(entry);
    test::EditLineFile(programPath, entry, LineEdit::kAdd);
    test::EditLineFile(programPath, entry, LineEdit::kAdd);
    if (Copy(LoadLines(programPath, SystemFileOps()).lines) != expected)
        std::abort();
    test::EditLineFile(programPath, entry, LineEdit::kRemove);
    expected = loaded;
    if (equal != loaded.end())
        expected.erase(expected.begin() + (equal - loaded.begin()));
    if (Copy(LoadLines(programPath, SystemFileOps()).lines) != expected)
        std::abort();
    return 0;
}
