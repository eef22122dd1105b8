#include "platform/file_ops.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "platform/paths.h"
#include "standin/drive_z.h"

namespace {

int ToDescriptor(FileOps::Handle file) { return static_cast<int>(file); }

class StandInFileOps : public FileOps {
public:
    bool FileIsPresent(const std::string& path) override
    {
        std::string posixPath;
        if (HoldsWildcard(path) || path.empty() || path.back() == '\\' || !ToPosixPath(path, posixPath))
            return false;
        struct stat status;
        if (stat(posixPath.c_str(), &status) != 0 || S_ISDIR(status.st_mode))
            return false;
        // An MS-DOS date covers the years 1980 to 2107.
        struct tm local;
        if (localtime_r(&status.st_mtime, &local) == nullptr)
            return false;
        const int year = local.tm_year + 1900;
        return year >= 1980 && year <= 2107;
    }

    bool IsSameFile(const std::string& first, const std::string& second) override
    {
        std::string one;
        std::string other;
        struct stat oneStatus;
        struct stat otherStatus;
        return ToPosixPath(first, one) && ToPosixPath(second, other) && stat(one.c_str(), &oneStatus) == 0 &&
               stat(other.c_str(), &otherStatus) == 0 && oneStatus.st_dev == otherStatus.st_dev &&
               oneStatus.st_ino == otherStatus.st_ino;
    }

    NameHolder Inspect(const std::string& path) override
    {
        std::string posixPath;
        struct stat status;
        if (!ToPosixPath(path, posixPath))
            return NameHolder::kOther;
        if (lstat(posixPath.c_str(), &status) != 0)
            return errno == ENOENT ? NameHolder::kNothing : NameHolder::kOther;
        if (S_ISREG(status.st_mode))
            return NameHolder::kPlainFile;
        return S_ISLNK(status.st_mode) ? NameHolder::kLink : NameHolder::kOther;
    }

    bool IsReadOnly(const std::string& path) override
    {
        std::string posixPath;
        struct stat status;
        return ToPosixPath(path, posixPath) && stat(posixPath.c_str(), &status) == 0 && IsReadOnlyMode(status.st_mode);
    }

    std::string FinalPath(const std::string& path) override
    {
        std::string posixPath;
        char resolved[PATH_MAX];
        if (!ToPosixPath(path, posixPath) || realpath(posixPath.c_str(), resolved) == nullptr)
            return std::string();
        return OnDriveZ(resolved);
    }

    unsigned NameCount(const std::string& path) override
    {
        std::string posixPath;
        struct stat status;
        return ToPosixPath(path, posixPath) && stat(posixPath.c_str(), &status) == 0
                   ? static_cast<unsigned>(status.st_nlink)
                   : 0;
    }

    // Wine shows every file as the running user's; so does the stand-in.
    std::vector<LinkOnTheWay> LinksOnTheWay(const std::string& path) override
    {
        std::vector<LinkOnTheWay> links;
        for (const std::string& step : StepsDown(path)) {
            std::string posixPath;
            struct stat status;
            if (!ToPosixPath(step, posixPath) || lstat(posixPath.c_str(), &status) != 0) {
                if (errno != ENOENT && errno != ENOTDIR)
                    links.push_back({step, LinkMaker::kOther});
                break;
            }
            if (S_ISLNK(status.st_mode))
                links.push_back({step, LinkMaker::kRunningUser});
        }
        return links;
    }

    FileStep OpenForReading(const std::string& path, Handle& file) override
    {
        std::string posixPath;
        struct stat status;
        if (!ToPosixPath(path, posixPath) || stat(posixPath.c_str(), &status) != 0 || S_ISDIR(status.st_mode))
            return FileStep::kFailed;
        const int descriptor = open(posixPath.c_str(), O_RDONLY | O_CLOEXEC);
        file = descriptor;
        return Outcome(descriptor >= 0);
    }

    bool Size(Handle file, std::uint64_t& size) override
    {
        struct stat status;
        if (fstat(ToDescriptor(file), &status) != 0)
            return false;
        size = static_cast<std::uint64_t>(status.st_size);
        return true;
    }

