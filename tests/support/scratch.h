#pragma once
#include <windows.h>

#include <string>

// A fresh folder in the temporary directory, removed with everything in it when
// the test ends, also when it fails.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

void RemoveTree(const std::string& path);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);
// A deterministic byte pattern that no two offsets of a piece share by accident.
std::string PatternBytes(size_t size, unsigned seed);
