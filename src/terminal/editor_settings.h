// The user's settings file for the line editor (~/.editrc or $EDITRC): which
// file, read only when it is a regular file, its lines as the editor reads
// them, and which of them bind keys, so that the keys zorm binds itself can
// be bound again after the file and the file's own bindings of them last.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorm {

// $EDITRC when it is set (an empty one names no file), else $HOME/.editrc;
// none without either.
std::optional<std::string> editor_settings_path(const char* editrc, const char* home);

// The text of the settings file, read only when it is a regular file: a FIFO
// is never waited on, a device or a directory never read. No text without a
// file; without a text and with the one notice to give when the file exists
// and cannot be read, or is no regular file.
struct SettingsFile {
  std::optional<std::string> text;
  std::string notice;
};
SettingsFile read_editor_settings(const std::string& path);

// The lines that the editor takes as commands: without their leading blanks,
// neither empty nor comments (a first non-blank "#").
std::vector<std::wstring> settings_lines(std::string_view text);

// What a command line of the settings file (split into words, as the editor
// splits it) does to key bindings, for the program `program`: a line for
// another program ("prog:bind ...") does nothing; "bind -e" and "bind -v" set
// up the whole emacs or vi key maps afresh; a binding names a key (word
// `key`; by the terminal's name of it with -k) and what it is bound to, or
// removes its binding with -r. Listing and asking leave the bindings alone.
struct BindCommand {
  enum class Kind { none, reset, binding } kind = Kind::none;
  std::size_t key = 0;
  bool by_name = false;
};
BindCommand bind_command(const std::vector<std::wstring>& words, std::wstring_view program);

}  // namespace zorm
