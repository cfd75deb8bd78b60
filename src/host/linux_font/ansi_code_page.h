// The 8-bit ANSI code page of the outline conversion (Windows-1252): the
// character codes 0..255 as Unicode, for the font's character map.
#pragma once

// Codes 0x80..0x9F are the typographic extras of Windows-1252; the five it
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control points
// of the same number, as the Windows conversion maps them. Codes above 255 are
// taken as Unicode already.
char32_t AnsiToUnicode(unsigned code);
