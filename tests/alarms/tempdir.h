#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include <stdlib.h>

namespace velk::test {

// A fresh folder for one test, removed with everything in it at the end.
class tempdir {
  public:
    tempdir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velk-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~tempdir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    tempdir(const tempdir&) = delete;
    tempdir& operator=(const tempdir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline void writebytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readbytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace velk::test
