// The saved record of one conversion: what must survive leaving the wizard
// (the game runs between the first packing and the pathmap transfer) and
// what lets a later sitting go round again (play, mend, repack). It lives in
// its add-on folder as one small versioned text file, written atomically
// after every step.
#pragma once

#include "areas/area_set.h"
#include "platform/text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw::state {

// The record's file name inside the add-on folder.
inline constexpr const char* kRecordFileName = "tarnwick-conversion.txt";
// The version this program writes; it reads this one and older ones.
inline constexpr int kRecordVersion = 2;

// The steps of a conversion, in the wizard's order.
enum class Step {
    MapAnalysed,          // the map is chosen and "OK" has read it
    AddonMade,            // "Start" has made the add-on folder and its scripts
    AreasWritten,         // the neighbour step has written StrategicAreas.con
    GameFolderConfirmed,  // the game folder is confirmed
    FirstPacked,          // the first packing has put the archive at its target
    PathmapsTransferred,  // the game's pathmaps are in the add-on
    Packed,               // the add-on was packed again and copied to its target
};
inline constexpr int kStepCount = 7;

// The step's name in the file ("map-analysed", ...) and the words shown in
// the list of conversions ("map chosen", ...).
const char* stepKey(Step step);
const char* stepWords(Step step);

// One script Tarnwick wrote into the add-on, as it wrote it.
struct ScriptSum {
    std::string entry;     // relative to the add-on folder, as the script list names it
    std::string checksum;  // checksumOf(the bytes written)
    bool operator==(const ScriptSum&) const = default;
};

struct ConversionRecord {
    // The map.
    std::string mapSource;      // the chosen archive, or the chosen folder's init.con
    bool mapIsArchive = true;
    std::string mapName;        // without extension
    int32_t worldSize = 0;      // 1024, 2048 or 4096
    std::string mapFolder;      // the map's own level folder, ending in its separator
    bool ships = false;         // "I'm also using Ships" at "Start"
    bool landingCrafts = false; // "... Landingcrafts" at "Start"

    // Steps done, and the last one with its date (UTC, "2026-12-08 21:05").
    std::vector<Step> done;
    std::optional<Step> lastStep;
    std::string savedAt;

    // Packing.
    std::string gamePath;           // the game folder, ending in its separator
    std::string packTarget;         // the first packing's target, without ".rfa"
    std::vector<std::string> pathmaps;  // the pathmap files listed at the transfer
    std::vector<std::string> notCopied; // the pathmaps the last transfer could not copy

    // Every script written by Tarnwick, with the checksum of what it wrote.
    std::vector<ScriptSum> scripts;

    // The strategic areas drawn so far: one line each, with the neighbour
    // step, the map picture and the proposed neighbours.
    areas::AreaSet areas;

    bool has(Step step) const;
    // Marks a step done and makes it the last step.
    void mark(Step step, std::string date);
    // The checksum recorded for a script (letter case of the entry aside).
    std::optional<std::string> checksumFor(std::string_view entry) const;
    void setChecksum(std::string_view entry, std::string checksum);

    bool operator==(const ConversionRecord&) const = default;
};

// A checksum of a file's bytes: its length and a 64-bit FNV-1a hash in hex.
std::string checksumOf(std::string_view bytes);

// The record as file text (UTF-8, LF line ends); a value with a line end in
// it cannot be kept and raises an error naming it.
std::string serialiseRecord(const ConversionRecord& record);

struct ParsedRecord {
    enum class Kind { Ok, Newer, Damaged } kind = Kind::Damaged;
    ConversionRecord record;  // when Ok
    int version = 0;          // when Newer: the file's version
    std::string problem;      // when Damaged: the first line that does not read and why ("line 7: ...")
};
// Reads this version and older ones (version 1 kept the areas as the text
// of the older work file).
ParsedRecord parseRecord(std::string_view text);

// The record file of an add-on folder (which ends in its separator).
std::string recordFile(const std::string& addonDir);

// Loading the record of an add-on folder.
struct LoadedRecord {
    enum class Kind {
        Missing,   // no record: a conversion not begun with this version
        Ok,
        Newer,     // written by a newer Tarnwick: left as it is, not used
        SetAside,  // damaged, renamed to `aside`
        Unusable,  // damaged or unreadable, and could not be set aside: left as it is
    } kind = Kind::Missing;
    ConversionRecord record;
    std::string aside;    // SetAside: where the damaged file went
    std::string message;  // every kind but Missing and Ok: what happened and what to do
    // Ok: what loading chose for paths of a moved program folder, and which
    // of the record's paths no longer exist, with what to choose again;
    // empty when there is nothing to say.
    std::string notes;
};
// Paths inside the program folder the add-on lies in are stored relative to
// it and come back whole, so that the program folder may move. A path of an
// older record that lay inside the former program folder and is gone is
// taken from the program folder's new place when it is there.
LoadedRecord loadRecord(const std::string& addonDir);

// Writes the record atomically into the add-on folder, stamping nothing:
// the caller marks the step (and its date) first. Raises the file-create
// text on failure.
void saveRecord(const std::string& addonDir, const ConversionRecord& record);

// The program folder of an add-on folder (ProgramDir + "bf1942\levels\" +
// name + separator), or "" when the folder does not lie so.
std::string programDirOf(const std::string& addonDir);
// Whether a path is absolute on Windows or here ("\\", "/", "C:").
bool isAbsolutePath(std::string_view path);
// A path as a record keeps it: relative to `programDir` when inside it.
std::string storedPath(const std::string& path, const std::string& programDir);
// A kept path made whole: a relative one is taken from `programDir`.
std::string loadedPath(const std::string& stored, const std::string& programDir);
// The program folder a path of the conversion of `mapName` lay in: the part
// before "bf1942\levels\<map>\" (or "<map>_001\"), or before the samples'
// "samples\<map>\" or "samples\<map>.rfa"; "" when it holds none.
std::string formerProgramDir(const std::string& path, const std::string& mapName);
// A path inside `formerDir` that is gone, taken from `programDir` instead
// when it is there; "" otherwise.
std::string movedPath(const std::string& path, const std::string& formerDir, const std::string& programDir);

// The conversions of a program folder: every folder below
// ProgramDir + "bf1942/levels/" holding a record, newest first. Records that
// cannot be used are listed with their message, so the user learns of them.
struct ListedConversion {
    std::string addonDir;  // ends in the program folder's separator
    std::string addonName; // the folder's name, e.g. "MyMap_001"
    LoadedRecord loaded;
};
std::vector<ListedConversion> listConversions(const std::string& programDir);

// Today's date and time as records keep it (UTC).
std::string nowStamp();

} // namespace tw::state