    bool Read(Handle file, char* buffer, std::size_t size, std::size_t& got) override
    {
        ssize_t count;
        do
            count = read(ToDescriptor(file), buffer, size);
        while (count < 0 && errno == EINTR);
        got = count > 0 ? static_cast<std::size_t>(count) : 0;
        return count >= 0;
    }

    FileStep CreateNew(const std::string& path, Handle& file) override
    {
        std::string posixPath;
        if (!ToPosixPath(path, posixPath))
            return FileStep::kFailed;
        const int descriptor = open(posixPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        file = descriptor;
        return Outcome(descriptor >= 0);
    }

    bool Write(Handle file, const char* data, std::size_t size, std::size_t& written) override
    {
        written = 0;
        while (written < size) {
            const ssize_t count = write(ToDescriptor(file), data + written, size - written);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                return false;
            written += static_cast<std::size_t>(count);
        }
        return true;
    }

    bool Flush(Handle file) override { return fsync(ToDescriptor(file)) == 0; }

    void Close(Handle file) override { close(ToDescriptor(file)); }

    FileStep Copy(const std::string& source, const std::string& destination, bool replaceExisting) override
    {
        std::string from;
        std::string to;
        if (!ToPosixPath(source, from) || !ToPosixPath(destination, to))
            return FileStep::kFailed;
        const int input = open(from.c_str(), O_RDONLY | O_CLOEXEC);
        if (input < 0)
            return Outcome(false);
        struct stat status;
        if (fstat(input, &status) != 0 || S_ISDIR(status.st_mode)) {
            close(input);
            return FileStep::kFailed;
        }
        const int output = open(to.c_str(), O_WRONLY | O_CREAT | (replaceExisting ? O_TRUNC : O_EXCL) | O_CLOEXEC, 0644);
        if (output < 0) {
            const FileStep refused = Outcome(false);
            close(input);
            return refused;
        }
        char buffer[65536];
        ssize_t got;
        bool copied = true;
        while ((got = read(input, buffer, sizeof buffer)) > 0)
            copied = copied && write(output, buffer, static_cast<std::size_t>(got)) == got;
        copied = copied && got == 0 && (replaceExisting || fsync(output) == 0);
        copied = close(output) == 0 && copied;
        close(input);
        if (!copied)
            unlink(to.c_str());
        return Outcome(copied);
    }

    bool TakeAttributes(const std::string& path, const std::string& model) override
    {
        std::string to;
        std::string from;
        struct stat original;
        return ToPosixPath(path, to) && ToPosixPath(model, from) && stat(from.c_str(), &original) == 0 &&
               chmod(to.c_str(), original.st_mode & 07777) == 0 &&
               (chown(to.c_str(), original.st_uid, original.st_gid) == 0 || errno == EPERM);
    }

    // Read-only is the only attribute a POSIX file has.
    bool MakeNormal(const std::string& path) override
    {
        std::string posixPath;
        struct stat status;
        if (!ToPosixPath(path, posixPath) || stat(posixPath.c_str(), &status) != 0)
            return false;
        return !IsReadOnlyMode(status.st_mode) || chmod(posixPath.c_str(), (status.st_mode & 07777) | S_IWUSR) == 0;
    }

    // rename replaces a symbolic link itself, as MoveFileExA does on Windows.
    FileStep Rename(const std::string& from, const std::string& to) override
    {
        std::string oldPath;
        std::string newPath;
        if (!ToPosixPath(from, oldPath) || !ToPosixPath(to, newPath))
            return FileStep::kFailed;
        if (HeldByAnotherProgram(newPath))
            return FileStep::kHeld;
        if (rename(oldPath.c_str(), newPath.c_str()) != 0)
            return Outcome(false);
        // The rename itself is durable only once the directory is.
        const int directory = open(PosixParentDirectory(newPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (directory >= 0) {
            fsync(directory);
            close(directory);
        }
        return FileStep::kDone;
    }

    // unlink removes a symbolic link itself, as DeleteFileA does on Windows.
    FileStep Delete(const std::string& path) override
    {
        std::string posixPath;
        if (!ToPosixPath(path, posixPath))
            return FileStep::kFailed;
        if (HeldByAnotherProgram(posixPath))
            return FileStep::kHeld;
        return Outcome(unlink(posixPath.c_str()) == 0);
    }

    FileStep CreateNewWithin(const std::string& path, const std::string& folder, Handle& file) override
    {
        file = -1;
        return InFolderWithin(path, folder, [&](int directory) {
            file = openat(directory, NamePart(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            return file >= 0;
        });
    }

    // O_NOFOLLOW refuses a link at the name; the count, a second name.
    FileStep OpenForReadingWithin(const std::string& path, const std::string& folder, Handle& file) override
    {
        file = -1;
        return InFolderWithin(path, folder, [&](int directory) {
            const int opened = openat(directory, NamePart(path).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            struct stat status;
            if (opened >= 0 && fstat(opened, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1) {
                file = opened;
                return true;
            }
            if (opened >= 0)
                close(opened);
            errno = EPERM;
            return false;
        }, false);
    }

    FileStep RenameWithin(const std::string& from, const std::string& to, const std::string& folder) override
    {
        return InFolderWithin(to, folder, [&](int directory) {
            struct stat status;
            if (fstatat(directory, NamePart(from).c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(status.st_mode) || status.st_nlink != 1) {
                errno = EPERM;
                return false;
            }
            if (renameat(directory, NamePart(from).c_str(), directory, NamePart(to).c_str()) != 0)
                return false;
            fsync(directory);  // the rename is durable once its folder is
            return true;
        });
    }

    FileStep DeleteWithin(const std::string& path, const std::string& folder) override
    {
        return InFolderWithin(path, folder,
                              [&](int directory) { return unlinkat(directory, NamePart(path).c_str(), 0) == 0; });
    }

    void Pause(std::chrono::milliseconds delay) override { std::this_thread::sleep_for(delay); }

private:
    // A step on a name, made relative to its folder, which is opened and
    // found inside `folder` first: through the descriptor, a link put on
    // the way later leads nowhere. Held while another program holds the
    // file, where such a holder refuses the step.
    template <typename Step>
    static FileStep InFolderWithin(const std::string& path, const std::string& folder, Step step,
                                   bool holdable = true)
    {
        std::string posixFolder;
        std::string posixPath;
        if (!ToPosixPath(DirectoryPart(path), posixFolder) || !ToPosixPath(path, posixPath))
            return FileStep::kFailed;
        const int directory = open(posixFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (directory < 0)
            return FileStep::kFailed;
        char resolved[PATH_MAX];
        const ssize_t length =
            readlink(("/proc/self/fd/" + std::to_string(directory)).c_str(), resolved, sizeof resolved - 1);
        FileStep result = FileStep::kFailed;
        if (length > 0 &&
            LiesBelow(OnDriveZ(std::string(resolved, static_cast<std::size_t>(length))) + "\\" + NamePart(path), folder))
            result = holdable && HeldByAnotherProgram(posixPath) ? FileStep::kHeld : Outcome(step(directory));
        close(directory);
        return result;
    }

    // Windows refuses to replace or delete a file that another program
    // holds open without sharing its deletion, as scanners do: here a
    // shared flock stands for such a handle.
    static bool HeldByAnotherProgram(const std::string& posixPath)
    {
        const int file = open(posixPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (file < 0)
            return false;
        const bool held = flock(file, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        close(file);
        return held;
    }

    // No POSIX handle shuts others out of a file; a busy one comes nearest.
    static FileStep Outcome(bool done)
    {
        if (done)
            return FileStep::kDone;
        return errno == EBUSY || errno == ETXTBSY ? FileStep::kHeld : FileStep::kFailed;
    }
};

}  // namespace

FileOps& SystemFileOps()
{
    static StandInFileOps files;
    return files;
}
