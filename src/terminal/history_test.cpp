// The history file: its place, its format, its bound, sessions that write it
// at once, locks held elsewhere, files too large, and whose files it uses.
#include "terminal/history.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
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
      {"/st", "/h", HistoryPlace{"/st/zorm/history", 0, "/h"}},
      {"/st/", "/h", HistoryPlace{"/st/zorm/history", 0, "/h"}},
      {nullptr, "/h", HistoryPlace{"/h/.local/state/zorm/history", 2, "/h"}},
      {"", "/h/", HistoryPlace{"/h/.local/state/zorm/history", 2, "/h/"}},  // empty: as unset
      {"st", "/h", HistoryPlace{"/h/.local/state/zorm/history", 2, "/h"}},  // relative: invalid, as unset
      {"/", "/h", HistoryPlace{"/zorm/history", 0, "/h"}},
      {nullptr, "/", HistoryPlace{"/.local/state/zorm/history", 0, "/"}},
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

// Loading reads the last entries only; appending is the common path, and the
// file is cut back to the last entries once it has grown well past them, by
// a new file that keeps the old one's mode and leaves nothing beside it.
TEST_F(HistoryDir, AppendsAndCutsBackOnlyWellPastTheBound) {
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
  EXPECT_TRUE(read(file) == numbered(1, 1005) + "new\n") << "appended, not rewritten";

  write(file, numbered(1, 20000));
  HistoryFile full(file);
  ASSERT_EQ(full.load(entries), 0);
  EXPECT_EQ(entries.back(), "e20000");
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  EXPECT_EQ(full.append("new"), 0);
  EXPECT_TRUE(read(file) == numbered(19002, 20000) + "new\n") << "cut back to the last entries";
  EXPECT_EQ(mode(file), 0640u) << "the file keeps its mode";
  struct stat after {};
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_NE(before.st_ino, after.st_ino) << "a new file renamed into place";
  EXPECT_EQ(full.append("newer"), 0);
  EXPECT_TRUE(read(file) == numbered(19002, 20000) + "new\nnewer\n");
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

// A file with other names (a symbolic link to it, hard links) is cut back in
// place, so that every name still shows it.
TEST_F(HistoryDir, LinksStayLinks) {
  const std::string target = path("kept"), file = path("history"), other = path("other");
  write(target, numbered(1, 20000));
  fs::create_symlink(target, file);
  HistoryFile history(file);
  Entries entries;
  ASSERT_EQ(history.load(entries), 0);
  EXPECT_EQ(history.append("new"), 0);
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_TRUE(read(target) == numbered(19002, 20000) + "new\n");

  fs::remove(file);
  fs::create_hard_link(target, file);
  fs::create_hard_link(target, other);
  write(target, numbered(1, 20000));
  HistoryFile linked(file);
  ASSERT_EQ(linked.load(entries), 0);
  EXPECT_EQ(linked.append("newer"), 0);
  EXPECT_EQ(fs::hard_link_count(file), 3u) << "the links are not split";
  EXPECT_TRUE(read(other) == numbered(19002, 20000) + "newer\n");
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
    HistoryFile history(HistoryPlace{c.file, c.kept, ""});
    Entries entries;
    EXPECT_EQ(history.load(entries), c.error) << c.file;
    EXPECT_EQ(history.append("1"), 0) << "after a failed load nothing is written";
  }
  EXPECT_FALSE(fs::exists(path("gone"))) << "a missing home directory is not made";
}

