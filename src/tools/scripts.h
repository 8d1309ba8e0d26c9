// The batch files that drive the archive tools: their line forms and the
// whole scripts the wizard writes. Paths are joined with the separator that
// ends ProgramDir.
#pragma once

#include "platform/services.h"
#include "platform/text.h"

#include <string>

namespace tw::scripts {

// Names that a batch line cannot carry are refused before any script is
// written: every script below raises an error naming the text and the
// character when one of its paths or names holds a double quote, a percent
// sign (the command interpreter expands it even between quotes) or a control
// character, or when a name that stands unquoted in its line (the archive of
// an unpack line, the folder and level of a pack line) holds a blank or one
// of & | < > ^.
void checkQuoted(const std::string& script, const std::string& text);
void checkUnquoted(const std::string& script, const std::string& text);

// copy "from" "to"
std::string copyLine(const std::string& from, const std::string& to);
// rfaunpack.exe NAME
std::string unpackLine(const std::string& archiveName);
// rfaPack.exe bf1942\levels\FOLDER bf1942/levels/LEVEL "ARCHIVE"; `folder`
// is taken as given, so a caller may end it with a blank.
std::string packLine(char separator, const std::string& folder, const std::string& level,
                     const std::string& archiveFile);
// del "path"
std::string deleteLine(const std::string& path);

// unpack.bat of the map selection: copy the archive beside the program,
// unpack it there, delete the copy (each line ends with CR LF; the unpack
// line ends with a blank). An archive that already lies in ProgramDir is
// unpacked where it is: no copy onto itself, no deletion of the user's file.
Lines mapUnpackScript(const std::string& programDir, const std::string& archivePath, bool archiveInProgramDir);

// pack.bat of the first packing: pack the add-on folder, copy the archive to
// the chosen place (no line end after the second line).
Lines addonPackScript(const std::string& programDir, const std::string& mapName, const std::string& packTarget);
// The file-name part of the chosen target: after the last '\', '/' or ':'.
std::string packName(const std::string& packTarget);

// Network\unpack.bat and Network\pack.bat of the network merge.
Lines networkUnpackScript(const std::string& programDir, const std::string& mapArchive, const std::string& mapName,
                          const std::string& addonArchive, const std::string& addonName);
Lines networkPackScript(const std::string& programDir, const std::string& mapArchive, const std::string& mapName);

// Saves a script, replacing an older one, and starts it in its folder through
// the shell; returns at once.
void saveScript(const std::string& path, const Lines& lines, bool finalLineEnd);
void startScript(Shell& shell, const std::string& folder, const std::string& name,
                 std::function<void(bool)> onFinished = {});

} // namespace tw::scripts
