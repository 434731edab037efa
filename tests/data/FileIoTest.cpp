// The engine's file layer: reads through the read-only view of a large file
// agree with the file as it is written afterwards, and syncs run together
// report a failure of any of them.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "TableTestSupport.h"
#include "data/DbError.h"
#include "data/FileIo.h"

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
