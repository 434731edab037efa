// The engine's file layer: reads through the read-only view of a large file
// agree with the file as it is written afterwards, also when the view is
// one kept from an earlier open of a file since shrunk, grown or replaced;
// and syncs run together report a failure of any of them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include "TableTestSupport.h"
#include "data/DbError.h"
#include "data/FileIo.h"
#include "data/SharedMappings.h"

using namespace data;

namespace {

TEST(FileIoTest, ReadsAgreeWithWritesInsideAndBeyondTheMappedPart) {
  const std::string path = testdata::FreshFolder("fileio") + "big.bin";
  File f;
  f.Create(path);
  std::string bytes(600 * 1024, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  f.WriteAt(0, bytes.data(), bytes.size());
  f.MapForReading();
  // Written after the view was made: inside it, and appended past its end.
  f.WriteAt(1000, "dentro", 6);
  f.WriteAt(bytes.size(), "después", 8);
  bytes.replace(1000, 6, "dentro");
  bytes += std::string("después", 8);
  struct Case {
    std::uint64_t at;
    size_t n;
  };
  for (const Case c : {Case{0, 32}, Case{998, 10}, Case{bytes.size() - 12, 12}, Case{bytes.size() - 20, 20},
                       Case{bytes.size() - 8, 8}, Case{bytes.size() - 4, 16}}) {
    std::string got(c.n, '?');
    const size_t n = f.ReadAt(c.at, got.data(), c.n);
    got.resize(n);
    EXPECT_EQ(got, bytes.substr(c.at, c.n)) << "at " << c.at;
  }
  // Shrinking drops the view; reads past the new end find nothing.
  f.Truncate(100);
  char buf[8];
  EXPECT_EQ(f.ReadAt(96, buf, 8), 4u);
  EXPECT_EQ(f.ReadAt(4096, buf, 8), 0u);
}

std::string Pattern(size_t n, int seed) {
  std::string bytes(n, '\0');
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i * 7 + seed) % 251);
  return bytes;
}

void WriteWhole(const std::string& path, const std::string& bytes) {
  File f;
  f.Create(path);
  f.WriteAt(0, bytes.data(), bytes.size());
}

// Opens and maps the file, then reads it whole: through the view where it
// covers the bytes, as a caller would.
std::string ReadMapped(const std::string& path, std::uint64_t size) {
  File f;
  f.Open(path, false);
  f.MapForReading();
  EXPECT_NE(f.View(0, size), nullptr) << "mapped whole";
  EXPECT_EQ(f.View(size, 1), nullptr) << "nothing beyond the end";
  std::string got(size, '?');
  EXPECT_EQ(f.ReadAt(0, got.data(), size), size);
  char past;
  EXPECT_EQ(f.ReadAt(size, &past, 1), 0u);
  return got;
}

// Whether the process maps a file shown in its map list as `wanted`.
bool Mapped(const std::string& wanted) {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);)
    if (line.size() >= wanted.size() && line.compare(line.size() - wanted.size(), wanted.size(), wanted) == 0)
      return true;
  return false;
}

// Whether the process still maps a deleted file of that path.
bool MappedDeleted(const std::string& path) { return Mapped(path + " (deleted)"); }

TEST(FileIoTest, OpensOfOneFileShareOneMappingThatHoldsNoLock) {
  const std::string path = testdata::FreshFolder("fileio-shared") + "big.bin";
  WriteWhole(path, Pattern(400 * 1024, 1));
  File a, b;
  a.Open(path, true);
  ASSERT_TRUE(a.TryLock(0, 0, true));
  a.MapForReading();
  b.Open(path, false);
  b.MapForReading();
  ASSERT_NE(a.View(0, 16), nullptr);
  EXPECT_EQ(a.View(0, 16), b.View(0, 16)) << "one mapping for both opens";
  // The mapping lives on after the open that locked the file is closed; the
  // lock must not.
  a.Close();
  b.Close();
  File c;
  c.Open(path, true);
  EXPECT_TRUE(c.TryLock(0, 0, true));
}

