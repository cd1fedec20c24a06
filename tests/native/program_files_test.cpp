// Where the program's files are: names joined to folders (a drive's root
// included), and the answer file, which moves to the student's own folder when
// the root of C cannot be written.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "answer/answer_file.h"
#include "runtime/files/paths.h"

namespace {

std::string Join(std::string_view folder, std::string_view name) {
  return std::string(rt::JoinPath(folder, name).view());
}

TEST(JoinPath, OneSeparatorBetweenFolderAndNameAtARootToo) {
  EXPECT_EQ(Join("D:\\tessaly", "math.ini"), "D:\\tessaly\\math.ini");
  EXPECT_EQ(Join("D:\\tessaly\\", "math.ini"), "D:\\tessaly\\math.ini");
  EXPECT_EQ(Join("C:/x/", "ans.gif"), "C:/x/ans.gif");
  // A program at the root of a USB stick: "E:" + name would be relative to
  // the drive's current folder.
  EXPECT_EQ(Join("E:", "bank-update"), "E:\\bank-update");
  EXPECT_EQ(Join("E:", ""), "E:\\");
  EXPECT_EQ(Join("E:\\", ""), "E:\\");
  EXPECT_EQ(Join("\\\\server\\share", "a.txt"), "\\\\server\\share\\a.txt");
  EXPECT_EQ(Join("", "关键词.txt"), "关键词.txt");
}

TEST(JoinPath, ADoubleByteCharacterEndingInTheBackslashCodeIsNoSeparator) {
  // "\x95\x5C" is one GBK character whose trail byte is the code of "\".
  EXPECT_EQ(Join("D:\\\x95\x5C", "a.txt"), "D:\\\x95\x5C\\a.txt");
  EXPECT_EQ(Join("D:\\\x95\x5C\\", "a.txt"), "D:\\\x95\x5C\\a.txt");
  EXPECT_EQ(Join("D:\\\x95\x5C\x5C", "a.txt"),
            "D:\\\x95\x5C\x5C"
            "a.txt");
}

// A disk where some names cannot be written; records every write.
struct Disk {
  std::vector<std::string> refused;
  std::vector<std::string> written;
  AnswerFile::Writer Writer() {
    return [this](std::string_view name) {
      for (const std::string& r : refused) {
        if (r == name) return false;
      }
      written.emplace_back(name);
      return true;
    };
  }
};

const AnswerFile::PerUserFile kOwnFile = [] {
  return std::string("C:\\Users\\Zhang San\\AppData\\Local\\Tessaly\\ans.gif");
};

TEST(AnswerFile, TheRootOfCWhereverItCanBeWritten) {
  AnswerFile file;
  Disk disk;
  EXPECT_TRUE(file.WriteBlank(disk.Writer(), kOwnFile));
  EXPECT_EQ(disk.written, (std::vector<std::string>{"c:/ans.gif"}));
  EXPECT_EQ(file.Name(), "c:\\ans.gif");
  EXPECT_EQ(file.CommandLineArgument(), " c:\\ans.gif") << "unquoted, as the editor has always been given it";
}

TEST(AnswerFile, TheStudentsOwnFileForTheRestOfTheRunOnceTheRootRefuses) {
  AnswerFile file;
  Disk disk{{"c:/ans.gif"}, {}};
  EXPECT_TRUE(file.WriteBlank(disk.Writer(), kOwnFile));
  const std::string own = kOwnFile();
  EXPECT_EQ(disk.written, (std::vector<std::string>{own}));
  EXPECT_EQ(file.Name(), own);
  EXPECT_EQ(file.CommandLineArgument(), " \"" + own + "\"") << "a name with a blank is one quoted argument";

  // The root is not tried again, even if it could now be written: the editor
  // and the answer board must keep using one file.
  disk.refused.clear();
  EXPECT_TRUE(file.WriteBlank(disk.Writer(), kOwnFile));
  EXPECT_EQ(disk.written, (std::vector<std::string>{own, own}));
  EXPECT_EQ(file.Name(), own);
}

TEST(AnswerFile, WithoutAnOwnFileTheRootStaysTheAnswerFile) {
  AnswerFile file;
  Disk disk{{"c:/ans.gif"}, {}};
  EXPECT_FALSE(file.WriteBlank(disk.Writer(), [] { return std::string(); }));
  EXPECT_EQ(file.Name(), "c:\\ans.gif");
  disk.refused.clear();
  EXPECT_TRUE(file.WriteBlank(disk.Writer(), [] { return std::string(); }));
  EXPECT_EQ(disk.written, (std::vector<std::string>{"c:/ans.gif"}));
}

}  // namespace
