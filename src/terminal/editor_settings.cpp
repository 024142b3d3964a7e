// The user's settings file for the line editor.
#include "terminal/editor_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cwctype>

#include "terminal/editor_text.h"

namespace zorm {

namespace {

std::string settings_notice(const std::string& path, const char* why) {
  return "{Editor settings not read: " + path + ": " + why + "}";
}

}  // namespace

std::optional<std::string> editor_settings_path(const char* editrc, const char* home) {
  if (editrc != nullptr) {
    if (*editrc == '\0') return std::nullopt;
    return std::string(editrc);
  }
  if (home == nullptr || *home == '\0') return std::nullopt;
  return std::string(home) + "/.editrc";
}

SettingsFile read_editor_settings(const std::string& path) {
  SettingsFile file;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) file.notice = settings_notice(path, std::strerror(errno));
    return file;
  }
  if (!S_ISREG(st.st_mode)) {
    file.notice = settings_notice(path, "Not a regular file");
    return file;
  }
  // Opened without waiting, and looked at again: it may have been replaced.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    file.notice = settings_notice(path, std::strerror(errno));
    return file;
  }
  std::string text;
  int error = 0;
  if (::fstat(fd, &st) != 0) {
    error = errno;
  } else if (!S_ISREG(st.st_mode)) {
    file.notice = settings_notice(path, "Not a regular file");
  } else {
    char buf[4096];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) {
        text.append(buf, static_cast<std::size_t>(n));
      } else if (n == 0) {
        file.text = std::move(text);
        break;
      } else if (errno != EINTR) {
        error = errno;
        break;
      }
    }
  }
  ::close(fd);
  if (error != 0) file.notice = settings_notice(path, std::strerror(error));
  return file;
}

std::vector<std::wstring> settings_lines(std::string_view text) {
  std::vector<std::wstring> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::wstring line = decode_bytes(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    std::size_t start = 0;
    while (start < line.size() && std::iswspace(static_cast<wint_t>(line[start]))) ++start;
    if (start == line.size() || line[start] == L'#') continue;
    lines.push_back(line.substr(start));
  }
  return lines;
}

BindCommand bind_command(const std::vector<std::wstring>& words, std::wstring_view program) {
  BindCommand command;
  if (words.empty()) return command;
  std::wstring_view name = words[0];
  if (const std::size_t colon = name.find(L':'); colon != std::wstring_view::npos) {
    if (name.substr(0, colon) != program) return command;
    name.remove_prefix(colon + 1);
  }
  if (name != L"bind") return command;
  bool removes = false;
  std::size_t i = 1;
  for (; i < words.size() && words[i].size() > 1 && words[i][0] == L'-'; ++i) {
    switch (words[i][1]) {
      case L'e':
      case L'v':
        command.kind = BindCommand::Kind::reset;
        return command;
      case L'k':
        command.by_name = true;
        break;
      case L'r':
        removes = true;
        break;
      case L'a':
      case L's':
        break;
      default:  // listings, and options the editor rejects
        return BindCommand{};
    }
  }
  if (i == words.size() || (!removes && i + 1 == words.size())) return BindCommand{};
  command.kind = BindCommand::Kind::binding;
  command.key = i;
  return command;
}

}  // namespace zorm