// Two processes append at once, more than the bound between them: the file
// ends with whole entries only, at least the bound of them, and what each
// process kept is the end of what it wrote, in order: nobody's lines are lost
// but the oldest.
TEST_F(HistoryDir, SessionsAtOnceLoseNothingButTheOldest) {
  const std::string file = path("history");
  constexpr int kEach = 1500;
  std::vector<pid_t> children;
  for (char who : {'a', 'b'}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      HistoryFile history(file);
      Entries entries;
      int failed = history.load(entries);
      // A lock that stays taken a while (the other process may win it again
      // and again) only delays an entry: it goes out with the next one, and
      // the last is offered again until it is out.
      std::string entry;
      for (int i = 0; i < kEach && (failed == 0 || failed == kHistoryLocked); ++i) {
        entry = who + std::to_string(i) + std::string(300, '.');
        failed = history.append(entry);
      }
      while (failed == kHistoryLocked) failed = history.append(entry);
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
  ASSERT_GE(entries.size(), kHistoryKept);
  ASSERT_LT(entries.size(), 2 * kEach) << "cut back meanwhile";
  int next[2] = {-1, -1};
  for (const std::string& e : entries) {
    ASSERT_TRUE(e.size() > 1 && (e[0] == 'a' || e[0] == 'b')) << e;
    const int who = e[0] - 'a', n = std::stoi(e.substr(1, e.find('.') - 1));
    if (next[who] >= 0) {
      EXPECT_EQ(n, next[who]) << e;
    }
    next[who] = n + 1;
  }
  EXPECT_EQ(next[0], kEach);
  EXPECT_EQ(next[1], kEach);
}

// A lock held by someone else makes load and append give up after a short
// wait; the entries not written then go out with the next append.
TEST_F(HistoryDir, LockHeldElsewhereIsWaitedForBriefly) {
  const std::string file = path("history");
  write(file, "old\n");
  const int holder = ::open(file.c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  HistoryFile history(file);
  Entries entries;
  EXPECT_EQ(history.load(entries), kHistoryLocked);
  EXPECT_TRUE(entries.empty());
  EXPECT_EQ(history.append("a"), kHistoryLocked);
  EXPECT_EQ(history_notice(file, kHistoryLocked), "{History not saved: " + file + ": Locked by another process}");
  ASSERT_EQ(::flock(holder, LOCK_SH), 0);  // a reader: still in the way
  EXPECT_EQ(history.append("b"), kHistoryLocked);
  ::close(holder);
  EXPECT_EQ(history.append("c"), 0);
  EXPECT_EQ(read(file), "old\na\nb\nc\n");
}

// A file too large for the history is treated as one that cannot be read;
// a line too long for an entry is passed over (and noticed), and an entry too
// long is not written.
TEST_F(HistoryDir, TooLargeFilesAndTooLongLines) {
  const std::string file = path("history");
  for (off_t size : {off_t{3} << 30, kHistoryFileMax + 1}) {
    {
      std::ofstream(file, std::ios::binary | std::ios::trunc) << "x";
    }
    ASSERT_EQ(::truncate(file.c_str(), size), 0);  // sparse: a single line of NULs after "x"
    HistoryFile history(file);
    Entries entries{"stale"};
    EXPECT_EQ(history.load(entries), EFBIG) << size;
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(history.append("1"), 0);
    EXPECT_EQ(fs::file_size(file), static_cast<std::uintmax_t>(size)) << "left as it was";
  }
  write(file, "a\n" + std::string(1 << 20, 'y') + "\nb\n" + std::string(kHistoryEntryMax, 'z') + "\n");
  HistoryFile history(file);
  Entries entries;
  EXPECT_EQ(history.load(entries), kHistoryLongEntry);
  EXPECT_EQ(entries, (Entries{"a", "b", std::string(kHistoryEntryMax, 'z')}));
  EXPECT_EQ(history.append(std::string(kHistoryEntryMax + 1, 'w')), kHistoryLongEntry);
  EXPECT_EQ(history.append("c"), 0);
  EXPECT_EQ(fs::file_size(file), (1u << 20) + kHistoryEntryMax + 8) << "only c appended";
}

// What a rewrite cut short leaves beside the file (its name, a dot and six
// characters) goes at the next start; other files stay.
TEST_F(HistoryDir, LeftoversOfRewritesAreRemoved) {
  const std::string file = path("history");
  write(file, "a\n");
  for (const char* name : {"history.Ab12Cd", "history.keep", "history.Ab12Cde", "other.Ab12Cd"}) write(path(name), "x");
  HistoryFile history(file);
  Entries entries;
  ASSERT_EQ(history.load(entries), 0);
  EXPECT_FALSE(fs::exists(path("history.Ab12Cd")));
  for (const char* name : {"history.keep", "history.Ab12Cde", "other.Ab12Cd"}) EXPECT_TRUE(fs::exists(path(name))) << name;
}

constexpr uid_t kNobody = 65534;

// Runs fn in a child process as the user nobody; its result is the child's
// exit status.
template <class Fn>
int as_nobody(Fn fn) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(99);
    ::_exit(fn());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

// Whose files the history uses: the state directory and the file must be the
// user's (or root's, or the home's owner's) and writable by nobody else, and
// a symbolic link is followed only to a file of the link's owner. The cases
// need another user, so root runs them.
TEST_F(HistoryDir, OnlyTheUsersFilesAreUsed) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make files of another user";
  const struct {
    const char* name;
    uid_t dir_owner;
    unsigned dir_mode;
    uid_t file_owner;
    unsigned file_mode;
    bool link;  // the file is a link of root's to a file of file_owner's
    int want;
  } cases[] = {
      {"ours", 0, 0700, 0, 0600, false, 0},
      {"directory of another user", kNobody, 0700, 0, 0600, false, kHistoryForeignDir},
      {"directory writable by others", 0, 0777, 0, 0600, false, kHistoryOpenDir},
      {"file of another user", 0, 0700, kNobody, 0600, false, kHistoryForeignFile},
      {"file writable by others", 0, 0700, 0, 0666, false, kHistoryOpenFile},
      {"link to another user's file", 0, 0700, kNobody, 0600, true, kHistoryForeignLink},
  };
  for (const auto& c : cases) {
    const std::string dir = path(c.name), file = dir + "/history", victim = path(std::string(c.name) + ".victim");
    fs::create_directory(dir);
    const std::string real = c.link ? victim : file;
    write(real, numbered(1, 1200));
    ASSERT_EQ(::chown(real.c_str(), c.file_owner, c.file_owner), 0);
    ASSERT_EQ(::chmod(real.c_str(), c.file_mode), 0);
    if (c.link) fs::create_symlink(victim, file);
    ASSERT_EQ(::chown(dir.c_str(), c.dir_owner, c.dir_owner), 0);
    ASSERT_EQ(::chmod(dir.c_str(), c.dir_mode), 0);
    HistoryFile history(HistoryPlace{file, 0, dir_.string()});
    Entries entries;
    EXPECT_EQ(history.load(entries), c.want) << c.name;
    EXPECT_EQ(entries.size(), c.want == 0 ? kHistoryKept : 0u) << c.name;
    EXPECT_EQ(history.append("new"), 0) << c.name;
    EXPECT_EQ(read(real).size(), numbered(1, 1200).size() + (c.want == 0 ? 4 : 0)) << c.name << ": untouched";
  }
  EXPECT_EQ(history_notice("/h", kHistoryForeignLink), "{History not saved: /h: Link to another user's file}");
}

// Root with a user's HOME (sudo -E) uses that user's history, and a rewrite
// gives the new file the user's owner and mode, so the user can go on.
TEST_F(HistoryDir, RewriteKeepsTheOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make files of another user";
  const std::string home = path("home"), dir = home + "/zorm", file = dir + "/history";
  fs::create_directories(dir);
  write(file, numbered(1, 20000));
  for (const std::string& p : {home, dir, file}) ASSERT_EQ(::chown(p.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chmod(dir.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
  ASSERT_EQ(::chmod(dir_.c_str(), 0711), 0);  // so that the user may reach the home
  HistoryFile history(HistoryPlace{file, 0, home});
  Entries entries;
  ASSERT_EQ(history.load(entries), 0);
  EXPECT_EQ(history.append("new"), 0);
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNobody);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_TRUE(read(file) == numbered(19002, 20000) + "new\n");
  EXPECT_EQ(as_nobody([&] {
              HistoryFile own(HistoryPlace{file, 0, home});
              Entries e;
              return own.load(e) == 0 && e.size() == kHistoryKept && own.append("mine") == 0 ? 0 : 1;
            }),
            0)
      << "the user reads and writes it afterwards";
}

// In a directory where no new file can be made, a full history still takes
// every line: it is cut back in place, under the lock.
TEST_F(HistoryDir, FullHistoryInAReadOnlyDirectoryKeepsTakingLines) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run as a user whom permissions bind";
  const std::string dir = path("ro"), file = dir + "/history";
  fs::create_directory(dir);
  write(file, numbered(1, 20000));
  ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chown(dir.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chmod(dir.c_str(), 0500), 0);
  ASSERT_EQ(::chown(dir_.c_str(), kNobody, kNobody), 0);  // so that nobody may reach it
  EXPECT_EQ(as_nobody([&] {
              HistoryFile history(file);
              Entries e;
              if (history.load(e) != 0 || e.size() != kHistoryKept) return 1;
              for (int i = 0; i < 3; ++i)
                if (history.append("new" + std::to_string(i)) != 0) return 2;
              return 0;
            }),
            0);
  EXPECT_TRUE(read(file) == numbered(19002, 20000) + "new0\nnew1\nnew2\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace zorm
