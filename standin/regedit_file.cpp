#include "standin/regedit_file.h"

#include "platform/exceptions.h"
#include "platform/text.h"

namespace {

[[noreturn]] void Malformed(std::size_t lineNumber, const std::string& why)
{
    throw ERegistryException("Malformed registry file, line " + std::to_string(lineNumber) + ": " + why);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at `position` (on its opening quote); only
// \\ and \" are escapes. Moves `position` past the closing quote.
bool ReadQuoted(const std::string& line, std::size_t& position, std::string& text)
{
    if (position >= line.size() || line[position] != '"')
        return false;
    text.clear();
    for (++position; position < line.size(); ++position) {
        const char c = line[position];
        if (c == '"') {
            ++position;
            return true;
        }
        if (c == '\\') {
            if (++position >= line.size() || (line[position] != '\\' && line[position] != '"'))
                return false;
        }
        text += line[position];
    }
    return false;
}

bool ReadHexBytes(const std::string& text, std::string& bytes)
{
    bytes.clear();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
    };
    skipBlanks();
    if (i == text.size())
        return true;
    for (;;) {
        skipBlanks();
        if (i + 2 > text.size() || HexDigit(text[i]) < 0 || HexDigit(text[i + 1]) < 0)
            return false;
        bytes += static_cast<char>(HexDigit(text[i]) * 16 + HexDigit(text[i + 1]));
        i += 2;
        skipBlanks();
        if (i == text.size())
            return true;
        if (text[i++] != ',')
            return false;
    }
}

bool ReadData(const std::string& text, RegeditValue& value)
{
    if (!text.empty() && text[0] == '"') {
        std::size_t position = 0;
        std::string quoted;
        if (!ReadQuoted(text, position, quoted) || position != text.size())
            return false;
        value.type = 1;  // REG_SZ, stored with its terminating NUL
        value.data = quoted + '\0';
        return true;
    }
    if (text.compare(0, 6, "dword:") == 0) {
        if (text.size() != 14)
            return false;
        std::uint32_t number = 0;
        for (std::size_t i = 6; i < 14; ++i) {
            if (HexDigit(text[i]) < 0)
                return false;
            number = number * 16 + static_cast<std::uint32_t>(HexDigit(text[i]));
        }
        value.type = 4;  // REG_DWORD, little-endian
        value.data.clear();
        for (int shift = 0; shift < 32; shift += 8)
            value.data += static_cast<char>((number >> shift) & 0xFF);
        return true;
    }
    std::size_t colon = 0;
    if (text.compare(0, 4, "hex:") == 0) {
        value.type = 3;  // REG_BINARY
        colon = 3;
    } else if (text.compare(0, 4, "hex(") == 0) {
        const std::size_t close = text.find("):", 4);
        if (close == std::string::npos || close == 4 || close > 12)
            return false;
        std::uint32_t type = 0;
        for (std::size_t i = 4; i < close; ++i) {
            if (HexDigit(text[i]) < 0)
                return false;
            type = type * 16 + static_cast<std::uint32_t>(HexDigit(text[i]));
        }
        value.type = type;
        colon = close + 1;
    } else {
        return false;
    }
    return ReadHexBytes(text.substr(colon + 1), value.data);
}

std::string Quote(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// A quoted string carries a REG_SZ value whose only NUL ends it, and no line break.
bool FitsQuotedString(const RegeditValue& value)
{
    return value.type == 1 && !value.data.empty() && value.data.find('\0') == value.data.size() - 1 &&
           value.data.find_first_of("\r\n") == std::string::npos;
}

std::string FormatData(const RegeditValue& value)
{
    static const char kHex[] = "0123456789abcdef";
    if (FitsQuotedString(value))
        return Quote(value.data.substr(0, value.data.size() - 1));
    if (value.type == 4 && value.data.size() == 4) {
        std::string text = "dword:";
        for (int i = 3; i >= 0; --i) {
            const unsigned char byte = static_cast<unsigned char>(value.data[static_cast<std::size_t>(i)]);
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        }
        return text;
    }
    std::string text = "hex";
    if (value.type != 3) {
        std::string type;
        for (std::uint32_t rest = value.type; rest != 0 || type.empty(); rest >>= 4)
            type.insert(type.begin(), kHex[rest & 0xF]);
        text += "(" + type + ")";
    }
    text += ":";
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(value.data[i]);
        if (i > 0)
            text += ',';
        text += kHex[byte >> 4];
        text += kHex[byte & 0xF];
    }
    return text;
}

RegeditKey& AddKey(RegeditHive& hive, const std::string& path)
{
    if (RegeditKey* key = FindRegeditKey(hive, path))
        return *key;
    hive.push_back(RegeditKey{path, {}});
    return hive.back();
}

}  // namespace

RegeditKey* FindRegeditKey(RegeditHive& hive, const std::string& path)
{
    for (RegeditKey& key : hive)
        if (TextsEqualIgnoreCase(key.path, path))
            return &key;
    return nullptr;
}

RegeditValue* FindRegeditValue(RegeditKey& key, const std::string& name)
{
    for (RegeditValue& value : key.values)
        if (TextsEqualIgnoreCase(value.name, name))
            return &value;
    return nullptr;
}

RegeditHive ParseRegeditFile(const std::string& text, const std::string& rootName)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    if (lines.empty() || lines[0] != "REGEDIT4")
        Malformed(1, "no REGEDIT4 header");

    RegeditHive hive;
    RegeditKey* key = nullptr;
    for (std::size_t number = 2; number <= lines.size(); ++number) {
        std::string line = lines[number - 1];
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                Malformed(number, "unterminated key");
            const std::string name = line.substr(1, line.size() - 2);
            const std::string prefix = rootName + "\\";
            std::string path;
            if (TextsEqualIgnoreCase(name, rootName))
                path.clear();
            else if (name.size() > prefix.size() && TextsEqualIgnoreCase(name.substr(0, prefix.size()), prefix))
                path = name.substr(prefix.size());
            else
                Malformed(number, "key outside " + rootName);
            key = &AddKey(hive, path);
            continue;
        }
        if (key == nullptr)
            Malformed(number, "value before any key");
        RegeditValue value;
        std::size_t position = 0;
        if (line[0] == '@')
            position = 1;
        else if (!ReadQuoted(line, position, value.name))
            Malformed(number, "bad value name");
        if (position >= line.size() || line[position] != '=')
            Malformed(number, "no '=' after the value name");
        std::string data = line.substr(position + 1);
        // Long hex data goes on over lines that end in a backslash.
        while (data.compare(0, 3, "hex") == 0 && data.back() == '\\' && number < lines.size()) {
            data.pop_back();
            const std::string& next = lines[number++];
            data += next.substr(std::min(next.find_first_not_of(" \t"), next.size()));
        }
        if (!ReadData(data, value))
            Malformed(number, "bad data");
        if (RegeditValue* existing = FindRegeditValue(*key, value.name)) {
            existing->type = value.type;
            existing->data = value.data;
        } else {
            key->values.push_back(value);
        }
    }
    return hive;
}

std::string FormatRegeditFile(const RegeditHive& hive, const std::string& rootName)
{
    std::string text = "REGEDIT4\r\n";
    for (const RegeditKey& key : hive) {
        text += "\r\n[" + rootName + (key.path.empty() ? "" : "\\" + key.path) + "]\r\n";
        for (const RegeditValue& value : key.values)
            text += (value.name.empty() ? std::string("@") : Quote(value.name)) + "=" + FormatData(value) + "\r\n";
    }
    return text;
}
