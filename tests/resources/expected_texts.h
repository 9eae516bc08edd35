#pragma once
#include <windows.h>

#include <cstdlib>
#include <string>

#include "resources/resource.h"

// Every text of the catalogue as the user must read it, byte for byte in the
// ANSI code page 1252: "\n" is a single line feed, umlauts are single bytes.
struct CatalogueText {
    UINT id;
    const char* german;
    const char* english;
};

inline constexpr CatalogueText kCatalogue[] = {
    {IDS_CONFIRM_INSTALL,
        "Wollen Sie \"Karvenko's Velmora\nfor Win32\" wirklich installieren?",
        "Do you really want to install\n\"Karvenko's Velmora for Win32\"?"},
    {IDS_COPY_FAILED,
        "Das Kopieren der Installationsdateien ist fehlgeschlagen!\nBitte pr\xfc" "fen Sie, ob in Ihrem \"temp\" Verzeichnis\nnoch gen\xfcgend Platz ist.",
        "The installation files cannot be copied.\nPlease check if there is enough diskspace\nin your 'temp' directory."},
    {IDS_INSTALL_FAILED,
        "Die Installation ist fehlgeschlagen!\nBitte pr\xfc" "fen Sie, ob in Ihrem \"Programme\" Verzeichnis noch gen\xfcgend Platz ist.",
        "The installation failed.\nPlease check if there is enough diskspace\nin your 'program' folder."},
    {IDS_INSTALL_DONE,
        "Die Installation \"Karvenko's Velmora\nfor Win32\" ist jetzt abgeschlossen.\nSie k\xf6nnen nun das Programm nun aus dem Startmen\xfc starten.",
        "The installation of \"Karvenko's Velmora\nfor Win32\" has been finished.\nNow start the program from the start menu."},
    {IDS_FOLDER_MISSING,
        "Das Verzeichnis:\n\n%s\n\nexistiert nicht. Wollen Sie das dieses Verzeichnis neu angelegt wird?",
        "The folder:\n\n%s\n\ndoes not exist. Do you want the folder to be created?"},
    {IDS_FOLDER_INVALID,
        "Das Verzeichnis:\n\n%s\n\nist nicht g\xfcltig. Bitte geben Sie ein anderes Verzeichnis ein.",
        "The folder:\n\n%s\n\nis invalid. Please reenter."},
    {IDS_FOLDER_NOT_CREATED,
        "Das Verzeichnis:\n\n%s\n\nkann nicht erzeugt werden. Bitte \xfc" "berpr\xfc" "fen Sie Ihre Eingabe.",
        "The folder:\n\n%s\n\ncan not be created. Please double check."},
    {IDS_SELECT_FOLDER,
        "W\xe4hlen Sie das Verzeichnis aus in dem Velmora installiert werden soll.",
        "Select the folder where Velmora should be installed."},
};

// The language this run of the tests expects, from VELMORA_LANGUAGE ("0407" or
// "0409"), which ctest sets beside the LANG that Wine takes the locale from.
inline LANGID ExpectedLanguage()
{
    char value[16] = "";
    if (!GetEnvironmentVariableA("VELMORA_LANGUAGE", value, sizeof value))
        return 0;
    return static_cast<LANGID>(strtoul(value, nullptr, 16));
}

inline const char* ExpectedText(const CatalogueText& text, LANGID language)
{
    return language == MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN) ? text.german : text.english;
}

inline const CatalogueText* FindCatalogueText(UINT id)
{
    for (const CatalogueText& text : kCatalogue)
        if (text.id == id)
            return &text;
    return nullptr;
}

// A format of the catalogue with its "%s" replaced by path.
inline std::string WithPath(const char* format, const std::string& path)
{
    std::string text = format;
    size_t at = text.find("%s");
    return at == std::string::npos ? text : text.replace(at, 2, path);
}
