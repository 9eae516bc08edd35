#include "package/layout.h"
#include "package/split.h"
#include "package/work_folder.h"
#include "tests/support/environment.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const size_t kChunk = 65536;
const size_t kCabinetOffset = PACKAGE_CABINET_OFFSET;

// A scratch working folder with the three output paths formed in it.
class SplitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(1, FormWorkFilePaths(m_work.Path().c_str(), &m_paths)) << m_work.Path();
    }

    int Split(const std::string& packagePath)
    {
        return SplitPackage(packagePath.c_str(), m_paths.cabinet, m_paths.uninstaller,
                            m_paths.inf);
    }

    // Each output exists and holds exactly the expected bytes.
    void ExpectOutputs(const std::string& uninstaller, const std::string& inf,
                       const std::string& cabinet, const std::string& what)
    {
        const struct {
            const char* path;
            const std::string& bytes;
        } outputs[] = {{m_paths.uninstaller, uninstaller},
                       {m_paths.inf, inf},
                       {m_paths.cabinet, cabinet}};
        for (const auto& output : outputs) {
            ASSERT_TRUE(FileExists(output.path)) << what << ": expected " << output.path;
            std::string content = ReadWholeFile(output.path);
            EXPECT_EQ(output.bytes.size(), content.size()) << what << ": size of " << output.path;
            EXPECT_TRUE(content == output.bytes)
                << what << ": " << output.path << " differs from its piece";
        }
    }

    ScratchFolder m_work;
    ScratchFolder m_source;
    WorkFilePaths m_paths;
};

struct PackageSizeCase {
    const char* what;
    size_t packageSize;
    int result;
    size_t uninstallerSize, infSize, cabinetSize;
};

const PackageSizeCase kPackageSizes[] = {
    {"image and INF, no cabinet", kCabinetOffset, 1, PACKAGE_IMAGE_SIZE, PACKAGE_INF_SIZE, 0},
    {"one byte of cabinet", kCabinetOffset + 1, 1, PACKAGE_IMAGE_SIZE, PACKAGE_INF_SIZE, 1},
    {"cabinet of two whole chunks", kCabinetOffset + 2 * kChunk, 1, PACKAGE_IMAGE_SIZE,
     PACKAGE_INF_SIZE, 2 * kChunk},
    {"cabinet one byte past a chunk", kCabinetOffset + kChunk + 1, 1, PACKAGE_IMAGE_SIZE,
     PACKAGE_INF_SIZE, kChunk + 1},
    {"cabinet of several MB", kCabinetOffset + 5 * 1024 * 1024 + 4321, 1, PACKAGE_IMAGE_SIZE,
     PACKAGE_INF_SIZE, 5 * 1024 * 1024 + 4321},
    {"installed uninstaller alone", PACKAGE_IMAGE_SIZE, 0, PACKAGE_IMAGE_SIZE, 0, 0},
    {"INF cut short by one byte", kCabinetOffset - 1, 0, PACKAGE_IMAGE_SIZE, 0, 0},
    {"image cut short by one byte", PACKAGE_IMAGE_SIZE - 1, 0, 0, 0, 0},
    {"far shorter than the image", 1000, 0, 0, 0, 0},
    {"empty file", 0, 0, 0, 0, 0},
};

TEST_F(SplitTest, CutsEachPackageSizeAsTheLayoutSays)
{
    unsigned seed = 1;
    for (const PackageSizeCase& c : kPackageSizes) {
        std::string package = PatternBytes(c.packageSize, seed++);
        std::string packagePath = m_source / "package.exe";
        WriteWholeFile(packagePath, package);

        EXPECT_EQ(c.result, Split(packagePath)) << c.what;
        ExpectOutputs(package.substr(0, c.uninstallerSize),
                      package.substr(c.uninstallerSize ? PACKAGE_IMAGE_SIZE : 0, c.infSize),
                      package.substr(c.cabinetSize ? kCabinetOffset : 0, c.cabinetSize), c.what);
    }
}

