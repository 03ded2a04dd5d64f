#include "base/file_io.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <climits>
#include <csignal>
#include <pthread.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
int ErrnoOf(DWORD windowsError) {
    switch (windowsError) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return EIO;
    }
}
#endif

// The errno value of the C library call on file that just failed. The
// Windows C library turns a full disk into EINVAL, and Wine's leaves no
// system code either, as the disk filled in the middle of a write that still
// succeeded in part. One more byte written through the system, to a file
// about to be discarded, gives the reason. It goes well past the file's end:
// rows are written at their places, so the current position may lie in
// space the file already has.
int LastError([[maybe_unused]] std::FILE* file) {
    const int error = errno != 0 ? errno : EIO;
#ifdef _WIN32
    if (_doserrno == ERROR_DISK_FULL || _doserrno == ERROR_HANDLE_DISK_FULL) return ENOSPC;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    LARGE_INTEGER size{};
    if ((error == EINVAL || error == EIO) && handle != INVALID_HANDLE_VALUE && GetFileSizeEx(handle, &size)) {
        const uint64_t beyond = (uint64_t(size.QuadPart) | 0xFFFFF) + 1;
        OVERLAPPED at{};
        at.Offset = DWORD(beyond);
        at.OffsetHigh = DWORD(beyond >> 32);
        DWORD written = 0;
        if (!WriteFile(handle, "", 1, &written, &at)) {
            const DWORD code = GetLastError();
            if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL) return ENOSPC;
        }
    }
#endif
    return error;
}

void ClearErrors() {
    errno = 0;
#ifdef _WIN32
    _doserrno = 0;
#endif
}

#ifdef _WIN32
using PathChar = wchar_t;
#else
using PathChar = char;
#endif

// The size of the open file when it is a regular file; else -1, with the
// reason in *reason: EISDIR for a folder, ENOTSUP for anything else (a
// pipe, a device, a socket), whose bytes are not read as a picture file.
int64_t RegularFileSize(std::FILE* file, int* reason) {
#ifdef _WIN32
    struct _stat64 status {};
    const bool looked = _fstat64(_fileno(file), &status) == 0;
#else
    struct stat status {};
    const bool looked = fstat(fileno(file), &status) == 0;
#endif
    if (looked && S_ISREG(status.st_mode)) return status.st_size;
    *reason = !looked ? errno : S_ISDIR(status.st_mode) ? EISDIR : ENOTSUP;
    return -1;
}

}  // namespace

#ifdef _WIN32
std::wstring WidePath(const char* path) {
    // UTF-8: the programs' manifest makes it the process code page, and the
    // C library takes UTF-8 names whatever the code page of its caller.
    const int length = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
    std::wstring wide(size_t(length > 0 ? length : 1), L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, path, -1, wide.data(), length);
    wide.pop_back();
    return wide;
}
#endif

bool SeekFile(std::FILE* file, int64_t offset, int origin) {
#ifdef _WIN32
    return _fseeki64(file, offset, origin) == 0;
#else
    return fseeko(file, off_t(offset), origin) == 0;
#endif
}

std::FILE* OpenForReading(const char* path, int64_t* size) {
    *size = -1;
#ifdef _WIN32
    const std::wstring widePath = WidePath(path);
    std::FILE* file = _wfopen(widePath.c_str(), L"rb");
    if (!file) {
        const DWORD attributes = GetFileAttributesW(widePath.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) errno = EISDIR;
        return nullptr;
    }
#else
    // Without waiting for a writer when path is a pipe, which is refused.
    const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    std::FILE* file = descriptor < 0 ? nullptr : fdopen(descriptor, "rb");
    if (descriptor >= 0 && !file) {
        const int error = errno;
        close(descriptor);
        errno = error;
    }
    if (!file) return nullptr;
#endif
    int reason = 0;
    *size = RegularFileSize(file, &reason);
    if (*size < 0) {
        std::fclose(file);
        errno = reason;
        return nullptr;
    }
    return file;
}

