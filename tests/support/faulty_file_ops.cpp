#include "tests/support/faulty_file_ops.h"

#include <algorithm>

namespace test {

bool FaultyFileOps::Hit(Kind kind)
{
    calls_.push_back(kind);
    const bool hit = fault_ != Fault::kNone && kind == kind_ &&
                     std::count(calls_.begin(), calls_.end(), kind) == occurrence_;
    failed_ = failed_ || hit;
    return hit;
}

bool FaultyFileOps::OpenForReading(const std::string& path, Handle& file)
{
    return !Hit(kOpen) && system_.OpenForReading(path, file);
}

bool FaultyFileOps::Size(Handle file, std::uint64_t& size)
{
    if (!Hit(kSize))
        return system_.Size(file, size);
    if (fault_ != Fault::kOverstated || !system_.Size(file, size))
        return false;
    size += 100;
    return true;
}

bool FaultyFileOps::Read(Handle file, char* buffer, std::size_t size, std::size_t& got)
{
    if (!Hit(kRead))
        return system_.Read(file, buffer, size, got);
    if (fault_ != Fault::kPartial)
        return false;
    return system_.Read(file, buffer, size / 2, got);
}

bool FaultyFileOps::CreateNew(const std::string& path, Handle& file)
{
    return !Hit(kCreateNew) && system_.CreateNew(path, file);
}

bool FaultyFileOps::Write(Handle file, const char* data, std::size_t size, std::size_t& written)
{
    if (!Hit(kWrite))
        return system_.Write(file, data, size, written);
    if (fault_ != Fault::kPartial)
        return false;
    // A full disk: part of the block goes out, and the call still succeeds.
    return system_.Write(file, data, size / 2, written);
}

bool FaultyFileOps::Flush(Handle file)
{
    return !Hit(kFlush) && system_.Flush(file);
}

void FaultyFileOps::Close(Handle file)
{
    system_.Close(file);
}

bool FaultyFileOps::Replace(const std::string& temporaryPath, const std::string& path)
{
    return !Hit(kReplace) && system_.Replace(temporaryPath, path);
}

bool FaultyFileOps::ClearLeftover(const std::string& path)
{
    return !Hit(kClearLeftover) && system_.ClearLeftover(path);
}

}  // namespace test
