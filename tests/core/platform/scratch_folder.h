#pragma once

// A folder of its own for each test that works on files, removed afterwards.
#include "core/study/errors.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>

namespace robustez::testing {

// A path as the UTF-8 text the core takes.
inline std::string utf8Path(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

class ScratchFolder : public ::testing::Test {
public:
    void SetUp() override {
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
            const std::filesystem::path candidate = std::filesystem::temp_directory_path() /
                                                    ("robustez-file-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) {
                dir_ = candidate;
            }
        }
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::string readBytes(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir_),
                                                      std::filesystem::directory_iterator()));
    }
    // The message of the FileError an action throws.
    static std::string fileError(const std::function<void()>& action) {
        try {
            action();
        } catch (const FileError& error) {
            return error.what();
        }
        return "(no file error)";
    }
    std::filesystem::path dir_;
};

} // namespace robustez::testing