TEST_F(SplitTest, PackageThatCannotBeOpenedStillLeavesThreeEmptyOutputs)
{
    for (const std::string& packagePath :
         {std::string(), m_source / "nothing-here.exe", m_source.Path()}) {
        // Stale outputs of a longer package prove that every output was emptied.
        for (const char* output : {m_paths.cabinet, m_paths.uninstaller, m_paths.inf})
            WriteWholeFile(output, "stale");
        EXPECT_EQ(0, Split(packagePath)) << "package \"" << packagePath << "\"";
        ExpectOutputs("", "", "", "package \"" + packagePath + "\"");
    }
}

TEST_F(SplitTest, OutputThatCannotBeCreatedFailsWithoutReadingThePackage)
{
    std::string package = PatternBytes(kCabinetOffset + 100, 7);
    std::string packagePath = m_source / "package.exe";
    WriteWholeFile(packagePath, package);
    // A folder in the place of data.cab cannot be opened for writing.
    ASSERT_TRUE(CreateDirectoryA(m_paths.cabinet, NULL)) << GetLastError();

    EXPECT_EQ(0, Split(packagePath)) << "expected a failure with data.cab a folder";
    EXPECT_EQ(std::string(), ReadWholeFile(m_paths.uninstaller)) << "uninst.exe written";
    EXPECT_EQ(std::string(), ReadWholeFile(m_paths.inf)) << "install.inf written";
    EXPECT_TRUE(ReadWholeFile(packagePath) == package) << "the package changed";
    // Every file was closed again: the outputs can be deleted at once.
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(DeleteFileA(m_paths.uninstaller)) << "uninst.exe still open: " << GetLastError();
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(DeleteFileA(packagePath.c_str())) << "package still open: " << GetLastError();
}

TEST_F(SplitTest, ReadsAPackageThatAnotherProcessHoldsOpenForWriting)
{
    std::string package = PatternBytes(kCabinetOffset + 3 * kChunk / 2, 11);
    std::string packagePath = m_source / "package.exe";
    WriteWholeFile(packagePath, package);
    SetLastError(0xdeadbeef);
    HANDLE writer = CreateFileA(packagePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer) << "cannot hold the package: " << GetLastError();

    int result = Split(packagePath);
    CloseHandle(writer);

    EXPECT_EQ(1, result) << "expected the split to share the package";
    ExpectOutputs(package.substr(0, PACKAGE_IMAGE_SIZE),
                  package.substr(PACKAGE_IMAGE_SIZE, PACKAGE_INF_SIZE),
                  package.substr(kCabinetOffset), "shared package");
}

// Serves a package through a named pipe and then disconnects it while the reader
// still waits for more: the reader's next read fails with a real error, which
// msvcrt reports through ferror, unlike the end of a file.
class DisconnectingPipe {
public:
    explicit DisconnectingPipe(const std::string& content) : m_content(content)
    {
        wsprintfA(m_name, "\\\\.\\pipe\\velmora-split-%lu", GetCurrentProcessId());
        SetLastError(0xdeadbeef);
        m_pipe = CreateNamedPipeA(m_name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                  (DWORD)kChunk, 0, 0, NULL);
        EXPECT_NE(INVALID_HANDLE_VALUE, m_pipe) << "CreateNamedPipeA: " << GetLastError();
        if (m_pipe != INVALID_HANDLE_VALUE)
            m_server = CreateThread(NULL, 0, Serve, this, 0, NULL);
    }
    ~DisconnectingPipe()
    {
        if (m_server) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_server, 10000)) << "server hangs";
            CloseHandle(m_server);
        }
        if (m_pipe != INVALID_HANDLE_VALUE)
            CloseHandle(m_pipe);
    }
    const char* Name() const { return m_name; }
    bool AllSent() const { return m_allSent; }

private:
    static DWORD WINAPI Serve(void* self)
    {
        DisconnectingPipe& pipe = *(DisconnectingPipe*)self;
        if (!ConnectNamedPipe(pipe.m_pipe, NULL) && GetLastError() != ERROR_PIPE_CONNECTED)
            return 1;
        DWORD written = 0;
        pipe.m_allSent = WriteFile(pipe.m_pipe, pipe.m_content.data(), (DWORD)pipe.m_content.size(),
                                   &written, NULL) &&
                         written == pipe.m_content.size();
        FlushFileBuffers(pipe.m_pipe);
        DisconnectNamedPipe(pipe.m_pipe);
        return 0;
    }

    std::string m_content;
    char m_name[64];
    HANDLE m_pipe = INVALID_HANDLE_VALUE;
    HANDLE m_server = NULL;
    bool m_allSent = false;
};

