#include "platform/text.h"

std::string FillTemplate(const std::string& pattern, std::initializer_list<std::string> texts)
{
    std::string result;
    auto next = texts.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' && next != texts.end()) {
            result += *next++;
            ++i;
        } else {
            result += pattern[i];
        }
    }
    return result;
}
