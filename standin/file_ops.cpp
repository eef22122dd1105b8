#include "platform/file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

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

    bool OpenForReading(const std::string& path, Handle& file) override
    {
        std::string posixPath;
        struct stat status;
        if (!ToPosixPath(path, posixPath) || stat(posixPath.c_str(), &status) != 0 || S_ISDIR(status.st_mode))
            return false;
        const int descriptor = open(posixPath.c_str(), O_RDONLY | O_CLOEXEC);
        file = descriptor;
        return descriptor >= 0;
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

    bool CreateNew(const std::string& path, Handle& file) override
    {
        std::string posixPath;
        if (!ToPosixPath(path, posixPath))
            return false;
        const int descriptor = open(posixPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        file = descriptor;
        return descriptor >= 0;
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

    bool Replace(const std::string& temporaryPath, const std::string& path) override
    {
        std::string from;
        std::string to;
        struct stat original;
        if (!ToPosixPath(temporaryPath, from) || !ToPosixPath(path, to) || stat(to.c_str(), &original) != 0)
            return false;
        if (IsReadOnlyMode(original.st_mode))
            return false;
        if (chmod(from.c_str(), original.st_mode & 07777) != 0)
            return false;
        if (chown(from.c_str(), original.st_uid, original.st_gid) != 0 && errno != EPERM)
            return false;
        if (rename(from.c_str(), to.c_str()) != 0)
            return false;
        // The rename itself is durable only once the directory is.
        const int directory = open(PosixParentDirectory(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (directory >= 0) {
            fsync(directory);
            close(directory);
        }
        return true;
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
        if (!ToPosixPath(path, posixPath))
            return path;
        char resolved[PATH_MAX];
        if (realpath(posixPath.c_str(), resolved) == nullptr)
            return path;
        std::string windowsPath = std::string("Z:") + resolved;
        for (char& c : windowsPath)
            if (c == '/')
                c = '\\';
        return windowsPath;
    }

    // unlink removes a symbolic link itself, as DeleteFileA does on Windows.
    void Remove(const std::string& path) override
    {
        std::string posixPath;
        struct stat status;
        if (ToPosixPath(path, posixPath) && lstat(posixPath.c_str(), &status) == 0 &&
            (S_ISREG(status.st_mode) || S_ISLNK(status.st_mode)))
            unlink(posixPath.c_str());
    }

    bool ClearLeftover(const std::string& path) override
    {
        std::string posixPath;
        if (!ToPosixPath(path, posixPath))
            return false;
        struct stat status;
        if (lstat(posixPath.c_str(), &status) != 0)
            return errno == ENOENT;
        return S_ISREG(status.st_mode) && unlink(posixPath.c_str()) == 0;
    }

    void CopyOver(const std::string& source, const std::string& destination) override
    {
        std::string to;
        struct stat status;
        if (!ToPosixPath(destination, to))
            return;
        if (lstat(to.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            CopyAsWritable(source, to);
            return;
        }
        // A link is never written through: a copy made beside it takes its
        // place.
        const std::string copyPath = destination + kTemporarySuffix;
        std::string copy;
        if (ToPosixPath(copyPath, copy) && ClearLeftover(copyPath) && CopyAsWritable(source, copy) &&
            rename(copy.c_str(), to.c_str()) != 0)
            unlink(copy.c_str());
    }

private:
    // The copy is never read-only, whatever it replaces.
    static bool CopyAsWritable(const std::string& source, const std::string& to)
    {
        std::string from;
        if (!ToPosixPath(source, from))
            return false;
        const int input = open(from.c_str(), O_RDONLY | O_CLOEXEC);
        if (input < 0)
            return false;
        struct stat status;
        bool copied = false;
        if (fstat(input, &status) == 0 && !S_ISDIR(status.st_mode)) {
            struct stat old;
            if (stat(to.c_str(), &old) == 0 && IsReadOnlyMode(old.st_mode))
                chmod(to.c_str(), (old.st_mode & 07777) | S_IWUSR);
            const int output = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (output >= 0) {
                char buffer[65536];
                ssize_t got;
                copied = true;
                while ((got = read(input, buffer, sizeof buffer)) > 0)
                    copied = copied && write(output, buffer, static_cast<std::size_t>(got)) == got;
                copied = close(output) == 0 && copied && got == 0;
            }
        }
        close(input);
        return copied;
    }
};

}  // namespace

FileOps& SystemFileOps()
{
    static StandInFileOps files;
    return files;
}