ReadResult ReadWholeFile(const char* path, std::vector<uint8_t>& bytes, int64_t maxBytes, const StartCheck& accept) {
    bytes.clear();
    int64_t size = -1;
    std::FILE* file = OpenForReading(path, &size);
    if (!file) return ReadResult::CannotOpen;
    // Closed on every way out, a std::bad_alloc from the buffer included.
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, &std::fclose);
    uint8_t start[FileStartSize];
    const size_t started = std::fread(start, 1, sizeof start, file);
    ReadResult result = ReadResult::Ok;
    if (std::ferror(file)) {
        result = ReadResult::CannotOpen;
    } else if (accept && !accept(start, started)) {
        result = ReadResult::Refused;
    } else if (size > maxBytes) {
        result = ReadResult::TooLarge;
    }
    if (result != ReadResult::Ok) return result;
    // The size is only a hint: the file may change while it is read.
    bytes.assign(start, start + started);
    size_t filled = started;
    if (size > int64_t(started)) {
        bytes.resize(static_cast<size_t>(size));
        filled += std::fread(bytes.data() + started, 1, bytes.size() - started, file);
    }
    while (result == ReadResult::Ok && filled == bytes.size() && !std::ferror(file)) {
        uint8_t chunk[4096];
        const size_t more = std::fread(chunk, 1, sizeof chunk, file);
        if (more == 0) break;
        if (static_cast<int64_t>(bytes.size() + more) > maxBytes) result = ReadResult::TooLarge;
        bytes.insert(bytes.end(), chunk, chunk + more);
        filled = bytes.size();
    }
    if (result == ReadResult::Ok && std::ferror(file)) result = ReadResult::CannotOpen;
    bytes.resize(filled);
    if (result != ReadResult::Ok) bytes.clear();
    return result;
}

namespace {

// The temporary files being written, for RemoveTemporaryFiles. A signal
// handler may read them at any moment, so they live in fixed buffers, each
// published by its state once its path is whole. A path too long for a slot,
// or one written while every slot is taken, is simply not listed.
enum SlotState { Free, Filling, Listed };
struct TemporarySlot {
    std::atomic<int> state{Free};
    PathChar path[4096];
};
TemporarySlot TemporarySlots[64];

// A file created but not yet listed would be missed by RemoveTemporaryFiles,
// which may run at any moment on any thread. So it waits while any creation
// is under way, and none starts once it has begun. A creating thread blocks
// signals, so that the handler never waits for its own thread.
std::atomic<int> CreationsUnderWay{0};
std::atomic<bool> Removing{false};

#ifndef _WIN32
struct SignalsHeld {
    sigset_t previous;
    SignalsHeld() {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &previous);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous, nullptr); }
};
#endif

TemporarySlot* List(const std::basic_string<PathChar>& path) {
    if (path.size() >= std::size(TemporarySlots[0].path)) return nullptr;
    for (TemporarySlot& slot : TemporarySlots) {
        int free = Free;
        if (slot.state.compare_exchange_strong(free, Filling)) {
            std::memcpy(slot.path, path.c_str(), (path.size() + 1) * sizeof(PathChar));
            slot.state = Listed;
            return &slot;
        }
    }
    return nullptr;
}

void RemoveFile(const std::string& path) {
#ifdef _WIN32
    try {
        DeleteFileW(WidePath(path.c_str()).c_str());
    } catch (const std::bad_alloc&) {
        // Nothing is left to do for a file whose name cannot be converted.
    }
#else
    unlink(path.c_str());
#endif
}

// The folder part of path, with its final separator ("" for none).
std::string FolderOf(const std::string& path) {
    size_t end = 0;
    for (size_t at = 0; at < path.size(); ++at) {
        if (IsPathSeparator(path[at])) end = at + 1;
    }
    return path.substr(0, end);
}

#ifndef _WIN32
// The file that writing to path reaches: path itself, or the end of the
// chain of symbolic links it starts, which need not exist yet.
bool FollowLinks(const char* path, std::string& target) {
    target = path;
    for (int hop = 0; hop < 40; ++hop) {
        char link[PATH_MAX];
        const ssize_t length = readlink(target.c_str(), link, sizeof link - 1);
        if (length < 0) return errno == EINVAL || errno == ENOENT;  // not a link, or nothing there
        const std::string pointed(link, size_t(length));
        target = pointed[0] == '/' ? pointed : FolderOf(target) + pointed;
    }
    errno = ELOOP;
    return false;
}
#endif

