// What the pages ask of the outside world: file dialogs, message boxes and the
// shell. The program uses the Qt implementations; tests inject scripted ones.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tw {

struct FileDialogRequest {
    enum class Kind { Open, Save, Picture };
    Kind kind = Kind::Open;
    std::string name;          // the dialog's control name, e.g. "o1"
    std::string filter;        // "Description|pattern[|Description|pattern...]"
    std::string proposedName;  // file name offered in a save dialog
    std::string preselected{};  // a file chosen in advance, or a folder ending in '/': where the dialog opens
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The chosen file's full path, or nothing when the user cancels.
    virtual std::optional<std::string> choose(const FileDialogRequest& request) = 0;
};

class Messages {
public:
    virtual ~Messages() = default;
    // Error box: application title, error icon, one OK button. The text is
    // shown as given (the caller adds the final period).
    virtual void error(const std::string& text) = 0;
    // Plain box with one OK button ("Done", "Enter a valid name", ...).
    virtual void info(const std::string& text) = 0;
};

class Shell {
public:
    virtual ~Shell() = default;
    // Starts a batch file the program wrote, with `folder` as its working
    // folder; returns at once. `onFinished`, when given, is called on the GUI
    // thread with the run's success once it has ended.
    virtual void runBatch(const std::string& batchName, const std::string& folder,
                          std::function<void(bool)> onFinished = {}) = 0;
    // Opens a document with the user's application for its type.
    virtual void openDocument(const std::string& fileName, const std::string& folder) = 0;
    // Opens a web address in the user's browser.
    virtual void openUrl(const std::string& url) = 0;
};

// Everything a page needs from its surroundings.
struct Services {
    std::string programDir;  // ends with its separator
    Dialogs& dialogs;
    Messages& messages;
    Shell& shell;
};

// Runs one handler: a failure never reaches Qt; its text is shown in the error
// box with the final period added by the period rule.
void guarded(Messages& messages, const std::function<void()>& handler);

} // namespace tw
