#pragma once

#include <vector>

#include "platform/file_ops.h"

namespace test {

// The system's file operations, with one chosen call made to fail: the
// n-th call of one kind. Every call is recorded, so that a test can first
// learn a whole sequence and then fail each of its calls in turn.
class FaultyFileOps : public FileOps {
public:
    enum Kind {
        kOpen, kSize, kRead, kCreateNew, kWrite, kFlush, kReplace, kClearLeftover,
        // Failing, these answer "absent", "cannot tell" and do nothing.
        kPresent, kSameFile, kCopy, kRemove
    };
    // kPartial: a read or write moves only half the bytes and still succeeds.
    // kOverstated: the size reported is larger than what the file yields.
    enum class Fault { kNone, kFail, kPartial, kOverstated };

    FaultyFileOps() = default;
    FaultyFileOps(Kind kind, int occurrence, Fault fault = Fault::kFail)
        : kind_(kind), occurrence_(occurrence), fault_(fault)
    {
    }

    const std::vector<Kind>& Calls() const { return calls_; }
    bool Failed() const { return failed_; }

    bool FileIsPresent(const std::string& path) override { return !Hit(kPresent) && system_.FileIsPresent(path); }
    bool IsSameFile(const std::string& first, const std::string& second) override
    {
        return !Hit(kSameFile) && system_.IsSameFile(first, second);
    }
    bool OpenForReading(const std::string& path, Handle& file) override;
    bool Size(Handle file, std::uint64_t& size) override;
    bool Read(Handle file, char* buffer, std::size_t size, std::size_t& got) override;
    bool CreateNew(const std::string& path, Handle& file) override;
    bool Write(Handle file, const char* data, std::size_t size, std::size_t& written) override;
    bool Flush(Handle file) override;
    void Close(Handle file) override;
    bool Replace(const std::string& temporaryPath, const std::string& path) override;
    bool IsReadOnly(const std::string& path) override { return system_.IsReadOnly(path); }
    std::string FinalPath(const std::string& path) override { return system_.FinalPath(path); }
    void Remove(const std::string& path) override
    {
        if (!Hit(kRemove))
            system_.Remove(path);
    }
    // Failing, it finds the name held by something it may not remove.
    bool ClearLeftover(const std::string& path) override;
    void CopyOver(const std::string& source, const std::string& destination) override
    {
        if (!Hit(kCopy))
            system_.CopyOver(source, destination);
    }

private:
    // Records the call; true when this is the call to spoil.
    bool Hit(Kind kind);

    Kind kind_ = kOpen;
    int occurrence_ = 0;
    Fault fault_ = Fault::kNone;
    bool failed_ = false;
    std::vector<Kind> calls_;
    FileOps& system_ = SystemFileOps();
};

}  // namespace test
