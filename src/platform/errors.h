// Failures end the running handler with an AppError that carries the exact
// text the user sees. The framework's German texts live here and nowhere else.
#pragma once

#include <stdexcept>
#include <string>

namespace tw {

class AppError : public std::runtime_error {
public:
    explicit AppError(const std::string& message) : std::runtime_error(message) {}
};

namespace msg {

// "Datei %s kann nicht geöffnet werden. %s"
std::string fileOpen(const std::string& path, const std::string& reason);
// "Datei "%s" kann nicht erstellt werden. %s"
std::string fileCreate(const std::string& path, const std::string& reason);
// "E/A-Fehler %d", or the texts of the codes 2, 3 and 5.
std::string ioError(int windowsCode);
// "'%s' ist kein gültiger Integerwert"
std::string invalidInteger(const std::string& text);
// "Listenindex überschreitet das Maximum (%d)"
std::string listIndex(int index);

// The picture loader: "Unbekannte Bilddateierweiterung (.%s)", and its
// texts for damaged bitmaps and icons.
std::string unknownPictureExtension(const std::string& extension);
std::string invalidBitmap();
std::string invalidIcon();

// The system's reason for a failed file operation, in the words of the
// German system messages (codes as Windows numbers them).
std::string systemReason(int windowsCode);

} // namespace msg

// Windows error codes the texts above are keyed by.
namespace wincode {
constexpr int FileNotFound = 2;
constexpr int PathNotFound = 3;
constexpr int AccessDenied = 5;
constexpr int SharingViolation = 32;
constexpr int DiskFull = 112;
constexpr int InvalidName = 123;
constexpr int NotADirectory = 267;
} // namespace wincode

// Reads a typed text as a signed 32-bit whole number the way the framework
// does (optional blanks before, a sign, decimal digits or a '$' hex number);
// anything else raises the integer error naming the text.
int parseInteger(const std::string& text);
// parseInteger for a field the user types in: a text that is no integer
// raises the framework's message as its first line ("'abc' ist kein
// gültiger Integerwert."), then `field` (which field it is and what to
// type there) as a line of its own.
int parseIntegerField(const std::string& text, const std::string& field);

} // namespace tw
