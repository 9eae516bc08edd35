#pragma once
#include <string>

// Names in the ANSI code page 932, each beside the UTF-16 text that the file system
// stores for it. Their second bytes are the backslash (0x5C) and the bar (0x7C) that
// a byte-wise reading takes for separators and refused signs.
#define JA_SO "\x83\x5C"                   // ソ
#define JA_HYO "\x95\x5C"                  // 表
#define JA_SOFTWARE JA_SO "\x83\x74\x83\x67"  // ソフト
#define JA_SOFTWARE_W L"\u30BD\u30D5\u30C8"
#define JA_ABILITIES JA_HYO "\x8E\xA6 \x94\x5C\x97\xCD"  // 表示 能力
#define JA_ABILITIES_W L"\u8868\u793A \u80FD\u529B"
#define JA_VELMORA_NEW "Velmora\x81\x7CNeu"  // Velmora－Neu
#define JA_VELMORA_NEW_W L"Velmora\uFF0DNeu"
#define JA_BU "\x83\x75"                   // ブ: its second byte is "u"

// A text of ASCII characters only, widened.
inline std::wstring WidenAscii(const std::string& text) { return std::wstring(text.begin(), text.end()); }