TEST(FileIoTest, MappingsFollowTheFileShrunkGrownOrReplacedBetweenOpens) {
  const std::string folder = testdata::FreshFolder("fileio-changes");
  const std::string path = folder + "big.bin";
  std::string bytes = Pattern(600 * 1024, 2);
  WriteWhole(path, bytes);
  EXPECT_EQ(ReadMapped(path, bytes.size()), bytes);

  // Shrunk (still large enough to be mapped): the kept mapping is longer
  // than the file, and nothing past the new end may be touched.
  {
    File f;
    f.Open(path, true);
    f.Truncate(300 * 1024);
  }
  bytes.resize(300 * 1024);
  EXPECT_EQ(ReadMapped(path, bytes.size()), bytes);

  // Grown a little (within the kept mapping) and then far past it.
  for (const size_t size : {size_t{350 * 1024}, size_t{3 * 1024 * 1024}}) {
    const std::string more = Pattern(size - bytes.size(), static_cast<int>(size % 97));
    {
      File f;
      f.Open(path, true);
      f.WriteAt(bytes.size(), more.data(), more.size());
    }
    bytes += more;
    EXPECT_EQ(ReadMapped(path, bytes.size()), bytes) << size;
  }

  // Replaced by another file under the same name, as a restore does; the
  // replaced file is not kept mapped (its space could not be freed).
  const std::string other = Pattern(500 * 1024, 3);
  WriteWhole(folder + "new.bin", other);
  ASSERT_EQ(std::rename((folder + "new.bin").c_str(), path.c_str()), 0);
  EXPECT_EQ(ReadMapped(path, other.size()), other);
  EXPECT_FALSE(MappedDeleted(path));

  // Deleted outright: let go once any other file is mapped.
  ASSERT_EQ(std::remove(path.c_str()), 0);
  EXPECT_TRUE(MappedDeleted(path)) << "still mapped until then";
  WriteWhole(folder + "another.bin", Pattern(300 * 1024, 4));
  ReadMapped(folder + "another.bin", 300 * 1024);
  EXPECT_FALSE(MappedDeleted(path));
}

TEST(FileIoTest, ReleasingUnusedMappingsLetsGoOfClosedFilesOnly) {
  const std::string folder = testdata::FreshFolder("fileio-release");
  const std::string open = folder + "open.bin", closed = folder + "closed.bin";
  const std::string bytes = Pattern(300 * 1024, 5);
  WriteWhole(open, bytes);
  WriteWhole(closed, bytes);
  File a;
  a.Open(open, false);
  a.MapForReading();
  EXPECT_EQ(ReadMapped(closed, bytes.size()), bytes);
  ASSERT_TRUE(Mapped(closed)) << "kept after its file was closed";

  ReleaseUnusedMappings();
  EXPECT_FALSE(Mapped(closed));
  ASSERT_TRUE(Mapped(open));
  const char* view = a.View(bytes.size() - 16, 16);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(view, 16), bytes.substr(bytes.size() - 16));

  a.Close();
  ReleaseUnusedMappings();
  EXPECT_FALSE(Mapped(open));
  EXPECT_EQ(ReadMapped(open, bytes.size()), bytes) << "mapped anew when opened again";
}

TEST(FileIoTest, JobsRunTogetherAllRunAndTheFirstFailureIsRaised) {
  std::atomic<int> ran{0};
  EXPECT_NO_THROW(RunTogether({[&] { ++ran; }, [&] { ++ran; }, [&] { ++ran; }}));
  EXPECT_EQ(ran, 3);
  ran = 0;
  EXPECT_THROW(RunTogether({[&] { ++ran; }, [&] {
                              ++ran;
                              throw DbError("Error escribiendo en disco");
                            }}),
               DbError);
  EXPECT_EQ(ran, 2) << "the other job still ran to its end";
  EXPECT_NO_THROW(RunTogether({}));
}

}  // namespace
