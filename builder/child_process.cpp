#include "builder/child_process.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include "platform/utf.h"
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;
#endif

namespace builder {

std::wstring WindowsCommandLine(const std::vector<std::wstring>& words) {
  std::wstring line;
  for (const std::wstring& word : words) {
    if (!line.empty()) line += L' ';
    if (!word.empty() && word.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
      line += word;
      continue;
    }
    // Inside quotes, backslashes are literal unless they precede a quote:
    // double those, and escape the quote itself.
    line += L'"';
    std::size_t backslashes = 0;
    for (wchar_t c : word) {
      if (c == L'\\') {
        ++backslashes;
        continue;
      }
      if (c == L'"') backslashes = backslashes * 2 + 1;
      line.append(backslashes, L'\\');
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
  }
  return line;
}

#ifdef _WIN32

namespace {

class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) : h_(h) {}
  ~Handle() {
    if (h_ != nullptr && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  HANDLE* out() { return &h_; }

 private:
  HANDLE h_;
};

// An inheritable copy of one of our standard handles (null when there is none).
void InheritableCopy(DWORD which, Handle& copy) {
  HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), copy.out(), 0, TRUE, DUPLICATE_SAME_ACCESS);
}

std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = text ? text : L"";
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
    message.pop_back();
  return message.empty() ? "error " + std::to_string(code) : platform::WideToUtf8(message);
}

}  // namespace

bool RunProgram(const std::vector<std::string>& words, const std::filesystem::path& folder, int& exitCode,
                std::string& error) {
  if (words.empty()) {
    error = "no program to run";
    return false;
  }
  std::vector<std::wstring> wide;
  for (const std::string& w : words) wide.push_back(platform::Utf8ToWide(w));
  std::wstring line = WindowsCommandLine(wide);

  Handle input, output;
  InheritableCopy(STD_INPUT_HANDLE, input);
  InheritableCopy(STD_ERROR_HANDLE, output);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.get();
  startup.hStdOutput = output.get();
  startup.hStdError = output.get();
  PROCESS_INFORMATION info{};
  const std::wstring where = folder.wstring();
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, where.empty() ? nullptr : where.c_str(),
                      &startup, &info)) {
    error = "cannot start '" + words[0] + "': " + SystemMessage(GetLastError());
    return false;
  }
  Handle process(info.hProcess), thread(info.hThread);
  DWORD code = 0;
  if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &code)) {
    error = "'" + words[0] + "' could not be waited for";
    return false;
  }
  exitCode = static_cast<int>(code);
  return true;
}

#else

namespace {

class SpawnActions {
 public:
  SpawnActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnActions() {
    if (ok_) posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  bool ok() const { return ok_; }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
  bool ok_ = false;
};

}  // namespace

bool RunProgram(const std::vector<std::string>& words, const std::filesystem::path& folder, int& exitCode,
                std::string& error) {
  if (words.empty()) {
    error = "no program to run";
    return false;
  }
  SpawnActions actions;
  if (!actions.ok() || posix_spawn_file_actions_adddup2(actions.get(), STDERR_FILENO, STDOUT_FILENO) != 0 ||
      (!folder.empty() && posix_spawn_file_actions_addchdir_np(actions.get(), folder.c_str()) != 0)) {
    error = "cannot prepare to start '" + words[0] + "'";
    return false;
  }
  std::vector<char*> argv;
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, argv[0], actions.get(), nullptr, argv.data(), environ);
  if (failed != 0) {
    error = "cannot start '" + words[0] + "': " + std::strerror(failed);
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      error = "'" + words[0] + "' could not be waited for: " + std::strerror(errno);
      return false;
    }
  }
  if (WIFSIGNALED(status)) {
    error = "'" + words[0] + "' was ended by signal " + std::to_string(WTERMSIG(status));
    return false;
  }
  exitCode = WEXITSTATUS(status);
  return true;
}

#endif

}  // namespace builder
