#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "serialterm-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        throw std::runtime_error("mkdtemp failed for " + pattern);
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
    std::filesystem::create_symlink(target, path_ + "/" + name);
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
