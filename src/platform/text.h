// Text as the game and Windows keep it: Windows-1252 bytes, CR LF line ends.
// In memory every string is UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tw {

using Lines = std::vector<std::string>;

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, so
// every byte string survives decode + encode unchanged.
std::string decodeCp1252(std::string_view bytes);

// UTF-8 to Windows-1252 bytes. Characters the code page cannot hold, and
// malformed UTF-8, become '?', as the Windows ANSI conversion does.
std::string encodeCp1252(std::string_view utf8);

// Splits a text into lines at CR LF, LF or CR. A line end after the last line
// does not start another line; an empty text has no lines.
Lines splitLines(std::string_view text);

// Joins lines with CR LF. `finalLineEnd` decides whether the last line ends
// with CR LF too. An empty list always gives an empty text.
std::string joinLines(const Lines& lines, bool finalLineEnd);

// Letter-case-blind comparison of whole texts, nothing trimmed (ASCII and
// the Latin letters of Windows-1252).
bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string foldCase(std::string_view utf8);

// Appends the period the error box adds: only when the last character comes
// after '.' in character order (letters and digits do; ".", ")", "-", ","
// and a blank do not).
std::string withFinalPeriod(std::string message);

} // namespace tw
