// Which file-queue notifications each fault of a section's files brings under this
// Wine, what the default handling answers, and that the runner then reports the
// section as not carried out. Every case records the whole exchange and prints it.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include "package/inf_runner.h"
#include "package/layout.h"
#include "package/queue_watch.h"
#include "tests/support/environment.h"
#include "tests/support/installation.h"
#include "tests/support/scratch.h"

namespace {

const char* NotificationName(UINT notification)
{
    switch (notification) {
    case SPFILENOTIFY_STARTQUEUE: return "STARTQUEUE";
    case SPFILENOTIFY_ENDQUEUE: return "ENDQUEUE";
    case SPFILENOTIFY_STARTSUBQUEUE: return "STARTSUBQUEUE";
    case SPFILENOTIFY_ENDSUBQUEUE: return "ENDSUBQUEUE";
    case SPFILENOTIFY_STARTDELETE: return "STARTDELETE";
    case SPFILENOTIFY_ENDDELETE: return "ENDDELETE";
    case SPFILENOTIFY_DELETEERROR: return "DELETEERROR";
    case SPFILENOTIFY_STARTCOPY: return "STARTCOPY";
    case SPFILENOTIFY_ENDCOPY: return "ENDCOPY";
    case SPFILENOTIFY_COPYERROR: return "COPYERROR";
    case SPFILENOTIFY_NEEDMEDIA: return "NEEDMEDIA";
    case SPFILENOTIFY_FILEOPDELAYED: return "FILEOPDELAYED";
    case SPFILENOTIFY_TARGETNEWER: return "TARGETNEWER";
    case SPFILENOTIFY_TARGETEXISTS: return "TARGETEXISTS";
    default: return "OTHER";
    }
}

std::string LastName(const char* path)
{
    if (!path)
        return "(none)";
    std::string text = path;
    size_t slash = text.find_last_of('\\');
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

// One notification as "NAME file error N -> answer".
std::string DescribeNotification(UINT notification, UINT_PTR param1, UINT answer)
{
    std::string text = NotificationName(notification);
    switch (notification) {
    case SPFILENOTIFY_STARTCOPY:
    case SPFILENOTIFY_ENDCOPY:
    case SPFILENOTIFY_COPYERROR: {
        const FILEPATHS_A* paths = reinterpret_cast<const FILEPATHS_A*>(param1);
        text += " " + LastName(paths->Target) + " error " + std::to_string(paths->Win32Error);
        break;
    }
    case SPFILENOTIFY_NEEDMEDIA: {
        const SOURCE_MEDIA_A* media = reinterpret_cast<const SOURCE_MEDIA_A*>(param1);
        text += " tag " + LastName(media->Tagfile) + " file " + LastName(media->SourceFile);
        break;
    }
    default:
        break;
    }
    return text + " -> " + std::to_string(answer);
}

// Sits between the Setup API and the program's own callback, recording what passes.
struct Recording {
    QueueWatch watch;
    std::vector<std::string> trace;
    std::vector<std::pair<UINT, UINT>> answered;  // notification, answer given
};

UINT CALLBACK RecordingCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2)
{
    Recording* recording = static_cast<Recording*>(context);
    UINT answer = InfQueueCallback(&recording->watch, notification, param1, param2);
    recording->trace.push_back(DescribeNotification(notification, param1, answer));
    recording->answered.push_back({notification, answer});
    return answer;
}

// Carries out "DefaultInstall" as the runner does, with the recorder in front of
// the program's callback. The Setup API's own verdict goes to installed.
Recording RecordInstall(const std::string& source, const std::string& destination, BOOL* installed)
{
    Recording recording;
    *installed = FALSE;
    HINF inf = SetupOpenInfFileA((source + "\\install.inf").c_str(), NULL, INF_STYLE_WIN4, NULL);
    EXPECT_NE(INVALID_HANDLE_VALUE, inf) << "expected the package INF to open, error " << GetLastError();
    if (inf == INVALID_HANDLE_VALUE)
        return recording;
    EXPECT_TRUE(SetupSetDirectoryIdA(inf, DESTINATION_DIRID, destination.c_str())) << GetLastError();
    StartQueueWatch(&recording.watch, SetupInitDefaultQueueCallbackEx(NULL, NULL, 0, 0, NULL));
    *installed = SetupInstallFromInfSectionA(NULL, inf, "DefaultInstall", 0x1F, HKEY_LOCAL_MACHINE,
                                             source.c_str(), SP_COPY_NEWER, RecordingCallback,
                                             &recording, NULL, NULL);
    SetupCloseInfFile(inf);
    return recording;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "\n    " + line;
    return text;
}

bool AnsweredWithSkip(const Recording& recording, UINT notification)
{
    for (const auto& seen : recording.answered) {
        if (seen.first == notification && seen.second == FILEOP_SKIP)
            return true;
    }
    return false;
}

// grpconv consumes setup.ini when it runs; a healthy case shows that it does within
// this time, so a fault case that still finds setup.ini after it did not start it.
const DWORD kGrpconvWaitMs = 5000;

bool SetupIniGoneWithin(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (FileExists(WindowsFile("setup.ini")) && GetTickCount() - start < timeoutMs)
        Sleep(100);
    return !FileExists(WindowsFile("setup.ini"));
}

// One fault: how to make it, given the working folder and the destination, and the
// notification that reports it (0 where the Setup API reports nothing).
struct Fault {
    const char* name;
    std::function<void(const std::string& work, const std::string& destination)> make;
    const char* destination;  // a folder on a fixture drive, or null for a scratch folder
    UINT notification;
};

void CutFile(const std::string& path, double share)
{
    std::string bytes = ReadWholeFile(path);
    WriteWholeFile(path, bytes.substr(0, static_cast<size_t>(bytes.size() * share)));
}

void NoChange(const std::string&, const std::string&) {}

}  // namespace

