// A fresh folder under the system's temporary folder, removed with its contents.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace zh::test {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zh_app_XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  // Writes `bytes` to `relative`, making its folders.
  std::string Write(const std::string& relative, const std::string& bytes) const {
    std::filesystem::path p = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  std::string MakeFolder(const std::string& relative) const {
    std::filesystem::create_directories(std::filesystem::path(path_) / relative);
    return *this / relative;
  }

 private:
  std::string path_;
};

}  // namespace zh::test
