#include "platform/text.h"

#include <array>
#include <cstring>

namespace {

// Folds the letters of code page 1252 to their small forms, so that two
// single bytes are equal exactly when CompareStringA finds them equal.
std::array<unsigned char, 256> MakeCodePage1252Folding()
{
    std::array<unsigned char, 256> fold{};
    for (unsigned value = 0; value < 256; ++value)
        fold[value] = static_cast<unsigned char>(value);
    for (unsigned value = 'A'; value <= 'Z'; ++value)
        fold[value] = static_cast<unsigned char>(value + 0x20);
    for (unsigned value = 0xC0; value <= 0xDE; ++value)
        if (value != 0xD7)  // the multiplication sign is no letter
            fold[value] = static_cast<unsigned char>(value + 0x20);
    fold[0x8A] = 0x9A;  // S with caron
    fold[0x8C] = 0x9C;  // OE
    fold[0x8E] = 0x9E;  // Z with caron
    fold[0x9F] = 0xFF;  // Y with diaeresis
    fold[0x88] = '^';   // the modifier circumflex is the circumflex to the locale
    return fold;
}

}  // namespace

bool TextsEqualIgnoreCase(std::string_view first, std::string_view second)
{
    static const std::array<unsigned char, 256> fold = MakeCodePage1252Folding();
    if (first.size() != second.size())
        return false;
    const std::size_t size = first.size();
    std::size_t i = 0;
    while (i < size) {
        // Identical stretches need no folding: pass over them eight bytes at a time.
        if (i + 8 <= size && std::memcmp(first.data() + i, second.data() + i, 8) == 0) {
            i += 8;
            continue;
        }
        if (fold[static_cast<unsigned char>(first[i])] != fold[static_cast<unsigned char>(second[i])])
            return false;
        ++i;
    }
    return true;
}
