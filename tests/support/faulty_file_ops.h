#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/file_ops.h"

namespace test {

// The system's file operations, with one chosen call made to fail: the
// n-th call of one kind. Every call is recorded with the path it names, so
// that a test can first learn a whole sequence and then fail each of its
// calls in turn. Pauses are recorded, never waited.
class FaultyFileOps : public FileOps {
public:
    enum Kind {
        kOpen, kSize, kRead, kCreateNew, kWrite, kFlush, kCopy, kTakeAttributes, kRename, kDelete,
        // Failing, these answer "absent", "cannot tell" and "did nothing".
        kPresent, kSameFile, kInspect, kMakeNormal
    };
    // kPartial: a read or write moves only half the bytes and still succeeds.
    // kOverstated: the size reported is larger than what the file yields.
    // kHeld: another program holds the file from that call on, for longer
    // than any run waits.
    // kPlanted: another user puts a file at a new file's name just before
    // it is created.
    // kSwapped: `swap` runs just before the call, which then goes on.
    enum class Fault { kNone, kFail, kPartial, kOverstated, kHeld, kPlanted, kSwapped };
    struct Call {
        Kind kind;
        std::string path;
    };

    FaultyFileOps() = default;
    FaultyFileOps(Kind kind, int occurrence, Fault fault = Fault::kFail)
        : kind_(kind), occurrence_(occurrence), fault_(fault)
    {
    }

    std::function<void()> swap;  // what another user does, for kSwapped

    const std::vector<Call>& Calls() const { return calls_; }
    bool Failed() const { return failed_; }
    std::chrono::milliseconds Paused() const { return paused_; }

    bool FileIsPresent(const std::string& path) override { return !Hit(kPresent, path) && system_.FileIsPresent(path); }
    bool IsSameFile(const std::string& first, const std::string& second) override
    {
        return !Hit(kSameFile, first) && system_.IsSameFile(first, second);
    }
    NameHolder Inspect(const std::string& path) override
    {
        return Hit(kInspect, path) ? NameHolder::kOther : system_.Inspect(path);
    }
    bool IsReadOnly(const std::string& path) override { return system_.IsReadOnly(path); }
    std::string FinalPath(const std::string& path) override { return system_.FinalPath(path); }
    unsigned NameCount(const std::string& path) override { return system_.NameCount(path); }
    std::vector<LinkOnTheWay> LinksOnTheWay(const std::string& path) override { return system_.LinksOnTheWay(path); }
    FileStep OpenForReading(const std::string& path, Handle& file) override;
    bool Size(Handle file, std::uint64_t& size) override;
    bool Read(Handle file, char* buffer, std::size_t size, std::size_t& got) override;
    FileStep CreateNew(const std::string& path, Handle& file) override;
    bool Write(Handle file, const char* data, std::size_t size, std::size_t& written) override;
    bool Flush(Handle file) override { return !Hit(kFlush, handles_[file]) && system_.Flush(file); }
    void Close(Handle file) override { system_.Close(file); }
    FileStep Copy(const std::string& source, const std::string& destination, bool replaceExisting) override;
    bool TakeAttributes(const std::string& path, const std::string& model) override
    {
        return !Hit(kTakeAttributes, model) && system_.TakeAttributes(path, model);
    }
    bool MakeNormal(const std::string& path) override { return !Hit(kMakeNormal, path) && system_.MakeNormal(path); }
    FileStep Rename(const std::string& from, const std::string& to) override;
    FileStep Delete(const std::string& path) override;
    FileStep CreateNewWithin(const std::string& path, const std::string& folder, Handle& file) override;
    FileStep OpenForReadingWithin(const std::string& path, const std::string& folder, Handle& file) override;
    FileStep RenameWithin(const std::string& from, const std::string& to, const std::string& folder) override;
    FileStep DeleteWithin(const std::string& path, const std::string& folder) override;
    void Pause(std::chrono::milliseconds delay) override { paused_ += delay; }

private:
    // Remembers which file a handle opened, as the calls on it are recorded.
    FileStep Opened(const std::string& path, Handle file, FileStep result);
    // Records the call; true when this is the call to spoil.
    bool Hit(Kind kind, const std::string& path);
    // The step as the system does it, or as the fault makes it end.
    template <typename Step>
    FileStep Spoiled(Kind kind, const std::string& path, Step step);

    Kind kind_ = kOpen;
    int occurrence_ = 0;
    Fault fault_ = Fault::kNone;
    bool failed_ = false;
    std::vector<Call> calls_;
    std::map<Handle, std::string> handles_;
    std::chrono::milliseconds paused_{0};
    FileOps& system_ = SystemFileOps();
};

}  // namespace test
