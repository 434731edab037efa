#pragma once
// Read-only mappings of whole files kept for the life of the process and
// shared by every open of the same file, so that a file opened again and
// again (a query opens its tables anew each time) finds its pages already
// mapped: no page fault and no system call for data read before.
//
// Safety rests on who may shrink a mapped file. Touching a mapped page that
// lies wholly beyond the end of the file raises SIGBUS, so a caller only
// touches bytes below the size the file had when it asked, and asks while
// holding the table's open lock. Cooperating programs (this engine and other
// dBase engines) shrink a table's files only with the table open
// exclusively, which that lock excludes, so the file cannot become shorter
// than that size while the caller reads. While no open holds the lock
// nobody reads through the mapping, so a file shrunk then needs nothing: the
// next open asks again with the new, smaller size and touches only that. A
// file that grew is covered as far as the mapping's slack reaches, and
// mapped anew beyond. A file replaced by another (restore, reorganize) has a
// new inode and gets a mapping of its own: mappings are kept by device and
// inode, which name one file for as long as the mapping lasts (a mapped
// file, even deleted, keeps its inode, so no new file can get that number
// meanwhile). Whenever a new mapping is made, those of files deleted or
// replaced since are let go, so that their space on disk can be freed; a
// few mappings at most are kept in any case. A program that shrank a file
// ignoring the locks could make reads fail, as with any mapping.
#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>

namespace data {

struct FileMapping {
  FileMapping(const char* data, std::uint64_t length) : data(data), length(length) {}
  FileMapping(const FileMapping&) = delete;
  FileMapping& operator=(const FileMapping&) = delete;
  ~FileMapping();
  const char* data;
  std::uint64_t length;  // mapped bytes, possibly beyond the file's end
};

// A mapping of the file at `path` whose status, as an open of it gave it,
// is `st`, covering at least st.st_size bytes: from the cache or made now;
// nullptr when that file cannot be mapped (or the name is no longer its).
// Closing descriptors of the file drops no lock this engine takes (they
// belong to their open), but it would drop classic per-process locks.
std::shared_ptr<const FileMapping> SharedMapping(const std::string& path, const struct stat& st);

// Lets go of the kept mappings no open file uses, so that files of a folder
// no longer in use are not held (a removable disk can then be unmounted, a
// deleted file's space is freed). Open files keep theirs.
void ReleaseUnusedMappings();

}  // namespace data
