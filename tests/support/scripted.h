// Scripted stand-ins for the outside world: dialogs answer from a queue,
// message boxes and shell requests are recorded.
#pragma once

#include "platform/services.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tw::test {

class ScriptedDialogs : public Dialogs {
public:
    // Queue the next answer; nothing means "cancelled".
    void answer(std::optional<std::string> path) { answers.push_back(std::move(path)); }
    std::optional<std::string> choose(const FileDialogRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        auto next = answers.front();
        answers.pop_front();
        return next;
    }
    std::deque<std::optional<std::string>> answers;
    std::vector<FileDialogRequest> requests;
};

class RecordingMessages : public Messages {
public:
    void error(const std::string& text) override { errors.push_back(text); }
    void info(const std::string& text) override { infos.push_back(text); }
    // Answers from a queue; nothing queued means the last answer (cancel).
    int ask(const std::string& text, const std::vector<std::string>& answers) override {
        questions.push_back(text);
        if (whileAsking) whileAsking();  // what happens while the question is open
        if (this->answers.empty()) return static_cast<int>(answers.size()) - 1;
        const int next = this->answers.front();
        this->answers.pop_front();
        return next;
    }
    // Records the question's default answer (defaults[i] for questions[i]).
    int askWithDefault(const std::string& text, const std::vector<std::string>& answers, size_t defaultAnswer) override {
        defaults.resize(questions.size());
        defaults.push_back(defaultAnswer);
        return ask(text, answers);
    }
    std::vector<std::string> errors;
    std::vector<std::string> infos;
    std::vector<std::string> questions;
    std::vector<size_t> defaults;  // filled up to the last question asked with a default
    std::deque<int> answers;
    std::function<void()> whileAsking;
};

class RecordingShell : public Shell {
public:
    struct Batch {
        std::string name;
        std::string folder;
    };
    void runBatch(const std::string& batchName, const std::string& folder,
                  std::function<void(bool)> onFinished = {}) override {
        if (onStart) onStart();
        batches.push_back({batchName, folder});
        ended.push_back(false);
        // A batch ends once: by the test (finishers[i]) or by stopBatches.
        finishers.push_back([this, i = ended.size() - 1, onFinished = std::move(onFinished)](bool ok) {
            if (ended[i]) return;
            ended[i] = true;
            if (onFinished) onFinished(ok);
        });
    }
    std::function<void()> startBatch(const std::string& batchName, const std::string& folder,
                                     std::function<void(bool)> onFinished) override {
        runBatch(batchName, folder, std::move(onFinished));
        return [this, i = finishers.size() - 1] {
            ++stopped;
            finishers[i](false);
        };
    }
    bool batchesRunning() const override {
        return std::find(ended.begin(), ended.end(), false) != ended.end();
    }
    void stopBatches() override {
        for (size_t i = 0; i < finishers.size(); ++i)
            if (!ended[i]) {
                ++stopped;
                finishers[i](false);
            }
    }
    void openDocument(const std::string& fileName, const std::string& folder) override {
        documents.push_back(folder + fileName);
    }
    void openUrl(const std::string& url) override { urls.push_back(url); }

    std::function<void()> onStart;  // called as each batch starts, before it runs
    std::vector<Batch> batches;
    std::vector<std::function<void(bool)>> finishers;
    std::vector<bool> ended;
    int stopped = 0;
    std::vector<std::string> documents;
    std::vector<std::string> urls;
};

// A services bundle over the scripted parts, for one test.
struct ScriptedServices {
    explicit ScriptedServices(std::string programDir)
        : services{std::move(programDir), dialogs, messages, shell} {}
    ScriptedDialogs dialogs;
    RecordingMessages messages;
    RecordingShell shell;
    Services services;
};

} // namespace tw::test
