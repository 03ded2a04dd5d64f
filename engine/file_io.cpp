#include "file_io.h"

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

int64_t RegularFileSize(std::FILE* file) {
#ifdef _WIN32
    struct _stat64 status {};
    if (_fstat64(_fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return -1;
#else
    struct stat status {};
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return -1;
#endif
    return status.st_size;
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
#ifdef _WIN32
    std::FILE* file = _wfopen(WidePath(path).c_str(), L"rb");
#else
    // Without waiting for a writer when path is a pipe, which is refused.
    const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    std::FILE* file = descriptor < 0 ? nullptr : fdopen(descriptor, "rb");
    if (descriptor >= 0 && !file) close(descriptor);
#endif
    *size = file ? RegularFileSize(file) : -1;
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
    const size_t started = size < 0 ? 0 : std::fread(start, 1, sizeof start, file);
    ReadResult result = ReadResult::Ok;
    if (size < 0 || std::ferror(file)) {
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
    DeleteFileW(WidePath(path.c_str()).c_str());
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

// Whether an existing file at path must not be replaced (EACCES in errno).
// Permission bits are read rather than asked of access(), which says yes to
// the superuser.
bool IsReadOnly(const std::string& path) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(WidePath(path.c_str()).c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
#else
    struct stat status {};
    const bool readOnly = stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
                          ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path.c_str(), W_OK) != 0);
#endif
    if (readOnly) errno = EACCES;
    return readOnly;
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

// A new file named ".velmora-XXXXXX" in folder: short, so that any name that
// fits in the folder leaves room for it. It is listed for
// RemoveTemporaryFiles in *slot (null when no slot was free) before anything
// that can fail or throw comes after its creation. On failure returns
// nullptr with errno set.
std::FILE* CreateTemporary(const std::string& folder, std::string& temporaryPath, TemporarySlot*& slot) {
    static std::atomic<uint32_t> counter{0};
    const auto clock = static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const char* digits = "0123456789abcdefghijklmnopqrstuv";
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint32_t value = (clock ^ uint32_t(reinterpret_cast<uintptr_t>(&temporaryPath))) + counter++ * 2654435761u;
        std::string name = ".velmora-";
        for (int i = 0; i < 6; ++i, value >>= 5) name += digits[value & 31];
        temporaryPath = folder + name;
#ifdef _WIN32
        // Shared for deletion, so that RemoveTemporaryFiles can remove it
        // while it is still open.
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
            return nullptr;
        }
        const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
        if (descriptor < 0) {
            CloseHandle(handle);
            Discard(slot, temporaryPath);
            errno = EMFILE;
            return nullptr;
        }
#else
        int descriptor = -1;
        int error = EINTR;
        {
            const SignalsHeld held;
            ++CreationsUnderWay;
            if (!Removing) {
                descriptor = open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
                error = errno;
                if (descriptor >= 0) slot = List(temporaryPath);
            }
            --CreationsUnderWay;
        }
        if (descriptor < 0) {
            if (error == EEXIST) continue;
            errno = error;
            return nullptr;
        }
#endif
        std::FILE* file = fdopen(descriptor, "wb");
        if (!file) {
            const int saved = errno;
            close(descriptor);
            Discard(slot, temporaryPath);
            errno = saved;
        }
        return file;
    }
    errno = EEXIST;
    return nullptr;
}

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
    if (IsReadOnly(target)) {
        *systemError = errno;
        return false;
    }
    std::string temporaryPath;
    TemporarySlot* listed = nullptr;
    std::FILE* file = CreateTemporary(FolderOf(target), temporaryPath, listed);
    if (!file) {
        *systemError = errno;
        return false;
    }
    // From here on the temporary file is removed whatever happens, also when
    // write or a path conversion runs out of memory and throws.
    int error = 0;
    try {
        ClearErrors();
        if (!write(file) || std::ferror(file) || std::fflush(file) != 0) error = LastError(file);
    } catch (...) {
        std::fclose(file);
        Discard(listed, temporaryPath);
        throw;
    }
    ClearErrors();
    if (std::fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    try {
        if (error == 0 && !PutInPlace(temporaryPath.c_str(), target.c_str())) error = errno;
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    }
    if (error != 0) {
        Discard(listed, temporaryPath);
    } else if (listed) {
        listed->state = Free;
    }
    *systemError = error;
    return error == 0;
}

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
