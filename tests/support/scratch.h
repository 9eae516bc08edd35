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
void RemoveTree(const std::wstring& path);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
bool FolderExists(const std::wstring& path);
bool FileExists(const std::wstring& path);

// Names that the ANSI code page may not spell: conversions for the tests.
std::wstring Widen(const std::string& ansi);
std::string Utf8Of(const std::wstring& wide);
// The long name of an existing path given in any form, "" when it names nothing.
std::wstring LongNameOf(const std::wstring& path);
// The short (8.3) form of an existing path in the ANSI code page, "" when it has none
// that the code page spells.
std::string AnsiShortForm(const std::wstring& path);
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);
// A deterministic byte pattern that no two offsets of a piece share by accident.
std::string PatternBytes(size_t size, unsigned seed);
