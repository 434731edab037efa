#include "data/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

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
  fd_ = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd_ < 0) throw DbError("No se puede abrir el fichero " + path + ": " + SysText() + ".");
  struct stat st;
  if (::fstat(fd_, &st) == 0 && !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw DbError("No se puede abrir " + path + ": no es un fichero.");
  }
  path_ = path;
}

void File::Create(const std::string& path) {
  Close();
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
    throw DbError("Error escribiendo en " + path_ + ": " + SysText() + ".");
}

void File::Sync() {
  if (::fdatasync(fd_) != 0) throw DbError("Error escribiendo en disco " + path_ + ": " + SysText() + ".");
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
  if (::unlink(path.c_str()) != 0 && errno != ENOENT)
    throw DbError("No se puede borrar el fichero " + path + ": " + SysText() + ".");
}

}  // namespace data
