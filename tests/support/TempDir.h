// A scratch folder for tests and benchmarks, removed with everything in it when the object
// goes: stands in for "/dev" (entries named like devices, links to pty slaves) and for
// /sys/class/tty (NAME/type files). A failure throws std::filesystem or std::runtime_error.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

class TempDir {
public:
    TempDir() : path_((std::filesystem::temp_directory_path() / "serialterm-XXXXXX").string())
    {
        if (!::mkdtemp(path_.data()))
            throw std::runtime_error("mkdtemp failed for " + path_);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() { std::error_code ignored; std::filesystem::remove_all(path_, ignored); }

    const std::string& path() const { return path_; }
    // An entry `name` pointing at `target`, like the links socat makes for a virtual port.
    void link(const std::string& name, const std::string& target) const
    {
        std::filesystem::create_symlink(target, path_ + "/" + name);
    }
    // A plain file, with the folders leading to it.
    void writeFile(const std::string& relativePath, std::string_view contents) const
    {
        const std::filesystem::path file = std::filesystem::path(path_) / relativePath;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << contents;
    }
    void remove(const std::string& name) const { std::error_code ignored; std::filesystem::remove(path_ + "/" + name, ignored); }

private:
    std::string path_;
};
