// A scratch folder for tests and benchmarks, removed with everything in it when the object
// goes: stands in for "/dev" (entries named like devices, links to pty slaves) and for
// /sys/class/tty (NAME/type files). A failure throws std::filesystem or std::runtime_error.
#pragma once

#include <string>
#include <string_view>

class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& path() const { return path_; }
    // An entry `name` pointing at `target`, like the links socat makes for a virtual port.
    void link(const std::string& name, const std::string& target) const;
    // A plain file, with the folders leading to it.
    void writeFile(const std::string& relativePath, std::string_view contents) const;
    void remove(const std::string& name) const;

private:
    std::string path_;
};
