// What the pages ask of the outside world: file dialogs, message boxes and the
// shell. The program uses the Qt implementations; tests inject scripted ones.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tw {

struct FileDialogRequest {
    enum class Kind { Open, Save, Picture };
    Kind kind = Kind::Open;
    std::string name;          // the dialog's control name, e.g. "o1"
    std::string filter;        // "Description|pattern[|Description|pattern...]"
    std::string proposedName;  // file name offered in a save dialog
    // Where the dialog opens while the user has chosen nothing in it yet
    // (the sample level's folder for a map); empty: the user's home. Later
    // it opens in the folder of the last choice made in it.
    std::string firstFolder{};
    // A file chosen in advance, or a folder ending in '/': where the dialog
    // opens this time, before the first folder and the last choice.
    std::string preselected{};
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
    // A question with one button per answer; the index of the answer given.
    // Escape or closing the box gives the last answer, so that one should
    // change nothing. Without a way to ask, the last answer is taken.
    virtual int ask(const std::string& text, const std::vector<std::string>& answers) {
        (void)text;
        return static_cast<int>(answers.size()) - 1;
    }
    // The same with answers[defaultAnswer] as the button Enter presses
    // (for ask, the first): a question whose first answer risks something.
    virtual int askWithDefault(const std::string& text, const std::vector<std::string>& answers, size_t defaultAnswer) {
        (void)defaultAnswer;
        return ask(text, answers);
    }
};

class Shell {
public:
    virtual ~Shell() = default;
    // Starts a batch file the program wrote, with `folder` as its working
    // folder; returns at once. `onFinished`, when given, is called on the GUI
    // thread with the run's success once it has ended.
    virtual void runBatch(const std::string& batchName, const std::string& folder,
                          std::function<void(bool)> onFinished = {}) = 0;
    // As runBatch, and returns what stops this one run (its onFinished is
    // then called with false); empty where a run cannot be stopped.
    virtual std::function<void()> startBatch(const std::string& batchName, const std::string& folder,
                                             std::function<void(bool)> onFinished) {
        runBatch(batchName, folder, std::move(onFinished));
        return {};
    }
    // How a started run ended: a run stopped in its console, or through
    // what startBatch returned, counts as stopped, not as failed.
    enum class BatchEnd { Succeeded, Failed, Stopped };
    // As startBatch, telling a stopped run from a failed one.
    virtual std::function<void()> startBatchRun(const std::string& batchName, const std::string& folder,
                                                std::function<void(BatchEnd)> onEnded) {
        return startBatch(batchName, folder, [onEnded = std::move(onEnded)](bool ok) {
            onEnded(ok ? BatchEnd::Succeeded : BatchEnd::Failed);
        });
    }
    // Whether any batch started here is still running.
    virtual bool batchesRunning() const { return false; }
    // Stops every batch that is still running.
    virtual void stopBatches() {}
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

    // The sample levels beside the program: where map choices start.
    std::string sampleFolder() const { return programDir + "samples"; }
};

// Runs one handler: a failure never reaches Qt; its text is shown in the error
// box with the final period added by the period rule.
void guarded(Messages& messages, const std::function<void()>& handler);

} // namespace tw