class QueueNotifications : public ::testing::Test {
protected:
    void SetUp() override { ForgetInstallation(); }
    void TearDown() override { ForgetInstallation(); }

    // Empties a fixture drive's folder again, so the next case finds it as the
    // fixture left it.
    static void RemoveInstalledFiles(const std::string& folder)
    {
        for (const std::string& name : InstalledFileNames())
            DeleteFileA((folder + "\\" + name).c_str());
    }
    static bool Usable(const Fault& fault)
    {
        if (!fault.destination || GetFileAttributesA(fault.destination) != INVALID_FILE_ATTRIBUTES)
            return true;
        std::cout << "[ NOTE     ] " << fault.destination << " not mapped, row left out: "
                  << ReadWholeFile(ArtefactPath("VELMORA_DRIVES_SKIP")) << "\n";
        return false;
    }
};

TEST_F(QueueNotifications, EveryFileTheDefaultHandlingGivesUpFailsTheSection)
{
    const Fault faults[] = {
        {"data.cab empty, as a package without its cabinet leaves it", [](const std::string& work, const std::string&) {
             CutFile(work + "\\data.cab", 0);
         }, NULL, SPFILENOTIFY_COPYERROR},
        {"data.cab cut in half", [](const std::string& work, const std::string&) {
             CutFile(work + "\\data.cab", 0.5);
         }, NULL, SPFILENOTIFY_COPYERROR},
        {"data.cab cut after its header", [](const std::string& work, const std::string&) {
             CutFile(work + "\\data.cab", 0.01);
         }, NULL, SPFILENOTIFY_COPYERROR},
        {"data.cab absent", [](const std::string& work, const std::string&) {
             ASSERT_TRUE(DeleteFileA((work + "\\data.cab").c_str())) << GetLastError();
         }, NULL, SPFILENOTIFY_NEEDMEDIA},
        {"uninst.exe absent beside the INF", [](const std::string& work, const std::string&) {
             ASSERT_TRUE(DeleteFileA((work + "\\uninst.exe").c_str())) << GetLastError();
         }, NULL, SPFILENOTIFY_NEEDMEDIA},
        {"a folder where a cabinet file goes", [](const std::string&, const std::string& destination) {
             ASSERT_TRUE(CreateDirectoryA((destination + "\\readme.txt").c_str(), NULL)) << GetLastError();
         }, NULL, SPFILENOTIFY_COPYERROR},
        {"a folder where uninst.exe goes", [](const std::string&, const std::string& destination) {
             ASSERT_TRUE(CreateDirectoryA((destination + "\\uninst.exe").c_str(), NULL)) << GetLastError();
         }, NULL, SPFILENOTIFY_COPYERROR},
        {"destination on a read-only drive", NoChange, "R:\\Velmora", SPFILENOTIFY_COPYERROR},
        {"destination on a full drive", NoChange, "Q:\\Velmora", SPFILENOTIFY_COPYERROR},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        if (!Usable(fault))
            continue;
        for (bool throughRunner : {false, true}) {
            ScratchFolder work, scratchDestination;
            const std::string destination = fault.destination ? fault.destination : scratchDestination.Path();
            LayOutWorkFolder(work.Path());
            fault.make(work.Path(), destination);
            if (HasFatalFailure())
                return;
            if (!throughRunner) {
                BOOL installed;
                Recording recording = RecordInstall(work.Path(), destination, &installed);
                std::cout << "[ RECORD   ] " << fault.name << ": Setup API says " << installed
                          << Joined(recording.trace) << std::endl;
                EXPECT_TRUE(AnsweredWithSkip(recording, fault.notification))
                    << "expected " << NotificationName(fault.notification) << " answered with skip ("
                    << FILEOP_SKIP << ") among:" << Joined(recording.trace);
                EXPECT_FALSE(QueueCompleted(&recording.watch))
                    << "expected the watch to see a file given up in:" << Joined(recording.trace);
            } else {
                SetLastError(0xdeadbeef);
                EXPECT_EQ(0, RunInfSection(work.Path().c_str(), destination.c_str(), "DefaultInstall"))
                    << "expected the section reported as failed, error " << GetLastError();
                // Not started: setup.ini keeps the entries grpconv would have consumed.
                EXPECT_FALSE(SetupIniGoneWithin(kGrpconvWaitMs));
                EXPECT_NE(std::string::npos, ReadWholeFile(WindowsFile("setup.ini")).find("group42=Velmora"))
                    << "expected setup.ini left unconsumed, grpconv not started";
            }
            if (fault.destination)
                RemoveInstalledFiles(destination);
            ForgetInstallation();
        }
    }
}

