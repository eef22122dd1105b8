#include "platform/registry.h"

#include <vector>

#include "platform/exceptions.h"
#include "platform/text.h"

namespace {

std::string WithoutLeadingBackslash(const std::string& section)
{
    return !section.empty() && section[0] == '\\' ? section.substr(1) : section;
}

}  // namespace

// The section's key as the accessor's current key, closed when the
// operation ends, also through an exception.
class RegistryAccessor::OpenSection {
public:
    OpenSection(RegistryAccessor& accessor, const std::string& section, std::uint32_t access)
        : accessor_(accessor)
    {
        accessor_.currentKey_ = 0;
        RegKey key = 0;
        if (accessor_.api_.RegOpenKeyExA(accessor_.root_, WithoutLeadingBackslash(section), access, key) == 0)
            accessor_.currentKey_ = key;
    }
    ~OpenSection() { accessor_.CloseCurrentKey(); }
    OpenSection(const OpenSection&) = delete;
    OpenSection& operator=(const OpenSection&) = delete;

    bool IsOpen() const { return accessor_.currentKey_ != 0; }
    RegKey Key() const { return accessor_.currentKey_; }

private:
    RegistryAccessor& accessor_;
};

RegistryAccessor::RegistryAccessor(RegistryApi& api) : api_(api) {}

RegistryAccessor::~RegistryAccessor()
{
    CloseCurrentKey();
}

void RegistryAccessor::CloseCurrentKey()
{
    // The predefined roots are never held here, so never closed.
    if (currentKey_ != 0)
        api_.RegCloseKey(currentKey_);
    currentKey_ = 0;
}

void RegistryAccessor::SetRootKey(RegKey root)
{
    if (root == root_)
        return;
    CloseCurrentKey();
    root_ = root;
}

std::string RegistryAccessor::ReadRegString(const std::string& section, const std::string& name,
                                            const std::string& defaultValue)
{
    OpenSection open(*this, section, access_);
    if (!open.IsOpen())
        return defaultValue;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (api_.RegQueryValueExA(open.Key(), name, type, nullptr, size) != 0)
        return defaultValue;
    if (size == 0)
        return std::string();
    // One NUL beyond the data, which the read never touches.
    std::vector<unsigned char> data(static_cast<std::size_t>(size) + 1, 0);
    std::uint32_t read = size;
    if (api_.RegQueryValueExA(open.Key(), name, type, data.data(), read) != 0)
        throw ERegistryException(FillTemplate("Failed to get data for '%s'", {name}));
    if (type != REG_SZ_TYPE && type != REG_EXPAND_SZ_TYPE)
        throw ERegistryException(FillTemplate("Invalid data type for '%s'", {name}));
    const char* text = reinterpret_cast<const char*>(data.data());
    std::size_t length = 0;
    while (length < read && text[length] != '\0')
        ++length;
    return std::string(text, length);
}

void RegistryAccessor::WriteRegString(const std::string& section, const std::string& name, const std::string& value)
{
    RegKey created = 0;
    if (api_.RegCreateKeyExA(root_, WithoutLeadingBackslash(section), KEY_ALL_ACCESS_MASK, created) != 0)
        throw ERegistryException(FillTemplate("Failed to create key %s", {section}));
    api_.RegCloseKey(created);

    OpenSection open(*this, section, access_);
    // A section that exists but cannot be opened would leave the value
    // unwritten while the run reported success.
    if (!open.IsOpen())
        throw ERegistryException(FillTemplate("Failed to set data for '%s'", {name}));
    const std::uint32_t size = static_cast<std::uint32_t>(value.size() + 1);
    if (api_.RegSetValueExA(open.Key(), name, REG_SZ_TYPE, reinterpret_cast<const unsigned char*>(value.c_str()),
                            size) != 0)
        throw ERegistryException(FillTemplate("Failed to set data for '%s'", {name}));
}

void RegistryAccessor::DeleteRegValue(const std::string& section, const std::string& name)
{
    OpenSection open(*this, section, access_);
    if (open.IsOpen())
        api_.RegDeleteValueA(open.Key(), name);
}

bool RegistryAccessor::SectionExists(const std::string& section)
{
    return OpenSection(*this, section, KEY_READ_MASK).IsOpen();
}