// What an output is written to: a new file, a regular file it replaces, or
// (not on Windows) a character device or a pipe it is written into.
enum class Kind { New, Regular, Stream };
struct Existing {
    Kind kind = Kind::New;
#ifndef _WIN32
    struct stat status {};
#endif
};

// Looks at what is at target. A name that cannot be looked at counts as
// new: creating the file then gives the reason. False, with errno set, for
// what must not be written: a read-only file (EACCES; the permission bits
// are read rather than asked of access(), which says yes to the superuser),
// a folder (EISDIR; on Windows the rename onto it gives EACCES later), or
// anything else that is neither a regular file, a character device nor a
// pipe, such as a socket or a block device (ENOTSUP).
bool LookAt(const std::string& target, Existing& existing) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(WidePath(target.c_str()).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    existing.kind = Kind::Regular;
    if (!(attributes & FILE_ATTRIBUTE_READONLY)) return true;
    errno = EACCES;
    return false;
#else
    const struct stat& status = existing.status;
    if (stat(target.c_str(), &existing.status) != 0) return true;
    if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)) {
        existing.kind = Kind::Stream;
        return true;
    }
    if (S_ISREG(status.st_mode)) {
        existing.kind = Kind::Regular;
        if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && access(target.c_str(), W_OK) == 0) return true;
        errno = EACCES;
        return false;
    }
    errno = S_ISDIR(status.st_mode) ? EISDIR : ENOTSUP;
    return false;
#endif
}

// Removes a temporary file without allocating, through its slot when it has
// one, and frees the slot.
void Discard(TemporarySlot* slot, const std::string& temporaryPath) {
    if (!slot) {
        RemoveFile(temporaryPath);
        return;
    }
#ifdef _WIN32
    DeleteFileW(slot->path);
#else
    unlink(slot->path);
#endif
    slot->state = Free;
}

// A name ".velmora-XXXXXX" in folder, another at each call: short, so that
// any name that fits in the folder leaves room for it.
std::string TemporaryName(const std::string& folder) {
    static std::atomic<uint32_t> counter{0};
    const auto clock = static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    uint32_t value = (clock ^ uint32_t(reinterpret_cast<uintptr_t>(&folder))) + counter++ * 2654435761u;
    const char* digits = "0123456789abcdefghijklmnopqrstuv";
    std::string name = ".velmora-";
    for (int i = 0; i < 6; ++i, value >>= 5) name += digits[value & 31];
    return folder + name;
}

#ifdef _WIN32
// A new file of a temporary name in folder, listed for RemoveTemporaryFiles
// in *slot (null when no slot was free) before anything that can fail or
// throw comes after its creation. Shared for deletion, so that
// RemoveTemporaryFiles can remove it while it is still open. On failure
// returns -1 with errno set.
int CreateNamed(const std::string& folder, std::string& temporaryPath, TemporarySlot*& slot) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = TemporaryName(folder);
        const std::wstring widePath = WidePath(temporaryPath.c_str());
        ++CreationsUnderWay;
        HANDLE handle = INVALID_HANDLE_VALUE;
        DWORD error = ERROR_OPERATION_ABORTED;
        if (!Removing) {
            handle = CreateFileW(widePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            error = GetLastError();
            if (handle != INVALID_HANDLE_VALUE) slot = List(widePath);
        }
        --CreationsUnderWay;
        if (handle == INVALID_HANDLE_VALUE) {
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            errno = error == ERROR_OPERATION_ABORTED ? EINTR : ErrnoOf(error);
            return -1;
        }
        const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
        if (descriptor < 0) {
            CloseHandle(handle);
            errno = EMFILE;
        }
        return descriptor;
    }
    errno = EEXIST;
    return -1;
}
#else
// Makes a file of a temporary name in folder with make(path), which fails
// with errno EEXIST when the name is taken, and lists it for
// RemoveTemporaryFiles in *slot (null when no slot was free) before
// anything that can fail or throw comes after it. False, with errno set,
// when no file was made.
template <typename Make>
bool MakeNamed(const std::string& folder, std::string& temporaryPath, TemporarySlot*& slot, Make make) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = TemporaryName(folder);
        bool made = false;
        int error = EINTR;
        {
            const SignalsHeld held;
            ++CreationsUnderWay;
            if (!Removing) {
                made = make(temporaryPath.c_str());
                error = errno;
                if (made) slot = List(temporaryPath);
            }
            --CreationsUnderWay;
        }
        if (made) return true;
        if (error != EEXIST) {
            errno = error;
            return false;
        }
    }
    errno = EEXIST;
    return false;
}