// The control: a whole working folder into a healthy folder brings no error, every
// file arrives and grpconv runs. Without it the cases above could pass on a watch
// that reports every section as incomplete.
TEST_F(QueueNotifications, AWholeSectionBringsNoErrorAndStartsGrpconv)
{
    ScratchFolder work, destination;
    LayOutWorkFolder(work.Path());
    BOOL installed;
    Recording recording = RecordInstall(work.Path(), destination.Path(), &installed);
    EXPECT_TRUE(installed) << GetLastError();
    EXPECT_FALSE(AnsweredWithSkip(recording, SPFILENOTIFY_COPYERROR) ||
                 AnsweredWithSkip(recording, SPFILENOTIFY_NEEDMEDIA))
        << Joined(recording.trace);
    EXPECT_TRUE(QueueCompleted(&recording.watch)) << Joined(recording.trace);
    ExpectInstalledFiles(destination.Path());
    ForgetInstallation();

    ScratchFolder again;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(1, RunInfSection(work.Path().c_str(), again.Path().c_str(), "DefaultInstall")) << GetLastError();
    ExpectInstalledFiles(again.Path());
    EXPECT_TRUE(SetupIniGoneWithin(kGrpconvWaitMs))
        << "expected grpconv started and setup.ini consumed within " << kGrpconvWaitMs << " ms";
}

// The damaged-bytes case is a limit of Wine's cabinet reader, not of the watch: it
// checks no block checksum, so the queue reports nothing and the damage is installed.
TEST_F(QueueNotifications, DamagedCompressedBytesPassUnnoticedUnderWine)
{
    ScratchFolder work, destination;
    LayOutWorkFolder(work.Path());
    std::string cabinet = ReadWholeFile(work / "data.cab");
    for (size_t offset = cabinet.size() / 2; offset < cabinet.size() / 2 + 64; ++offset)
        cabinet[offset] = static_cast<char>(cabinet[offset] ^ 0xA5);
    WriteWholeFile(work / "data.cab", cabinet);
    BOOL installed;
    Recording recording = RecordInstall(work.Path(), destination.Path(), &installed);
    std::cout << "[ RECORD   ] damaged bytes: Setup API says " << installed << Joined(recording.trace) << std::endl;
    EXPECT_TRUE(QueueCompleted(&recording.watch))
        << "Wine now notices damaged cabinet data: move this row to the faults above;" << Joined(recording.trace);
    int differing = 0;
    for (const char* name : {"velmora.exe", "readme.txt", "license.txt"})
        differing += ReadWholeFile(destination / name) != ReadWholeFile(ArtefactPath("VELMORA_APP_FILES") + "\\" + name);
    EXPECT_LT(0, differing) << "expected the damage to reach an installed file";
}
