#include "alarms/leftovers.h"

#include <filesystem>
#include <system_error>

namespace velk {

namespace {

bool alldigits(std::string_view s) {
    if (s.empty() || s.size() > 18) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

} // namespace

int64_t leftoverpid(std::string_view path, std::string_view name) {
    const std::string prefix = std::filesystem::path(path).filename().string() + ".tmp.";
    if (name.substr(0, prefix.size()) != prefix) return -1;
    const std::string_view rest = name.substr(prefix.size());
    const auto dot = rest.find('.');
    if (dot == std::string_view::npos) return -1;
    const std::string_view pid = rest.substr(0, dot), serial = rest.substr(dot + 1);
    if (!alldigits(pid) || !alldigits(serial)) return -1;
    return std::stoll(std::string(pid));
}

int removeleftovers(const std::string& path, const std::function<bool(int64_t)>& alive) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty()) folder = ".";
    int removed = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const int64_t pid = leftoverpid(path, it->path().filename().string());
        if (pid < 0) continue;
        // A live process may be in the middle of its own save (another VELK, or a command
        // writing under the lock a moment ago): its file is not ours to take.
        if (alive(pid)) continue;
        std::error_code gone;
        if (it->is_regular_file(gone) && fs::remove(it->path(), gone)) ++removed;
    }
    return removed;
}

int removeleftovers(const std::string& path) {
    return removeleftovers(path, processalive);
}

} // namespace velk