int CreateNamed(const std::string& folder, std::string& temporaryPath, TemporarySlot*& slot) {
    int descriptor = -1;
    MakeNamed(folder, temporaryPath, slot, [&](const char* name) {
        descriptor = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        return descriptor >= 0;
    });
    return descriptor;
}

// A new file without a name in folder, where the file system has them: the
// system removes it with its last descriptor, however the process ends.
// -1 with errno set when it cannot be made; EOPNOTSUPP, EISDIR and EINVAL
// (on older kernels) say that the file system has none.
int CreateUnnamed(const std::string& folder) {
#ifdef O_TMPFILE
    return open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// Gives the open file without a name the name to, which nothing has (else
// EEXIST). Through /proc, which needs no privilege; without /proc, through
// the descriptor, which older kernels allow only to the superuser.
bool LinkUnnamed(int descriptor, const char* to) {
    const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to, AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != ENOENT || access("/proc/self/fd", F_OK) == 0) return false;
    return linkat(descriptor, "", AT_FDCWD, to, AT_EMPTY_PATH) == 0;
}

// Gives a file being replaced's owner, group and mode to the file that
// replaces it, as far as the system lets them be kept: the superuser keeps
// all, others their own group where they are in it. Nothing here fails the
// write: the file written is whole either way.
void KeepOwnerAndMode(int descriptor, const struct stat& replaced) {
    if (fchown(descriptor, replaced.st_uid, replaced.st_gid) != 0 && fchown(descriptor, uid_t(-1), replaced.st_gid) != 0) {
        // Owned by the writer, as any file it creates.
    }
    if (fchmod(descriptor, replaced.st_mode & 07777) != 0) {
        // The mode new files get.
    }
}
#endif

std::atomic<FlushObserver> Observer{nullptr};

// Waits until the file at path, written and closed, is on the disk.
bool FlushToDisk(const char* path, const char* replaced) {
    if (const FlushObserver observer = Observer) observer(path, replaced);
#ifdef _WIN32
    HANDLE handle = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool flushed = handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
    if (!flushed) errno = ErrnoOf(GetLastError());
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
#else
    // fsync reaches the file's data whichever descriptor wrote it, also one
    // opened for reading only (which a umask may leave the file to).
    const int descriptor = open(path, O_RDONLY | O_CLOEXEC);
    const bool flushed = descriptor >= 0 && fsync(descriptor) == 0;
    const int error = errno;
    if (descriptor >= 0) close(descriptor);
    errno = error;
#endif
    return flushed;
}

// Renames from to a name that nothing has: false with errno EEXIST when
// something has it, or EINVAL when the file system cannot tell.
bool MoveToNewName(const char* from, const char* to) {
#ifdef _WIN32
    if (MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), 0)) return true;
    errno = ErrnoOf(GetLastError());
    return false;
#elif defined(RENAME_NOREPLACE)
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    if (errno == ENOSYS) errno = EINVAL;  // a kernel older than the call
    return false;
#else
    // A C library without the call (WebAssembly's) cannot tell either.
    (void)from;
    (void)to;
    errno = EINVAL;
    return false;
#endif
}

