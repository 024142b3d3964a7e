// The history file: its place, its format, its bound, and sessions that
// write it at once.
#include "terminal/history.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zorm {
namespace {

namespace fs = std::filesystem;

using Entries = std::vector<std::string>;

// A fresh directory, removed with everything in it afterwards.
class HistoryDir : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zorm-history-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& rest) const { return (dir_ / rest).string(); }
  static std::string read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void write(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
  }
  static unsigned mode(const std::string& file) {
    struct stat st {};
    EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
    return st.st_mode & 07777;
  }
  static std::string numbered(int from, int to) {
    std::string text;
    for (int i = from; i <= to; ++i) text += "e" + std::to_string(i) + "\n";
    return text;
  }

  fs::path dir_;
};

TEST(HistoryPath, StateHomeThenHome) {
  using P = std::optional<HistoryPlace>;
  const struct {
    const char* state;
    const char* home;
    P want;
  } cases[] = {
      {"/st", "/h", HistoryPlace{"/st/zorm/history", 0}},
      {"/st/", "/h", HistoryPlace{"/st/zorm/history", 0}},
      {nullptr, "/h", HistoryPlace{"/h/.local/state/zorm/history", 2}},
      {"", "/h/", HistoryPlace{"/h/.local/state/zorm/history", 2}},  // empty: as unset
      {"st", "/h", HistoryPlace{"/h/.local/state/zorm/history", 2}},  // relative: invalid, as unset
      {"/", "/h", HistoryPlace{"/zorm/history", 0}},
      {nullptr, "/", HistoryPlace{"/.local/state/zorm/history", 0}},
      {"/dev/null", "/h", std::nullopt},  // no history file
      {"/dev/null/", "/h", std::nullopt},
      {nullptr, nullptr, std::nullopt},
      {nullptr, "", std::nullopt},
      {"", "h", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(history_path(c.state, c.home), c.want)
        << (c.state ? c.state : "(unset)") << " " << (c.home ? c.home : "(unset)");
}

TEST(HistoryFormat, EntriesAndLines) {
  const struct {
    std::string entry, line;
  } cases[] = {
      {"1 + 2", "1 + 2"},
      {"a\\b", "a\\\\b"},
      {"1 + 1\n2 + 2", "1 + 1\\n2 + 2"},
      {"\\n", "\\\\n"},
      {"x\r\xff", "x\r\xff"},  // every other byte as it is
  };
  for (const auto& c : cases) {
    EXPECT_EQ(history_line(c.entry), c.line) << c.entry;
    EXPECT_EQ(history_entry(c.line), c.entry) << c.line;
  }
  EXPECT_EQ(history_entry("a\\x\\"), "a\\x\\") << "a stray backslash stays";
  EXPECT_EQ(history_entries("a\n\nb\\n\nc"), (Entries{"a", "b\n", "c"}));
  EXPECT_EQ(history_text({"a", "b\n"}), "a\nb\\n\n");
}

TEST(HistoryFormat, WhatIsKept) {
  for (std::string_view line : {"", " ", " \t "}) EXPECT_FALSE(worth_keeping(line)) << line;
  EXPECT_FALSE(worth_keeping(std::string_view("1\0" "2", 3)));
  for (std::string_view line : {"1", " x ", "\r"}) EXPECT_TRUE(worth_keeping(line)) << line;
  EXPECT_EQ(history_notice("/h/zorm/history", ENOTDIR),
            "{History not saved: /h/zorm/history: Not a directory}");
}

TEST_F(HistoryDir, CreatesPrivateDirectoriesAndFileAndAppends) {
  const std::string file = path("a/b/zorm/history");
  HistoryFile history(file);
  Entries entries{"stale"};
  ASSERT_EQ(history.load(entries), 0);
  EXPECT_TRUE(entries.empty());
  EXPECT_EQ(mode(path("a")), 0700u);
  EXPECT_EQ(mode(path("a/b/zorm")), 0700u);
  EXPECT_EQ(mode(file), 0600u);
  for (std::string_view e : {"1 + 1", "1 + 1", "x\ny", "1 + 1"}) EXPECT_EQ(history.append(e), 0);
  EXPECT_EQ(read(file), "1 + 1\nx\\ny\n1 + 1\n") << "a repeat of the last entry is not added";
}

TEST_F(HistoryDir, KeepsTheLastEntries) {
  const std::string file = path("history");
  write(file, numbered(1, 1005));
  ::chmod(file.c_str(), 0640);
  HistoryFile history(file);
  Entries entries;
  ASSERT_EQ(history.load(entries), 0);
  ASSERT_EQ(entries.size(), kHistoryKept);
  EXPECT_EQ(entries.front(), "e6");
  EXPECT_EQ(entries.back(), "e1005");
  EXPECT_EQ(history.append("new"), 0);
  EXPECT_EQ(read(file), numbered(7, 1005) + "new\n");
  EXPECT_EQ(mode(file), 0640u) << "the file keeps its mode";
  EXPECT_EQ(history.append("newer"), 0);
  EXPECT_EQ(read(file), numbered(8, 1005) + "new\nnewer\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
      << "no file left behind";
}

TEST_F(HistoryDir, AppendsAfterALastLineWithoutLineFeed) {
  const std::string file = path("history");
  write(file, "a\nb");
  HistoryFile history(file);
  Entries entries;
  ASSERT_EQ(history.load(entries), 0);
  EXPECT_EQ(entries, (Entries{"a", "b"}));
  EXPECT_EQ(history.append("c"), 0);
  EXPECT_EQ(read(file), "a\nb\nc\n");
}

TEST_F(HistoryDir, SymbolicLinkStaysALink) {
  const std::string target = path("kept"), file = path("history");
  write(target, numbered(1, 1000));
  fs::create_symlink(target, file);
  HistoryFile history(file);
  Entries entries;
  ASSERT_EQ(history.load(entries), 0);
  EXPECT_EQ(history.append("new"), 0);  // a rewrite: the file was full
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_EQ(read(target), numbered(2, 1000) + "new\n");
}

TEST_F(HistoryDir, NotARegularFileIsLeftAlone) {
  const std::string file = path("history");
  fs::create_symlink("/dev/null", file);
  HistoryFile history(file);
  Entries entries;
  EXPECT_EQ(history.load(entries), 0);
  EXPECT_EQ(history.append("1"), 0);
  EXPECT_TRUE(fs::is_symlink(file));
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
  HistoryFile fifo(path("fifo"));
  EXPECT_EQ(fifo.load(entries), 0) << "a FIFO is neither read (which would block) nor written";
  EXPECT_EQ(fifo.append("1"), 0);
}

TEST_F(HistoryDir, UnusableFileGivesItsError) {
  write(path("plain"), "");
  fs::create_directories(path("dir/history"));
  const struct {
    std::string file;
    int error;
    std::size_t kept;
  } cases[] = {
      {path("plain/zorm/history"), ENOTDIR, 0},
      {path("dir/history"), EISDIR, 0},
      {path("gone/.local/state/zorm/history"), ENOENT, path("gone").size()},  // a missing home
  };
  for (const auto& c : cases) {
    HistoryFile history(HistoryPlace{c.file, c.kept});
    Entries entries;
    EXPECT_EQ(history.load(entries), c.error) << c.file;
    EXPECT_EQ(history.append("1"), 0) << "after a failed load nothing is written";
  }
  EXPECT_FALSE(fs::exists(path("gone"))) << "a missing home directory is not made";
}

// Two processes append at once, more than the bound between them: the file
// ends with whole entries only, exactly the bound of them, and what each
// process kept is the end of what it wrote, in order: nobody's lines are lost
// but the oldest.
TEST_F(HistoryDir, SessionsAtOnceLoseNothingButTheOldest) {
  const std::string file = path("history");
  constexpr int kEach = 700;
  std::vector<pid_t> children;
  for (char who : {'a', 'b'}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      HistoryFile history(file);
      Entries entries;
      int failed = history.load(entries);
      for (int i = 0; i < kEach && failed == 0; ++i) failed = history.append(who + std::to_string(i));
      ::_exit(failed);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  const Entries entries = history_entries(read(file));
  ASSERT_EQ(entries.size(), kHistoryKept);
  int next[2] = {-1, -1};
  for (const std::string& e : entries) {
    ASSERT_TRUE(e.size() > 1 && (e[0] == 'a' || e[0] == 'b')) << e;
    const int who = e[0] - 'a', n = std::stoi(e.substr(1));
    if (next[who] >= 0) {
      EXPECT_EQ(n, next[who]) << e;
    }
    next[who] = n + 1;
  }
  EXPECT_EQ(next[0], kEach);
  EXPECT_EQ(next[1], kEach);
}

}  // namespace
}  // namespace zorm
