#include "data/SharedMappings.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <list>
#include <mutex>

namespace data {
namespace {

// Files mapped at once: the tables of a data folder and their memo files,
// with room for a second folder.
constexpr std::size_t kMaxMappings = 8;

struct Entry {
  dev_t dev;
  ino_t ino;
  std::string path;
  std::shared_ptr<const FileMapping> mapping;
};

std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}

// Most recently used first.
std::list<Entry>& Cache() {
  static std::list<Entry> entries;
  return entries;
}

// Room for appends: a table that grows by a record now and then keeps its
// mapping (and its mapped pages) for a long while.
std::uint64_t LengthToMap(std::uint64_t size) {
  const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  const std::uint64_t wanted = size + std::max<std::uint64_t>(size / 8, 1 << 20);
  return (wanted + page - 1) / page * page;
}

}  // namespace

FileMapping::~FileMapping() { ::munmap(const_cast<char*>(data), length); }

std::shared_ptr<const FileMapping> SharedMapping(const std::string& path, const struct stat& st) {
  const auto size = static_cast<std::uint64_t>(st.st_size);
  std::shared_ptr<const FileMapping> dropped;  // unmapped outside the lock
  std::lock_guard<std::mutex> lock(CacheMutex());
  auto& cache = Cache();
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if (it->dev == st.st_dev && it->ino == st.st_ino) {
      if (size <= it->mapping->length) {
        cache.splice(cache.begin(), cache, it);
        return it->mapping;
      }
      dropped = std::move(it->mapping);
      cache.erase(it);
      break;
    }
  }
  // A mapping holds on to the open file it was made from, and with it that
  // open's byte-range locks, which belong to the open and not to the
  // descriptor: the table's open lock would outlive the table. So the
  // mapping is made from an open of its own that never locks anything.
  const int own = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (own < 0) return nullptr;
  struct stat ownSt;
  void* p = MAP_FAILED;
  const std::uint64_t length = LengthToMap(size);
  // (Not when the name was given to another file in between.)
  if (::fstat(own, &ownSt) == 0 && ownSt.st_dev == st.st_dev && ownSt.st_ino == st.st_ino)
    p = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, own, 0);
  ::close(own);
  if (p == MAP_FAILED) return nullptr;
  auto mapping = std::make_shared<const FileMapping>(static_cast<const char*>(p), length);
  // Files deleted or replaced since they were mapped (another file under
  // the name now) are let go, so that their space on disk can be freed.
  cache.remove_if([](const Entry& e) {
    struct stat now;
    return ::stat(e.path.c_str(), &now) != 0 || now.st_dev != e.dev || now.st_ino != e.ino;
  });
  cache.push_front(Entry{st.st_dev, st.st_ino, path, mapping});
  if (cache.size() > kMaxMappings) cache.pop_back();
  return mapping;
}

void ReleaseUnusedMappings() {
  std::list<Entry> dropped;  // unmapped outside the lock
  std::lock_guard<std::mutex> lock(CacheMutex());
  auto& cache = Cache();
  for (auto it = cache.begin(); it != cache.end();) {
    const auto next = std::next(it);
    if (it->mapping.use_count() == 1) dropped.splice(dropped.end(), cache, it);
    it = next;
  }
}

}  // namespace data
