#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace velk::test {

// The program's paths are UTF-8 strings on every system; std::filesystem's narrow strings are
// the ANSI code page on Windows, so every conversion goes through these two.
inline std::filesystem::path fspath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string utf8(const std::filesystem::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

// A fresh folder for one test, removed with everything in it at the end.
class tempdir {
  public:
    // prefix lets tests put blanks or non-ASCII letters into the path.
    explicit tempdir(const std::string& prefix = "velk-test-") {
        std::random_device seed;
        std::mt19937_64 rng(seed());
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            const auto candidate = base / fspath(prefix + std::to_string(rng() % 1000000000));
            // create_directory is false when the name exists already: made by someone else.
            if (std::filesystem::create_directory(candidate)) {
                path_ = candidate;
                return;
            }
        }
        throw std::runtime_error("no fresh temporary folder");
    }
    ~tempdir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    tempdir(const tempdir&) = delete;
    tempdir& operator=(const tempdir&) = delete;

    std::string file(const std::string& name) const { return utf8(path_ / fspath(name)); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline void writebytes(const std::string& path, const std::string& bytes) {
    std::ofstream(fspath(path), std::ios::binary) << bytes;
}

inline std::string readbytes(const std::string& path) {
    std::ifstream in(fspath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace velk::test
