// Every test process gets a home of its own: HOME and the XDG directories point into a fresh
// temporary directory, so tests never share files or settings and can run in parallel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/common/Log.hpp"

int main(int argc, char** argv) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kindora-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return 2;
    }
    const std::filesystem::path home = pattern;
    for (const char* sub : {".local/share", ".config", ".cache"}) {
        std::filesystem::create_directories(home / sub);
    }
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (home / ".cache").c_str(), 1);
    kindora::Log::setStandardErrorLevel(kindora::LogLevel::error);

    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();

    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return result;
}
