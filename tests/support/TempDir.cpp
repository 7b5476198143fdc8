#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "serialterm-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) {
        ADD_FAILURE() << "mkdtemp failed for " << pattern;
        return;
    }
    path_ = buffer.data();
}

TempDir::~TempDir()
{
    if (path_.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempDir::link(const std::string& name, const std::string& target) const
{
    std::error_code error;
    std::filesystem::create_symlink(target, path_ + "/" + name, error);
    EXPECT_FALSE(error) << name << ": " << error.message();
}

void TempDir::writeFile(const std::string& relativePath, std::string_view contents) const
{
    const std::filesystem::path file = std::filesystem::path(path_) / relativePath;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << contents;
}

void TempDir::remove(const std::string& name) const
{
    std::error_code ignored;
    std::filesystem::remove(path_ + "/" + name, ignored);
}
