#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

ScratchFolder::ScratchFolder()
{
    char temp[MAX_PATH];
    char name[MAX_PATH];
    EXPECT_NE(0u, GetTempPathA(MAX_PATH, temp)) << GetLastError();
    EXPECT_NE(0u, GetTempFileNameA(temp, "tst", 0, name)) << GetLastError();
    DeleteFileA(name);
    EXPECT_TRUE(CreateDirectoryA(name, NULL)) << name << ": " << GetLastError();
    m_path = name;
}

ScratchFolder::~ScratchFolder() { RemoveTree(m_path); }

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(listing, &entry));
        FindClose(listing);
    }
    RemoveDirectoryA(path.c_str());
}

bool FileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void WriteWholeFile(const std::string& path, const std::string& content)
{
    std::ofstream file(path, std::ios::binary);
    file.write(content.data(), content.size());
    ASSERT_TRUE(file.good()) << "cannot write " << path;
}

std::string PatternBytes(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = (char)(state >> 16);
    }
    return bytes;
}
