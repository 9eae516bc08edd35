#include "tests/support/planted.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/environment.h"
#include "tests/support/scratch.h"

void PlantProgram(const std::string& path)
{
    const std::string program = ArtefactPath("VELMORA_PLANTED_PROGRAM");
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(CopyFileA(program.c_str(), path.c_str(), FALSE))
        << "cannot plant " << program << " as " << path << ": " << GetLastError();
}

std::string PlantedRuns(const std::string& path)
{
    return FileExists(path + ".ran") ? ReadWholeFile(path + ".ran") : "";
}

void RemovePlanted(const std::string& path)
{
    DeleteFileA(path.c_str());
    DeleteFileA((path + ".ran").c_str());
}
