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

void RemoveTree(const std::string& path) { RemoveTree(Widen(path)); }

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(listing, &entry));
        FindClose(listing);
    }
    RemoveDirectoryW(path.c_str());
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

bool FileExists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Widen(const std::string& ansi)
{
    std::wstring wide(ansi.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], (int)wide.size()) - 1);
    return wide;
}

std::string Utf8Of(const std::wstring& wide)
{
    std::string utf8(wide.size() * 3 + 1, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], (int)utf8.size(), NULL,
                                    NULL) - 1);
    return utf8;
}

std::wstring LongNameOf(const std::wstring& path)
{
    WCHAR longName[MAX_PATH];
    DWORD length = GetLongPathNameW(path.c_str(), longName, MAX_PATH);
    return length && length < MAX_PATH ? longName : L"";
}

std::string AnsiShortForm(const std::wstring& path)
{
    WCHAR shortForm[MAX_PATH];
    DWORD length = GetShortPathNameW(path.c_str(), shortForm, MAX_PATH);
    char ansi[MAX_PATH];
    BOOL lost = FALSE;
    if (!length || length >= MAX_PATH ||
        !WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortForm, -1, ansi, sizeof ansi, NULL, &lost) ||
        lost)
        return "";
    return ansi;
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
