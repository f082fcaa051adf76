// The part of PlatProcess that is the same on every system: a handle that
// kills and waits for a program still running when it goes, however it goes.
// Start, Wait, WaitUntil and Kill are each system's own (posix/ and windows/
// ChildProgram.cpp); the state they share is this system's
// ChildProgramState.h, found on the include path that CMake sets for it.
#include "tools/platform/ChildProgram.h"

#include <utility>

#include "ChildProgramState.h"

PlatProcess::PlatProcess() = default;
PlatProcess::PlatProcess(PlatProcess&&) noexcept = default;

PlatProcess& PlatProcess::operator=(PlatProcess&& other) noexcept {
  if (this != &other) {
    if (state_) Kill();
    state_ = std::move(other.state_);
  }
  return *this;
}

PlatProcess::~PlatProcess() {
  if (state_) Kill();
}

std::chrono::steady_clock::time_point PlatProcess::startedAt() const {
  return state_ ? state_->started : std::chrono::steady_clock::time_point();
}

PlatExit Plat_Run(const PlatLaunch& launch) { return PlatProcess::Start(launch).Wait(); }
