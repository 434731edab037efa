#include "data/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>

#include "data/DbError.h"
#include "data/SharedMappings.h"

namespace data {
namespace {
std::string SysText() { return std::strerror(errno); }

std::atomic<long> ioPoints{0};
std::atomic<long> failAt{0};
std::atomic<int> failError{EIO};
std::atomic<bool> endProcess{false};

// One I/O point: false (errno set) when the plan fails it.
bool IoPointPasses() {
  const long n = ioPoints.fetch_add(1) + 1;
  if (n != failAt.load()) return true;
  if (endProcess.load()) ::_exit(86);
  errno = failError.load();
  return false;
}

// Smaller files are read whole into the engine's own buffers anyway.
constexpr std::uint64_t kMinSizeToMap = 256 * 1024;

// File systems whose pages live on this computer (mapped reads see every
// write at once). Anything else, network shares above all, is not mapped.
bool IsLocalFileSystem(int fd) {
  struct statfs fs;
  if (::fstatfs(fd, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53UL:      // ext2, ext3, ext4
    case 0x58465342UL:  // xfs
    case 0x9123683EUL:  // btrfs
    case 0x01021994UL:  // tmpfs
    case 0xF2F52010UL:  // f2fs
    case 0x2FC12FC1UL:  // zfs
    case 0x794C7630UL:  // overlayfs
    case 0x3153464AUL:  // jfs
    case 0x52654973UL:  // reiserfs
    case 0x4D44UL:      // vfat
    case 0x2011BAB0UL:  // exfat
      return true;
    default:
      return false;
  }
}
}  // namespace

File::File(File&& o) noexcept
    : fd_(o.fd_), path_(std::move(o.path_)), mapping_(std::move(o.mapping_)), view_(o.view_), viewSize_(o.viewSize_) {
  o.fd_ = -1;
  o.view_ = nullptr;
  o.viewSize_ = 0;
}
File& File::operator=(File&& o) noexcept {
  if (this != &o) {
    Close();
    fd_ = o.fd_;
    path_ = std::move(o.path_);
    mapping_ = std::move(o.mapping_);
    view_ = o.view_;
    viewSize_ = o.viewSize_;
    o.fd_ = -1;
    o.view_ = nullptr;
    o.viewSize_ = 0;
  }
  return *this;
}
File::~File() { Close(); }

void File::Open(const std::string& path, bool writable) {
  Close();
  // Without blocking: opening a FIFO or a device would wait for a writer
  // or the device; only regular files are tables.
  const int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY;
  fd_ = ::open(path.c_str(), flags | O_NONBLOCK);
  // A regular file under a lease (a file server's oplock on the same
  // computer) refuses a non-blocking open; it is opened waiting for the
  // lease to be given back, as other programs open it.
  struct stat named;
  if (fd_ < 0 && errno == EWOULDBLOCK && ::stat(path.c_str(), &named) == 0 && S_ISREG(named.st_mode))
    fd_ = ::open(path.c_str(), flags);
  if (fd_ < 0) throw DbError("No se puede abrir el fichero " + path + ": " + SysText() + ".");
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw DbError("No se puede abrir " + path + ": no es un fichero normal.");
  }
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  path_ = path;
}

void File::Create(const std::string& path) {
  Close();
  fd_ = IoPointPasses() ? ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666) : -1;
  if (fd_ < 0) throw DbError("No se puede crear el fichero " + path + ": " + SysText() + ".");
  path_ = path;
}

void File::Close() {
  Unmap();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void File::MapForReading() {
  Unmap();
  if (fd_ < 0 || !IsLocalFileSystem(fd_)) return;
  struct stat st;
  if (::fstat(fd_, &st) != 0 || static_cast<std::uint64_t>(st.st_size) < kMinSizeToMap) return;
  mapping_ = SharedMapping(path_, st);
  if (!mapping_) return;  // reads go through the file
  view_ = mapping_->data;
  viewSize_ = static_cast<std::uint64_t>(st.st_size);
}

void File::Unmap() {
  mapping_.reset();
  view_ = nullptr;
  viewSize_ = 0;
}

bool File::StillAt(const std::string& path) const {
  struct stat mine, named;
  if (fd_ < 0 || ::fstat(fd_, &mine) != 0 || ::stat(path.c_str(), &named) != 0) return false;
  return mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

std::uint64_t File::Size() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) throw DbError("No se puede leer " + path_ + ": " + SysText() + ".");
  return static_cast<std::uint64_t>(st.st_size);
}

