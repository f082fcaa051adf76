#include "tools/zelbench/Measure.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>

namespace zelbench {

Measured RunMeasured(const std::vector<std::string>& argv, const std::string& cwd, const std::string& outputFile,
                     const std::string& input) {
  Measured m;
  int in[2];
  if (::pipe(in) != 0) return m;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) return m;
  if (pid == 0) {
    ::dup2(in[0], 0);
    ::close(in[0]);
    ::close(in[1]);
    const int out = ::open(outputFile.empty() ? "/dev/null" : outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) {
      ::dup2(out, 1);
      ::dup2(out, 2);
      ::close(out);
    }
    if (::chdir(cwd.c_str()) != 0) ::_exit(126);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(in[0]);
  if (!input.empty()) {
    const ssize_t written = ::write(in[1], input.data(), input.size());
    (void)written;
  }
  ::close(in[1]);
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  m.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  m.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  m.maxRssKiB = usage.ru_maxrss;
  m.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return m;
}

Measured RunMeasuredFresh(const std::vector<std::string>& argv, const std::string& cwd,
                          const std::string& outputFile) {
  const std::string figures = outputFile.empty() ? std::string("/tmp/zelbench-measure-") + std::to_string(::getpid())
                                                 : outputFile + ".measure";
  std::vector<std::string> helper{ProgramDirectory() + "/zelbench", "measure", cwd,
                                  outputFile.empty() ? "/dev/null" : outputFile, "--"};
  helper.insert(helper.end(), argv.begin(), argv.end());
  Measured m;
  if (RunMeasured(helper, "/", figures).exitCode != 0) return m;
  std::ifstream in(figures);
  in >> m.exitCode >> m.wallSeconds >> m.cpuSeconds >> m.maxRssKiB;
  std::error_code ec;
  std::filesystem::remove(figures, ec);
  if (!in) m.exitCode = -1;
  return m;
}

std::string ProgramDirectory() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().string();
}

}  // namespace zelbench
