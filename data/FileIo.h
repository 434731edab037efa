#pragma once
// Thin POSIX file access for the engine: whole reads and writes at offsets,
// data syncs, and the byte-range locks other dBase engines honour. Failures
// raise DbError naming the file.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace data {

struct FileMapping;

class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& o) noexcept;
  File& operator=(File&& o) noexcept;
  ~File();

  // Opens an existing file; `writable` asks for read-write access.
  void Open(const std::string& path, bool writable);
  // Creates or truncates.
  void Create(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }
  int Fd() const { return fd_; }

  // True while `path` still names this open file (not replaced, renamed
  // over or deleted by someone else since it was opened).
  bool StillAt(const std::string& path) const;

  std::uint64_t Size() const;
  // Reads up to n bytes; returns how many were there.
  size_t ReadAt(std::uint64_t offset, void* buffer, size_t n) const;
  // Reads exactly n bytes or throws.
  void ReadExact(std::uint64_t offset, void* buffer, size_t n) const;
  void WriteAt(std::uint64_t offset, const void* buffer, size_t n);
  void Truncate(std::uint64_t size);
  void Sync();

  // Large files on local disks are also mapped read-only, so that reads in
  // random order (records in index order, memos) cost no system call. The
  // mapping is the process's shared one for this file (SharedMappings.h),
  // so opening the file again finds its pages mapped already. The view
  // covers the size the file had when mapped; reads beyond it (records
  // appended since) go through the file. Network file systems are read
  // through the file only: their caches follow other computers' writes for
  // reads, not always for mappings. Only this engine shrinks a table's
  // files, and only opened exclusively, through Truncate (which drops the
  // view first); so map a table's files only while holding its open lock.
  // A program that shrank them in use, ignoring the locks, would make reads
  // through the view fail.
  void MapForReading();
  // The n bytes at `offset` inside the mapped part, or nullptr (then read
  // them with ReadAt). Good until the file is truncated, remapped or closed.
  const char* View(std::uint64_t offset, size_t n) const {
    return view_ && offset <= viewSize_ && n <= viewSize_ - offset ? view_ + offset : nullptr;
  }

  // Open-file-description locks (F_OFD_SETLK): they belong to this open, not
  // to the process, so two tables of one process exclude each other too.
  bool TryLock(std::uint64_t start, std::uint64_t length, bool exclusive);
  // Retries for up to `timeoutMs` before giving up.
  bool Lock(std::uint64_t start, std::uint64_t length, bool exclusive, int timeoutMs);
  void Unlock(std::uint64_t start, std::uint64_t length);

 private:
  void Unmap();

  int fd_ = -1;
  std::string path_;
  std::shared_ptr<const FileMapping> mapping_;
  const char* view_ = nullptr;
  std::uint64_t viewSize_ = 0;
};

// Runs the jobs (syncs of different files) at the same time and waits for
// all; the first failure is raised. A sync waits mostly for the disk to
// flush its cache, and flushes asked for together are served together, so
// syncing two files this way costs about as much as syncing one. No order
// between the jobs is implied.
void RunTogether(const std::vector<std::function<void()>>& jobs);

bool FileExists(const std::string& path);
void RemoveFile(const std::string& path);  // ignores a missing file
// Renames over an existing file of that name, atomically.
void RenameFile(const std::string& from, const std::string& to);
// Makes the folder's entries (files created, renamed or removed) durable.
void SyncFolder(const std::string& folder);
void MakeFolder(const std::string& path);    // an existing one is fine
void RemoveFolder(const std::string& path);  // empty; ignores a missing one

// The seam through which tests fail the engine's I/O. Every write (also a
// create, which truncates, and a truncate), sync, rename and unlink of the
// engine is one numbered point of the process. A plan makes point `failAt`
// (1-based, counted from when the plan is set) fail with `error`, as a full
// disk or a failing device would, or end the process there at once as a
// crash would (nothing more reaches the files). failAt 0 only counts.
struct IoFaultPlan {
  long failAt = 0;
  int error = 5;  // EIO
  bool endProcess = false;
};
void SetIoFaultPlan(const IoFaultPlan& plan);
// Points passed since the plan was set.
long IoPointsSoFar();

}  // namespace data
