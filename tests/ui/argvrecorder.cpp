// Writes its own argv, each entry ended by a NUL byte, to the file named by VELK_ARGV_LOG: a
// program that shows exactly what it was started with, without a shell anywhere.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* log = std::getenv("VELK_ARGV_LOG");
    if (!log) return 2;
    // Written aside and renamed, so the log appears only when it is whole.
    const std::string part = std::string(log) + ".part";
    std::FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) return 3;
    for (int i = 0; i < argc; ++i)
        std::fwrite(argv[i], 1, std::string(argv[i]).size() + 1, f);
    if (std::fclose(f) != 0) return 4;
    return std::rename(part.c_str(), log) == 0 ? 0 : 5;
}
