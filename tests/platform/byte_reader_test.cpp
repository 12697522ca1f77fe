// The byte reader: whole files and ranges with their failures, and the checked reader over bytes.
#include "platform/byte_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <limits>
#include <vector>

#include "tests/platform/temp_folder.h"

namespace qm::platform {
namespace {

using testing::TempFolder;

TEST(ByteReaderFiles, AWholeFileComesBackByteForByte) {
  TempFolder folder;
  const std::string bytes("a\0b\r\nc\xff", 7);
  folder.Write("f.bin", bytes);
  FileBytes read = ReadWholeFile(folder / "f.bin", 100);
  ASSERT_TRUE(read.Ok());
  EXPECT_EQ(read.bytes, bytes);
}

TEST(ByteReaderFiles, WhatCannotBeReadIsAFailureWithItsReason) {
  TempFolder folder;
  folder.Write("five", "12345");
  ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
  struct Case {
    std::string path;
    std::size_t limit;
    ReadFailure failure;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {folder / "missing", 100, ReadFailure::Missing, "no such file"},
      {folder / "five/below", 100, ReadFailure::Missing, "no such file"},
      {folder.Path(), 100, ReadFailure::NotAFile, "not a regular file"},
      {folder / "fifo", 100, ReadFailure::NotAFile, "not a regular file"},
      {folder / "five", 4, ReadFailure::TooLarge, "larger than 1 MB"},
      // A regular file whose read fails (EIO at offset 0): an error, never an exception.
      {"/proc/self/mem", 1 << 20, ReadFailure::ReadError, "Input/output error"},
      {"", 100, ReadFailure::Missing, "no such file"},
  };
  for (const Case& c : cases) {
    FileBytes read = ReadWholeFile(c.path, c.limit);
    EXPECT_EQ(read.failure, c.failure) << c.path;
    EXPECT_EQ(DescribeReadFailure(read, c.limit), c.reason) << c.path;
    EXPECT_TRUE(read.bytes.empty()) << c.path;
  }
}

TEST(ByteReaderFiles, AFileOfExactlyTheLimitIsRead) {
  TempFolder folder;
  folder.Write("five", "12345");
  EXPECT_TRUE(ReadWholeFile(folder / "five", 5).Ok());
}

TEST(ByteReaderFiles, ARangeIsReadOnlyWhenWhollyInsideTheFile) {
  TempFolder folder;
  folder.Write("ten", "0123456789");
  struct Case {
    std::uint64_t offset;
    std::size_t length;
    bool ok;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {0, 10, true, "0123456789"}, {3, 4, true, "3456"},
      {10, 0, true, ""},           {8, 3, false, ""},
      {11, 0, false, ""},          {std::numeric_limits<std::uint64_t>::max(), 2, false, ""},
  };
  for (const Case& c : cases) {
    FileBytes read = ReadFileRange(folder / "ten", c.offset, c.length);
    EXPECT_EQ(read.Ok(), c.ok) << c.offset << "+" << c.length;
    EXPECT_EQ(read.failure, c.ok ? ReadFailure::None : ReadFailure::OutOfRange);
    EXPECT_EQ(read.bytes, c.bytes);
  }
}

TEST(ByteReaderBytes, NumbersAreLittleEndian) {
  ByteReader reader(std::string_view("\x01\x34\x12\x78\x56\x34\x12\xfe\xff\xff\xff", 11));
  EXPECT_EQ(reader.U8(), 0x01);
  EXPECT_EQ(reader.U16(), 0x1234);
  EXPECT_EQ(reader.U32(), 0x12345678u);
  EXPECT_EQ(reader.I32(), -2);
  EXPECT_EQ(reader.BytesLeft(), 0u);
  EXPECT_FALSE(reader.Failed());
}

TEST(ByteReaderBytes, AReadPastTheEndFailsForGoodAndMovesNowhere) {
  ByteReader reader("abc");
  EXPECT_EQ(reader.U16(), 'a' | ('b' << 8));
  EXPECT_EQ(reader.U32(), 0u);  // only one byte left
  EXPECT_TRUE(reader.Failed());
  EXPECT_EQ(reader.U8(), 0);  // sticky: the byte that is there is not read either
  EXPECT_TRUE(reader.Bytes(1).empty());
  EXPECT_FALSE(reader.Skip(0));
  EXPECT_EQ(reader.Position(), 2u);
  EXPECT_EQ(reader.BytesLeft(), 0u);
}

TEST(ByteReaderBytes, DeclaredCountsAreCheckedWithoutOverflow) {
  ByteReader reader("12345678");
  EXPECT_TRUE(reader.Holds(2, 4));
  EXPECT_FALSE(reader.Holds(3, 4));
  EXPECT_FALSE(reader.Holds(std::numeric_limits<std::uint64_t>::max(), 2));
  EXPECT_FALSE(reader.Holds(std::uint64_t{1} << 62, 4));
  EXPECT_TRUE(reader.Seek(8));
  EXPECT_FALSE(reader.Seek(9));
  EXPECT_TRUE(reader.Failed());
}

TEST(ByteReaderBytes, TextLinesEndInLfOrCrLf) {
  ByteReader reader("one\r\ntwo\nthree\rstill\n\nlast\r");
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.NextLine(line)) lines.emplace_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three\rstill", "", "last"}));
}

TEST(ByteReaderBytes, AByteOrderMarkIsDroppedOnlyAtTheStart) {
  EXPECT_EQ(WithoutByteOrderMark("\xEF\xBB\xBFrem"), "rem");
  EXPECT_EQ(WithoutByteOrderMark("rem\xEF\xBB\xBF"), "rem\xEF\xBB\xBF");
  EXPECT_EQ(WithoutByteOrderMark("\xEF\xBB"), "\xEF\xBB");
}

}  // namespace
}  // namespace qm::platform