size_t File::ReadAt(std::uint64_t offset, void* buffer, size_t n) const {
  if (const char* mapped = View(offset, n)) {
    std::memcpy(buffer, mapped, n);
    return n;
  }
  size_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < n) {
    ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw DbError("Error leyendo " + path_ + ": " + SysText() + ".");
    }
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

void File::ReadExact(std::uint64_t offset, void* buffer, size_t n) const {
  if (ReadAt(offset, buffer, n) != n)
    throw DbError("El fichero " + path_ + " está truncado o dañado.");
}

void File::WriteAt(std::uint64_t offset, const void* buffer, size_t n) {
  size_t done = 0;
  const auto* p = static_cast<const char*>(buffer);
  if (!IoPointPasses()) throw DbError("Error escribiendo en " + path_ + ": " + SysText() + ".");
  while (done < n) {
    ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw DbError("Error escribiendo en " + path_ + ": " + SysText() + ".");
    }
    done += static_cast<size_t>(r);
  }
}

void File::Truncate(std::uint64_t size) {
  Unmap();
  if (!IoPointPasses() || ::ftruncate(fd_, static_cast<off_t>(size)) != 0)
    throw DbError("Error escribiendo en " + path_ + ": " + SysText() + ".");
}

void File::Sync() {
  if (!IoPointPasses() || ::fdatasync(fd_) != 0) throw DbError("Error escribiendo en disco " + path_ + ": " + SysText() + ".");
}

bool File::TryLock(std::uint64_t start, std::uint64_t length, bool exclusive) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = exclusive ? F_WRLCK : F_RDLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(start);
  fl.l_len = static_cast<off_t>(length);
  if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0) return true;
  if (errno == EAGAIN || errno == EACCES) return false;
  if (errno == EINTR) return false;
  throw DbError("No se puede bloquear " + path_ + ": " + SysText() + ".");
}

bool File::Lock(std::uint64_t start, std::uint64_t length, bool exclusive, int timeoutMs) {
  for (int waited = 0;; waited += 5) {
    if (TryLock(start, length, exclusive)) return true;
    if (waited >= timeoutMs) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void File::Unlock(std::uint64_t start, std::uint64_t length) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(start);
  fl.l_len = static_cast<off_t>(length);
  ::fcntl(fd_, F_OFD_SETLK, &fl);
}

void RunTogether(const std::vector<std::function<void()>>& jobs) {
  if (jobs.empty()) return;
  if (jobs.size() == 1) {
    jobs.front()();
    return;
  }
  std::vector<std::exception_ptr> errors(jobs.size());
  std::vector<std::thread> others;
  for (size_t i = 1; i < jobs.size(); ++i) {
    auto run = [&jobs, &errors, i] {
      try {
        jobs[i]();
      } catch (...) {
        errors[i] = std::current_exception();
      }
    };
    try {
      others.emplace_back(run);
    } catch (const std::system_error&) {
      run();  // no thread to be had: one after the other then
    }
  }
  try {
    jobs.front()();
  } catch (...) {
    errors.front() = std::current_exception();
  }
  for (auto& t : others) t.join();
  for (auto& e : errors)
    if (e) std::rethrow_exception(e);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void RemoveFile(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) return;
  if (!IoPointPasses() || (::unlink(path.c_str()) != 0 && errno != ENOENT))
    throw DbError("No se puede borrar el fichero " + path + ": " + SysText() + ".");
}

void RenameFile(const std::string& from, const std::string& to) {
  if (!IoPointPasses() || ::rename(from.c_str(), to.c_str()) != 0)
    throw DbError("No se puede renombrar el fichero " + from + " a " + to + ": " + SysText() + ".");
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw DbError("No se puede abrir la carpeta " + folder + ": " + SysText() + ".");
  const bool ok = IoPointPasses() && ::fsync(fd) == 0;
  const int saved = errno;
  ::close(fd);
  errno = saved;
  if (!ok) throw DbError("Error escribiendo en disco la carpeta " + folder + ": " + SysText() + ".");
}

void MakeFolder(const std::string& path) {
  if (!IoPointPasses() || (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST))
    throw DbError("No se puede crear la carpeta " + path + ": " + SysText() + ".");
}

void RemoveFolder(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) return;
  if (!IoPointPasses() || (::rmdir(path.c_str()) != 0 && errno != ENOENT))
    throw DbError("No se puede borrar la carpeta " + path + ": " + SysText() + ".");
}

void SetIoFaultPlan(const IoFaultPlan& plan) {
  failAt.store(0);
  ioPoints.store(0);
  failError.store(plan.error);
  endProcess.store(plan.endProcess);
  failAt.store(plan.failAt);
}

long IoPointsSoFar() { return ioPoints.load(); }

}  // namespace data