// Renames from over the file at to, on the disk before the call returns.
bool ReplaceFile(const char* from, const char* to) {
#ifdef _WIN32
    if (MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    errno = ErrnoOf(GetLastError());
    return false;
#else
    return std::rename(from, to) == 0;
#endif
}

// Puts the closed temporary file at target. A new name protects nothing, so
// no time is spent waiting for the disk; a file that is there already (or
// may be, where the file system cannot tell) is replaced only once the new
// one is on the disk, so that a crash leaves the old file or the new one.
bool PutInPlace(const char* temporaryPath, const char* target) {
    if (MoveToNewName(temporaryPath, target)) return true;
    if (errno != EEXIST && errno != EINVAL) return false;
    return FlushToDisk(temporaryPath, target) && ReplaceFile(temporaryPath, target);
}

// Runs write into file and flushes it: 0, or the errno value of what
// failed.
int Fill(std::FILE* file, const std::function<bool(std::FILE*)>& write) {
    ClearErrors();
    if (!write(file) || std::ferror(file) || std::fflush(file) != 0) return LastError(file);
    return 0;
}

// The file that becomes the output once whole. Where the file system
// allows, it has no name while it is written (O_TMPFILE), so that nothing
// is left of it however the process ends; else it is a named temporary
// file beside the output, listed for RemoveTemporaryFiles. Closed, and
// removed unless put in place, when it goes out of scope.
class Temporary {
public:
    Temporary() = default;
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    ~Temporary() {
        if (file_) std::fclose(file_);
        if (!path_.empty()) Discard(slot_, path_);
    }

    // Creates it in folder, with the owner, group and mode of the file it
    // replaces. False, with errno set, when it cannot be.
    bool Create(const std::string& folder, [[maybe_unused]] const Existing& existing) {
#ifdef _WIN32
        const int descriptor = CreateNamed(folder, path_, slot_);
#else
        int descriptor = CreateUnnamed(folder);
        if (descriptor < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
        if (descriptor < 0) descriptor = CreateNamed(folder, path_, slot_);
        if (descriptor >= 0 && existing.kind == Kind::Regular) KeepOwnerAndMode(descriptor, existing.status);
#endif
        if (descriptor < 0) return false;
        file_ = fdopen(descriptor, "wb");
        if (file_) return true;
        const int error = errno;
        close(descriptor);
        errno = error;
        return false;
    }

    std::FILE* File() const { return file_; }

    // Puts the written and flushed file at target: false, with errno set,
    // when it cannot be. A file without a name is given the output's name
    // when that is free; to replace a file it is flushed to disk, named,
    // and renamed over it, as a named temporary file is.
    bool PutInPlace(const std::string& target, [[maybe_unused]] bool replacing) {
#ifndef _WIN32
        if (path_.empty()) {
            const int descriptor = fileno(file_);
            if (!replacing && LinkUnnamed(descriptor, target.c_str())) {
                // A file system may report a failed write only at close
                // (NFS); the file just named is then taken back.
                const bool closed = std::fclose(file_) == 0;
                file_ = nullptr;
                if (closed) return true;
                const int error = errno != 0 ? errno : EIO;
                unlink(target.c_str());
                errno = error;
                return false;
            }
            if (!replacing && errno != EEXIST) return false;
            const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
            if (const FlushObserver observer = Observer) observer(self.c_str(), target.c_str());
            if (fsync(descriptor) != 0) return false;
            if (!MakeNamed(FolderOf(target), path_, slot_,
                           [&](const char* name) { return LinkUnnamed(descriptor, name); })) {
                return false;
            }
            if (!ReplaceFile(path_.c_str(), target.c_str())) return false;
            Keep();
            return true;
        }
#endif
        ClearErrors();
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!closed) {
            if (errno == 0) errno = EIO;
            return false;
        }
        if (!::PutInPlace(path_.c_str(), target.c_str())) return false;
        Keep();
        return true;
    }

private:
    // Forgets the temporary name, which is the output's now.
    void Keep() {
        if (slot_) slot_->state = Free;
        slot_ = nullptr;
        path_.clear();
    }

    std::FILE* file_ = nullptr;
    std::string path_;  // empty for a file without a name
    TemporarySlot* slot_ = nullptr;
};

// Writes through a temporary file that replaces the file at target, or
// takes its name when it has none: 0, or the errno value of what failed.
int Replace(const std::string& target, const Existing& existing, const std::function<bool(std::FILE*)>& write) {
    Temporary temporary;
    if (!temporary.Create(FolderOf(target), existing)) return errno;
    if (const int error = Fill(temporary.File(), write)) return error;
    try {
        ClearErrors();
        if (!temporary.PutInPlace(target, existing.kind == Kind::Regular)) return errno != 0 ? errno : EIO;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
    return 0;
}

#ifndef _WIN32
// Writes into the character device or pipe at target as cp does: opened for
// writing, never created or truncated (a pipe waits for its reader). The
// output is made whole first in an unnamed file, as write may seek in it,
// and then copied: 0, or the errno value of what failed.
int WriteInto(const std::string& target, const std::function<bool(std::FILE*)>& write) {
    struct Opened {
        const int descriptor;
        ~Opened() { close(descriptor); }
    };
    const int device = open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (device < 0) return errno;
    const Opened opened{device};
    struct stat status {};
    if (fstat(device, &status) != 0) return errno;
    if (!S_ISCHR(status.st_mode) && !S_ISFIFO(status.st_mode)) return ENOTSUP;  // changed since it was looked at
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> whole(std::tmpfile(), &std::fclose);
    if (!whole) return errno;
    if (const int error = Fill(whole.get(), write)) return error;
    const int source = fileno(whole.get());
    if (lseek(source, 0, SEEK_SET) != 0) return errno;
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = read(source, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) return 0;
        for (ssize_t sent = 0; sent < got;) {
            const ssize_t put = ::write(device, chunk + sent, size_t(got - sent));
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) return errno;
            sent += put;
        }
    }
}
#endif

}  // namespace

