// The registry stand-in's REGEDIT4 reader: no input crashes it, and what it
// writes it reads back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/exceptions.h"
#include "standin/regedit_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    RegeditHive hive;
    try {
        hive = ParseRegeditFile(text, "HKEY_CURRENT_USER");
    } catch (const ERegistryException&) {
        return 0;
    }
    const std::string written = FormatRegeditFile(hive, "HKEY_CURRENT_USER");
    RegeditHive again;
    try {
        again = ParseRegeditFile(written, "HKEY_CURRENT_USER");
    } catch (const ERegistryException&) {
        std::abort();  // it could not read what it wrote
    }
    if (!(again == hive) || FormatRegeditFile(again, "HKEY_CURRENT_USER") != written)
        std::abort();
    return 0;
}
