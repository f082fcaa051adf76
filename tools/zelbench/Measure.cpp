#include "tools/zelbench/Measure.h"

#include <filesystem>
#include <fstream>

namespace zelbench {

Measured RunMeasured(const std::vector<std::string>& argv, const std::string& cwd, const std::string& outputFile,
                     const std::string& input) {
  return Plat_Run({argv, cwd, input, outputFile.empty() ? PlatOutput::Discard : PlatOutput::Truncate, outputFile});
}

Measured RunMeasuredFresh(const std::vector<std::string>& argv, const std::string& cwd,
                          const std::string& outputFile) {
  const std::string figures = outputFile.empty() ? std::string("/tmp/zelbench-measure-") + std::to_string(Plat_ProcessId())
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
