// The editor's settings file: which file, only regular files read (a FIFO
// never waited on), its command lines, and which of them bind keys.
#include "terminal/editor_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace zorm {
namespace {

TEST(EditorSettings, Path) {
  EXPECT_EQ(editor_settings_path("/etc/rc", "/home/ann"), "/etc/rc");
  EXPECT_EQ(editor_settings_path("", "/home/ann"), std::nullopt);
  EXPECT_EQ(editor_settings_path(nullptr, "/home/ann"), "/home/ann/.editrc");
  EXPECT_EQ(editor_settings_path(nullptr, ""), std::nullopt);
  EXPECT_EQ(editor_settings_path(nullptr, nullptr), std::nullopt);
}

TEST(EditorSettings, OnlyRegularFilesAreRead) {
  char dir[] = "/tmp/zorm-editrc-XXXXXX";
  ASSERT_NE(::mkdtemp(dir), nullptr);
  const std::string base = dir;
  std::ofstream(base + "/editrc") << "bind -v\n";
  ASSERT_EQ(::mkfifo((base + "/fifo").c_str(), 0600), 0);

  EXPECT_EQ(read_editor_settings(base + "/editrc").text, "bind -v\n");
  EXPECT_EQ(read_editor_settings(base + "/editrc").notice, "");
  const SettingsFile missing = read_editor_settings(base + "/missing");
  EXPECT_FALSE(missing.text);
  EXPECT_EQ(missing.notice, "");
  for (const std::string& path : {base + "/fifo", base, std::string("/dev/null")}) {
    const SettingsFile skipped = read_editor_settings(path);  // returns at once, FIFO or not
    EXPECT_FALSE(skipped.text) << path;
    EXPECT_EQ(skipped.notice, "{Editor settings not read: " + path + ": Not a regular file}");
  }
  ::unlink((base + "/editrc").c_str());
  ::unlink((base + "/fifo").c_str());
  ::rmdir(dir);
}

TEST(EditorSettings, CommandLines) {
  EXPECT_EQ(settings_lines("bind -v\n\n  # note\n\t bind ^I ed-insert\n   \nhistory size 5"),
            (std::vector<std::wstring>{L"bind -v", L"bind ^I ed-insert", L"history size 5"}));
}

TEST(EditorSettings, BindCommands) {
  using Kind = BindCommand::Kind;
  const struct {
    std::vector<std::wstring> words;
    Kind kind;
    std::size_t key;
    bool by_name;
  } kCases[] = {
      {{L"bind", L"-v"}, Kind::reset, 0, false},
      {{L"zorm:bind", L"-e"}, Kind::reset, 0, false},
      {{L"sh:bind", L"-e"}, Kind::none, 0, false},
      {{L"bind", L"^I", L"ed-insert"}, Kind::binding, 1, false},
      {{L"bind", L"-a", L"-k", L"up", L"ed-prev-line"}, Kind::binding, 3, true},
      {{L"bind", L"-s", L"^X", L"1+1"}, Kind::binding, 2, false},
      {{L"bind", L"-r", L"^I"}, Kind::binding, 2, false},
      {{L"bind", L"^I"}, Kind::none, 0, false},  // asks
      {{L"bind"}, Kind::none, 0, false},         // lists
      {{L"bind", L"-l"}, Kind::none, 0, false},
      {{L"history", L"size", L"10"}, Kind::none, 0, false},
  };
  for (const auto& c : kCases) {
    const BindCommand got = bind_command(c.words, L"zorm");
    EXPECT_EQ(got.kind, c.kind) << c.words.size();
    if (c.kind != Kind::binding) continue;
    EXPECT_EQ(got.key, c.key);
    EXPECT_EQ(got.by_name, c.by_name);
  }
}

}  // namespace
}  // namespace zorm
