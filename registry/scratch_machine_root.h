#pragma once

struct HKEY__;

namespace tolvane {

// For tests and benchmarks of the Windows build: while it lives, HKEY_LOCAL_MACHINE as
// this process sees it is a fresh key below HKEY_CURRENT_USER\`userKey`. What runs
// against it uses the system's own registry code, starts empty, leaves nothing behind and
// never touches the machine's real root. Throws std::runtime_error when it cannot.
class ScratchMachineRoot {
  public:
    explicit ScratchMachineRoot(const char* userKey);
    ~ScratchMachineRoot();
    ScratchMachineRoot(const ScratchMachineRoot&) = delete;
    ScratchMachineRoot& operator=(const ScratchMachineRoot&) = delete;

  private:
    const char* userKey_;
    HKEY__* standIn_ = nullptr;
};

}  // namespace tolvane
