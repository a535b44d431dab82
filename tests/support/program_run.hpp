// Runs the built program in a fresh temporary directory with a typed
// dialogue on standard input, and reads back what it left there.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace test_support {

/// A fresh directory under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "ride_estimate_XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = templ;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  /// Writes `content` to the file `name` in this directory, byte for byte.
  void write(const std::string& name, const std::string& content) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out << content;
  }
  /// The whole content of the file `name`.
  std::string read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }

 private:
  std::filesystem::path path_;
};

struct RunResult {
  std::string out;   // standard output, the screen
  std::string err;   // standard error
  int status = -1;   // exit status
};

/// Runs `program` in `dir` with `input` as its whole standard input (then end
/// of input). With `signal_after_input` > 0 the input is sent, the pipe is
/// kept open, and the signal is sent once `wait_for_output` has appeared on
/// the screen.
inline RunResult run_program(const std::string& program, const std::filesystem::path& dir, const std::string& input,
                             int signal_after_input = 0, const std::string& wait_for_output = "") {
  const std::filesystem::path out_path = dir / ".stdout";
  const std::filesystem::path err_path = dir / ".stderr";
  int in_pipe[2];
  if (::pipe(in_pipe) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(in_pipe[0], 0);
    ::close(in_pipe[0]);
    ::close(in_pipe[1]);
    const int out_fd = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err_fd = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out_fd, 1);
    ::dup2(err_fd, 2);
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(in_pipe[0]);
  ::signal(SIGPIPE, SIG_IGN);
  std::size_t done = 0;
  while (done < input.size()) {
    const ssize_t n = ::write(in_pipe[1], input.data() + done, input.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  auto read_file = [](const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  };
  if (signal_after_input > 0) {
    for (int k = 0; k < 1000 && read_file(out_path).find(wait_for_output) == std::string::npos; ++k)
      ::usleep(10000);
    ::usleep(50000);  // let the program reach its read
    ::kill(pid, signal_after_input);
  }
  ::close(in_pipe[1]);
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  RunResult r;
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  r.out = read_file(out_path);
  r.err = read_file(err_path);
  std::filesystem::remove(out_path);
  std::filesystem::remove(err_path);
  return r;
}

}  // namespace test_support
