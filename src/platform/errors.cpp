#include "platform/errors.h"

#include "platform/text.h"

#include <cstdint>
#include <cstring>

namespace tw {
namespace msg {

std::string fileOpen(const std::string& path, const std::string& reason) {
    return "Datei " + path + " kann nicht ge\xC3\xB6" "ffnet werden. " + reason;
}

std::string fileCreate(const std::string& path, const std::string& reason) {
    return "Datei \"" + path + "\" kann nicht erstellt werden. " + reason;
}

std::string ioError(int windowsCode) {
    switch (windowsCode) {
    case wincode::FileNotFound: return "Datei nicht gefunden";
    case wincode::PathNotFound: return "Ung\xC3\xBCltiger Dateiname";
    case wincode::AccessDenied: return "Dateizugriff verweigert";
    default: return "E/A-Fehler " + std::to_string(windowsCode);
    }
}

std::string invalidInteger(const std::string& text) {
    return "'" + text + "' ist kein g\xC3\xBCltiger Integerwert";
}

std::string listIndex(int index) {
    return "Listenindex \xC3\xBC" "berschreitet das Maximum (" + std::to_string(index) + ")";
}

std::string unknownPictureExtension(const std::string& extension) {
    return "Unbekannte Bilddateierweiterung (." + extension + ")";
}

std::string invalidBitmap() { return "Bitmap ist ung\xC3\xBCltig"; }

std::string invalidIcon() { return "Symbol ist ung\xC3\xBCltig"; }

std::string systemReason(int windowsCode) {
    switch (windowsCode) {
    case wincode::FileNotFound: return "Das System kann die angegebene Datei nicht finden";
    case wincode::PathNotFound: return "Das System kann den angegebenen Pfad nicht finden";
    case wincode::AccessDenied: return "Zugriff verweigert";
    case wincode::SharingViolation:
        return "Der Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen "
               "Prozess verwendet wird";
    case wincode::DiskFull: return "Auf dem Datentr\xC3\xA4ger ist nicht genug Speicherplatz vorhanden";
    case wincode::InvalidName:
        return "Die Syntax f\xC3\xBCr den Dateinamen, Verzeichnisnamen oder die "
               "Datentr\xC3\xA4gerbezeichnung ist falsch";
    case wincode::NotADirectory: return "Der Verzeichnisname ist ung\xC3\xBCltig";
    default: return "Systemfehler " + std::to_string(windowsCode);
    }
}

} // namespace msg

int parseIntegerField(const std::string& text, const std::string& field) {
    try {
        return parseInteger(text);
    } catch (const AppError& e) {
        throw AppError(withFinalPeriod(e.what()) + "\n" + field);
    }
}

int parseInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) throw AppError(msg::invalidInteger(text));
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else throw AppError(msg::invalidInteger(text));
        value = value * base + digit;
        const int64_t limit = base == 16 ? int64_t{0xFFFFFFFF} : (negative ? int64_t{0x80000000} : int64_t{0x7FFFFFFF});
        if (value > limit) throw AppError(msg::invalidInteger(text));
    }
    if (base == 16) return static_cast<int32_t>(static_cast<uint32_t>(value)) * (negative ? -1 : 1);
    return static_cast<int>(negative ? -value : value);
}

} // namespace tw
