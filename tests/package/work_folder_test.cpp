#include "package/split.h"
#include "package/work_folder.h"
#include "tests/support/environment.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string TempFolder()
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    EXPECT_TRUE(length > 0 && length < sizeof temp) << "GetTempPathA: " << GetLastError();
    return temp;
}

bool FolderIsEmpty(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return false;
    bool empty = true;
    do {
        std::string name = entry.cFileName;
        empty = empty && (name == "." || name == "..");
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
    return empty;
}

// Makes the temporary folder current, so that a path that wrongly begins with "\"
// or names no folder lands in the root of the test prefix's drive or in the
// temporary folder, where the test can look for it.
class CurrentTempDrive {
public:
    CurrentTempDrive()
    {
        GetCurrentDirectoryA(sizeof m_savedCurrent, m_savedCurrent);
        std::string temp = TempFolder();
        EXPECT_EQ(":\\", temp.substr(1, 2)) << "expected a temporary folder on a drive: " << temp;
        m_root = temp.substr(0, 3);
        SetLastError(0xdeadbeef);
        EXPECT_TRUE(SetCurrentDirectoryA(temp.c_str())) << temp << ": " << GetLastError();
        m_current = temp;
    }
    ~CurrentTempDrive() { SetCurrentDirectoryA(m_savedCurrent); }
    // The places where a path formed from an empty folder would point.
    std::vector<std::string> StrayPlaces(const char* name) const
    {
        return {m_root + name, m_current + name};
    }
    const std::string& Root() const { return m_root; }

private:
    std::string m_root;
    std::string m_current;
    char m_savedCurrent[MAX_PATH];
};

TEST(CreateWorkFolder, MakesTwoDistinctEmptyVelFoldersInTheTemporaryFolder)
{
    std::string temp = TempFolder();
    char first[MAX_PATH], second[MAX_PATH];
    SetLastError(0xdeadbeef);
    int firstMade = CreateWorkFolder(first);
    DWORD firstError = GetLastError();
    int secondMade = CreateWorkFolder(second);
    std::string folders[] = {firstMade ? first : "", secondMade ? second : ""};
    EXPECT_EQ(1, firstMade) << "GetLastError " << firstError;
    EXPECT_EQ(1, secondMade);
    EXPECT_STRNE(first, second) << "expected two folders";
    for (const std::string& folder : folders) {
        if (folder.empty())
            continue;
        EXPECT_EQ(temp + "Vel", folder.substr(0, temp.size() + 3))
            << "expected a Vel name in " << temp;
        EXPECT_TRUE(FolderExists(folder)) << folder << " is not a folder";
        EXPECT_TRUE(FolderIsEmpty(folder)) << folder << " is not empty";
        RemoveTree(folder);
    }
}

TEST(CreateWorkFolder, WithoutATemporaryFolderYieldsNothingAndTheSplitWritesNothing)
{
    CurrentTempDrive drive;
    ScratchFolder scratch;
    std::string notAFolder = scratch / "plain.txt";
    WriteWholeFile(notAFolder, "x");
    std::string package = scratch / "package.exe";
    WriteWholeFile(package, PatternBytes(70000, 5));
    const char* names[] = {"data.cab", "uninst.exe", "install.inf"};
    for (const char* name : names)
        for (const std::string& stray : drive.StrayPlaces(name))
            ASSERT_FALSE(FileExists(stray)) << stray << " is there before the test";
    for (const std::string& tmp : {scratch / "missing", notAFolder}) {
        TemporaryFolderSetting setting(tmp);
        char workFolder[MAX_PATH];
        memset(workFolder, 'X', sizeof workFolder);
        EXPECT_EQ(0, CreateWorkFolder(workFolder)) << "TMP=" << tmp;
        EXPECT_STREQ("", workFolder) << "TMP=" << tmp;

        WorkFilePaths paths;
        memset(&paths, 'X', sizeof paths);
        EXPECT_EQ(0, FormWorkFilePaths(workFolder, &paths)) << "TMP=" << tmp;
        EXPECT_STREQ("", paths.cabinet);
        EXPECT_STREQ("", paths.uninstaller);
        EXPECT_STREQ("", paths.inf);
        EXPECT_EQ(0, SplitPackage(package.c_str(), paths.cabinet, paths.uninstaller, paths.inf))
            << "TMP=" << tmp;
        for (const char* name : names) {
            for (const std::string& stray : drive.StrayPlaces(name)) {
                EXPECT_FALSE(FileExists(stray)) << stray << " written, TMP=" << tmp;
                DeleteFileA(stray.c_str());
            }
        }
    }
}

struct FilePathCase {
    size_t folderLength;  // 0: the empty folder of a failed CreateWorkFolder
    int fits;
};

// "install.inf" is the longest name: 247 characters of folder, a backslash and
// its 11 characters fill the 259 that a path may have.
const FilePathCase kFilePaths[] = {{3, 1}, {247, 1}, {248, 0}, {300, 0}, {0, 0}};

TEST(FormWorkFilePaths, FormsAllThreeOrNone)
{
    for (const FilePathCase& c : kFilePaths) {
        std::string folder = c.folderLength ? "C:\\" + std::string(c.folderLength - 3, 'w') : "";
        WorkFilePaths paths;
        memset(&paths, 'X', sizeof paths);
        EXPECT_EQ(c.fits, FormWorkFilePaths(folder.c_str(), &paths)) << c.folderLength;
        EXPECT_EQ(c.fits ? folder + "\\data.cab" : "", std::string(paths.cabinet)) << c.folderLength;
        EXPECT_EQ(c.fits ? folder + "\\uninst.exe" : "", std::string(paths.uninstaller))
            << c.folderLength;
        EXPECT_EQ(c.fits ? folder + "\\install.inf" : "", std::string(paths.inf)) << c.folderLength;
    }
}

TEST(RemoveWorkFolder, RemovesAnEmptyFolder)
{
    char workFolder[MAX_PATH];
    ASSERT_EQ(1, CreateWorkFolder(workFolder)) << GetLastError();
    EXPECT_EQ(1, RemoveWorkFolder(workFolder));
    EXPECT_FALSE(FolderExists(workFolder)) << workFolder << " stayed";
    RemoveTree(workFolder);
}

TEST(RemoveWorkFolder, DeletesFilesButNeverASubfolder)
{
    ScratchFolder work;
    std::string sub = work / "sub";
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), NULL)) << GetLastError();
    WriteWholeFile(sub + "\\inner.txt", "inner");
    for (const char* name : {"data.cab", "uninst.exe", "install.inf", "other.bin"})
        WriteWholeFile(work / name, name);

    EXPECT_EQ(1, RemoveWorkFolder(work.Path().c_str()));
    for (const char* name : {"data.cab", "uninst.exe", "install.inf", "other.bin"})
        EXPECT_FALSE(FileExists(work / name)) << name << " stayed";
    EXPECT_TRUE(FolderExists(sub)) << "the subfolder went";
    EXPECT_TRUE(FileExists(sub + "\\inner.txt")) << "the subfolder's file went";
    EXPECT_TRUE(FolderExists(work.Path())) << "a folder with a subfolder went";
}

TEST(RemoveWorkFolder, MissingFolderIsNotListed)
{
    ScratchFolder scratch;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, RemoveWorkFolder((scratch / "missing").c_str()));
    EXPECT_TRUE(FolderExists(scratch.Path()));
}

TEST(RemoveWorkFolder, EmptyPathTouchesNothingInTheDriveRoot)
{
    CurrentTempDrive drive;
    std::string bystander = drive.Root() + "VelmoraBystander.txt";
    WriteWholeFile(bystander, "keep me");

    EXPECT_EQ(0, RemoveWorkFolder(""));
    EXPECT_TRUE(FileExists(bystander)) << "expected " << bystander << " to stay";
    DeleteFileA(bystander.c_str());
}

}  // namespace
