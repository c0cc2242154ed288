#pragma once
// A scratch folder for one test, removed with everything in it afterwards.

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/process.h"
#include "support/test_os.h"

namespace testing_support {

class TempFolder {
 public:
  TempFolder() : path_(testsupport::MakeScratchFolder("quorrel")) {}
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path, ending with the system's folder separator.
  std::string Base() const { return path_ + platform::kFolderSeparator; }
  const std::string& Path() const { return path_; }

  // Writes `bytes` to the relative path, making its folders.
  void Write(const std::string& relative, std::string_view bytes) const {
    const std::filesystem::path file = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  void MakeFolder(const std::string& relative) const {
    std::filesystem::create_directories(std::filesystem::path(path_) / relative);
  }

 private:
  std::string path_;
};

}  // namespace testing_support
