#include "tests/support/faulty_file_ops.h"

#include <algorithm>

namespace test {

bool FaultyFileOps::Hit(Kind kind, const std::string& path)
{
    calls_.push_back({kind, path});
    const auto seen = std::count_if(calls_.begin(), calls_.end(), [kind](const Call& call) { return call.kind == kind; });
    const bool hit = fault_ != Fault::kNone && kind == kind_ &&
                     (fault_ == Fault::kHeld ? seen >= occurrence_ : seen == occurrence_);
    failed_ = failed_ || hit;
    if (hit && fault_ == Fault::kSwapped) {
        swap();
        return false;
    }
    return hit;
}

FileStep FaultyFileOps::Opened(const std::string& path, Handle file, FileStep result)
{
    if (result == FileStep::kDone)
        handles_[file] = path;
    return result;
}

template <typename Step>
FileStep FaultyFileOps::Spoiled(Kind kind, const std::string& path, Step step)
{
    if (!Hit(kind, path))
        return step();
    return fault_ == Fault::kHeld ? FileStep::kHeld : FileStep::kFailed;
}

FileStep FaultyFileOps::OpenForReading(const std::string& path, Handle& file)
{
    return Opened(path, file, Spoiled(kOpen, path, [&] { return system_.OpenForReading(path, file); }));
}

bool FaultyFileOps::Size(Handle file, std::uint64_t& size)
{
    if (!Hit(kSize, handles_[file]))
        return system_.Size(file, size);
    if (fault_ != Fault::kOverstated || !system_.Size(file, size))
        return false;
    size += 100;
    return true;
}

bool FaultyFileOps::Read(Handle file, char* buffer, std::size_t size, std::size_t& got)
{
    if (!Hit(kRead, handles_[file]))
        return system_.Read(file, buffer, size, got);
    if (fault_ != Fault::kPartial)
        return false;
    return system_.Read(file, buffer, size / 2, got);
}

FileStep FaultyFileOps::CreateNew(const std::string& path, Handle& file)
{
    if (fault_ != Fault::kPlanted)
        return Opened(path, file, Spoiled(kCreateNew, path, [&] { return system_.CreateNew(path, file); }));
    std::size_t written = 0;
    if (Hit(kCreateNew, path) && system_.CreateNew(path, file) == FileStep::kDone) {
        system_.Write(file, "planted", 7, written);
        system_.Close(file);
    }
    return system_.CreateNew(path, file);
}

bool FaultyFileOps::Write(Handle file, const char* data, std::size_t size, std::size_t& written)
{
    if (!Hit(kWrite, handles_[file]))
        return system_.Write(file, data, size, written);
    if (fault_ != Fault::kPartial)
        return false;
    // A full disk: part of the block goes out, and the call still succeeds.
    return system_.Write(file, data, size / 2, written);
}

FileStep FaultyFileOps::Copy(const std::string& source, const std::string& destination, bool replaceExisting)
{
    return Spoiled(kCopy, destination, [&] { return system_.Copy(source, destination, replaceExisting); });
}

FileStep FaultyFileOps::Rename(const std::string& from, const std::string& to)
{
    return Spoiled(kRename, to, [&] { return system_.Rename(from, to); });
}

FileStep FaultyFileOps::Delete(const std::string& path)
{
    return Spoiled(kDelete, path, [&] { return system_.Delete(path); });
}

FileStep FaultyFileOps::CreateNewWithin(const std::string& path, const std::string& folder, Handle& file)
{
    return Opened(path, file, Spoiled(kCreateNew, path, [&] { return system_.CreateNewWithin(path, folder, file); }));
}

FileStep FaultyFileOps::OpenForReadingWithin(const std::string& path, const std::string& folder, Handle& file)
{
    return Opened(path, file, Spoiled(kOpen, path, [&] { return system_.OpenForReadingWithin(path, folder, file); }));
}

FileStep FaultyFileOps::RenameWithin(const std::string& from, const std::string& to, const std::string& folder)
{
    return Spoiled(kRename, to, [&] { return system_.RenameWithin(from, to, folder); });
}

FileStep FaultyFileOps::DeleteWithin(const std::string& path, const std::string& folder)
{
    return Spoiled(kDelete, path, [&] { return system_.DeleteWithin(path, folder); });
}

}  // namespace test