TEST_F(SplitTest, ReadErrorInTheCabinetIsAFailureNotACutCabinet)
{
    std::string package = PatternBytes(kCabinetOffset + 2 * kChunk + 100, 13);
    int result;
    {
        DisconnectingPipe pipe(package);
        result = Split(pipe.Name());
        EXPECT_TRUE(pipe.AllSent()) << "the pipe did not deliver the package";
    }
    std::string cabinet = ReadWholeFile(m_paths.cabinet);
    EXPECT_EQ(0, result) << "expected a failure after the read error, data.cab holds "
                         << cabinet.size() << " bytes";
    // What the failed read itself delivered may or may not reach data.cab, which is
    // removed with the working folder anyway; what came before it must be right.
    EXPECT_EQ(0u, package.compare(kCabinetOffset, cabinet.size(), cabinet))
        << "data.cab is no beginning of the cabinet piece (" << cabinet.size() << " bytes)";
    EXPECT_LE((size_t)(2 * kChunk), cabinet.size()) << "the whole chunks before the error are missing";
    EXPECT_TRUE(ReadWholeFile(m_paths.uninstaller) == package.substr(0, PACKAGE_IMAGE_SIZE));
    EXPECT_TRUE(ReadWholeFile(m_paths.inf) == package.substr(PACKAGE_IMAGE_SIZE, PACKAGE_INF_SIZE));
}

TEST(SplitIntoMissingFolder, FailsAndLeavesNothingToRemove)
{
    ScratchFolder scratch;
    std::string packagePath = scratch / "package.exe";
    WriteWholeFile(packagePath, PatternBytes(kCabinetOffset + 10, 3));
    std::string missing = scratch / "missing";
    WorkFilePaths paths;
    ASSERT_EQ(1, FormWorkFilePaths(missing.c_str(), &paths));

    EXPECT_EQ(0, SplitPackage(packagePath.c_str(), paths.cabinet, paths.uninstaller, paths.inf))
        << "expected a failure into " << missing;
    for (const char* output : {paths.cabinet, paths.uninstaller, paths.inf})
        EXPECT_FALSE(FileExists(output)) << output << " appeared";
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, RemoveWorkFolder(missing.c_str())) << "expected no listing of " << missing;
    EXPECT_TRUE(FileExists(packagePath)) << "the package went";
}

TEST(SplitBuiltPackage, GivesBackTheImageTheInfAndTheCabinet)
{
    std::string packagePath = ArtefactPath("VELMORA_PACKAGE");
    std::string image = ReadWholeFile(ArtefactPath("VELMORA_IMAGE"));
    std::string inf = ReadWholeFile(ArtefactPath("VELMORA_INF"));
    std::string cabinet = ReadWholeFile(ArtefactPath("VELMORA_CABINET"));
    ASSERT_EQ((size_t)PACKAGE_IMAGE_SIZE, image.size()) << "padded image";
    ASSERT_EQ((size_t)PACKAGE_INF_SIZE, inf.size()) << "package INF";
    ASSERT_EQ("MSCF", cabinet.substr(0, 4)) << "the cabinet is no cabinet";

    ScratchFolder work;
    WorkFilePaths paths;
    ASSERT_EQ(1, FormWorkFilePaths(work.Path().c_str(), &paths));
    EXPECT_EQ(1, SplitPackage(packagePath.c_str(), paths.cabinet, paths.uninstaller, paths.inf))
        << "expected the built package " << packagePath << " to split";
    const struct {
        const char* path;
        const std::string& bytes;
    } pieces[] = {{paths.uninstaller, image}, {paths.inf, inf}, {paths.cabinet, cabinet}};
    for (const auto& piece : pieces) {
        std::string content = ReadWholeFile(piece.path);
        EXPECT_EQ(piece.bytes.size(), content.size()) << piece.path;
        EXPECT_TRUE(content == piece.bytes) << piece.path << " differs from the built piece";
    }
}

}  // namespace
