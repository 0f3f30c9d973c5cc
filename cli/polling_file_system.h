#pragma once

#include <functional>

#include "file_system.h"

namespace tolvane {

// A file system that calls `poll` before each enumeration step and otherwise passes every
// call on. The walker yields only between folders, and not at all without recursion, so
// this is where a run can look at a stop signal and its progress between the files of
// one folder, however many it holds.
class PollingFileSystem : public FileSystem {
  public:
    PollingFileSystem(FileSystem& files, std::function<void()> poll)
        : files_(files), poll_(std::move(poll)) {}

    std::string startEnumeration(const std::string& pattern, std::uint32_t attributeMask) override {
        poll_();
        return files_.startEnumeration(pattern, attributeMask);
    }
    std::string nextName() override {
        poll_();
        return files_.nextName();
    }
    std::int64_t fileLength(const std::string& fullPath) override {
        return files_.fileLength(fullPath);
    }
    DateTime fileTimeStamp(const std::string& fullPath) override {
        return files_.fileTimeStamp(fullPath);
    }
    std::uint32_t fileAttributes(const std::string& fullPath) override {
        return files_.fileAttributes(fullPath);
    }

  private:
    FileSystem& files_;
    std::function<void()> poll_;
};

}  // namespace tolvane
