#pragma once

// Paths and command lines are text in the system's ANSI code page, and are read here
// character by character. In a double-byte code page (Japanese 932, Chinese 936 and
// 950, Korean 949) a lead byte and the byte after it form one character, and that
// second byte may have the value of a backslash, a bar or another ASCII sign ("ソ" is
// 0x83 0x5C in code page 932). So a sign only counts where a character begins. In a
// single-byte code page every byte is a character and nothing changes.

// The bytes of the character that text points at: 0 at the terminator, 2 for a lead
// byte followed by another byte, else 1 (also for a lead byte right before the
// terminator, which is half a character: see IsHalfAnsiChar).
int AnsiCharSize(const char* text);

// 1 when text points at a lead byte that the terminator follows: the text was cut
// inside a character. The system drops such a byte when it turns the text into a
// name, so the name it uses would not be the one checked.
int IsHalfAnsiChar(const char* text);

// The last character of text that is the single-byte sign wanted, or NULL. The second
// byte of a double-byte character never counts.
const char* FindLastAnsiChar(const char* text, char wanted);
char* FindLastAnsiChar(char* text, char wanted);

// The first place where mark begins at a character of text, or NULL. The mark is
// compared byte for byte, case-sensitively.
const char* FindAnsiText(const char* text, const char* mark);

// The offset of the first character of text that begins at or after offset; the
// length of text when none does. Used to cut a text's end without splitting a
// character.
int AnsiCharStartFrom(const char* text, int offset);
