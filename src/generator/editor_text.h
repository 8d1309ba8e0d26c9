// The script editor's text and the file's bytes: the editor holds the text
// with its line breaks; the file has CR LF, and a last line without a line
// break stays without one.
#pragma once

#include <string>
#include <string_view>

namespace tw::generator {

// File bytes (Windows-1252; CR LF, LF or CR line breaks) to editor text
// (UTF-8, '\n' line breaks).
std::string editorText(std::string_view fileBytes);

// Editor text back to file bytes, every line break CR LF.
std::string fileBytes(std::string_view editorText);

} // namespace tw::generator