bool WriteFileAtomically(const char* path, const std::function<bool(std::FILE*)>& write,
                         int* systemError) {
    int ignored = 0;
    if (!systemError) systemError = &ignored;
#ifdef _WIN32
    const std::string target = path;
#else
    std::string target;
    if (!FollowLinks(path, target)) {
        *systemError = errno;
        return false;
    }
#endif
    Existing existing;
    if (!LookAt(target, existing)) {
        *systemError = errno;
        return false;
    }
#ifndef _WIN32
    if (existing.kind == Kind::Stream) {
        *systemError = WriteInto(target, write);
        return *systemError == 0;
    }
#endif
    *systemError = Replace(target, existing, write);
    return *systemError == 0;
}

#ifdef _WIN32
bool IdentifyFile(const char* path, FileIdentity* identity) {
    HANDLE file = CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        errno = ErrnoOf(GetLastError());
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(file, &information) != 0;
    if (!known) errno = ErrnoOf(GetLastError());
    CloseHandle(file);
    if (!known) return false;
    identity->device = information.dwVolumeSerialNumber;
    identity->number = (uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    return true;
}
#else
bool IdentifyFile(const char* path, FileIdentity* identity) {
    struct stat status {};
    if (stat(path, &status) != 0) return false;
    identity->device = uint64_t(status.st_dev);
    identity->number = uint64_t(status.st_ino);
    return true;
}
#endif

void RemoveTemporaryFiles() {
    Removing = true;
    while (CreationsUnderWay > 0) {
    }
    for (TemporarySlot& slot : TemporarySlots) {
        if (slot.state != Listed) continue;
#ifdef _WIN32
        DeleteFileW(slot.path);
#else
        unlink(slot.path);
#endif
    }
}

void ObserveFlushesForTesting(FlushObserver observer) {
    Observer = observer;
}

std::string_view FileExtension(std::string_view path) {
    size_t nameStart = 0;
    size_t extensionStart = std::string::npos;
    for (size_t at = 0; at < path.size(); ++at) {
        if (IsPathSeparator(path[at])) {
            nameStart = at + 1;
            extensionStart = std::string::npos;
        } else if (path[at] == '.') {
            extensionStart = at;
        }
    }
    return extensionStart != std::string::npos && extensionStart > nameStart ? path.substr(extensionStart)
                                                                             : std::string_view();
}

bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}
