#include "alarms/safefile.h"

#include <cerrno>
#include <cstring>

namespace velk {

namespace datafile {

namespace {

fileops* current = nullptr;

// Writes all of text, going on after short writes. A write that takes nothing is a full disk,
// not a reason to loop.
std::string writeall(fileops& ops, fileops::handle h, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        std::size_t n = 0;
        if (std::string reason = ops.write(h, p, left, n); !reason.empty()) return reason;
        if (n == 0 || n > left) return std::strerror(ENOSPC);
        p += n;
        left -= n;
    }
    return "";
}

// Some systems report a full disk only as a file shorter than what was written.
std::string checksize(fileops& ops, fileops::handle h, std::size_t expected) {
    std::uint64_t bytes = 0;
    if (std::string reason = ops.size(h, bytes); !reason.empty()) return reason;
    if (bytes == expected) return "";
    return "the file was written short (" + std::to_string(bytes) + " of " +
           std::to_string(expected) + " bytes)";
}

std::string replacewithretry(fileops& ops, const std::string& from, const std::string& to,
                             std::string* displaced) {
    std::string reason;
    for (int attempt = 1;; ++attempt) {
        bool busy = false;
        reason = ops.replace(from, to, busy, displaced);
        if (reason.empty() || !busy || attempt >= replacetries) return reason;
        ops.pause(replacepausems);
    }
}

} // namespace

fileops& thefileops() {
    return current ? *current : systemfileops();
}

void setfileops(fileops* ops) {
    current = ops;
}

std::string replacewhole(const std::string& path, const std::string& text) {
    return replacewhole(path, text, thefileops());
}

namespace {

std::string replaceall(const std::string& pathgiven, const std::string& text, fileops& ops,
                       std::string* displaced) {
    if (displaced) displaced->clear();
    const std::string path = ops.target(pathgiven);
    std::string temp;
    fileops::handle h = 0;
    if (std::string reason = ops.createtemp(path, temp, h); !reason.empty()) return reason;
    std::string reason = writeall(ops, h, text);
    if (reason.empty()) reason = ops.flush(h);
    if (reason.empty()) reason = checksize(ops, h, text.size());
    // Closed in every case; a close that fails after good writes is a failed save too.
    const std::string closed = ops.close(h);
    if (reason.empty()) reason = closed;
    if (reason.empty()) reason = replacewithretry(ops, temp, path, displaced);
    if (!reason.empty()) {
        ops.remove(temp);
        return reason;
    }
    // The new file is whole in place; without the folder on the disk a power cut could still
    // bring the old one back, so that is reported too.
    return ops.syncfolder(path);
}

} // namespace

std::string replacewhole(const std::string& path, const std::string& text, fileops& ops) {
    return replaceall(path, text, ops, nullptr);
}

std::string replacekeeping(const std::string& path, const std::string& text,
                           std::string& displaced) {
    return replaceall(path, text, thefileops(), &displaced);
}

} // namespace datafile
} // namespace velk
