// The Qt implementations of the outside-world interfaces.
#pragma once

#include "platform/services.h"

#include <QString>

class QWidget;

namespace tw {

// Turns a filter of the form "Description|pattern|..." into Qt's
// "Description (pattern);;..." form.
QString qtFilter(const std::string& filter);

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    std::optional<std::string> choose(const FileDialogRequest& request) override;

private:
    QWidget* owner_;
};

class QtMessages : public Messages {
public:
    explicit QtMessages(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    void error(const std::string& text) override;
    void info(const std::string& text) override;

private:
    QWidget* owner_;
};

class QtShell : public Shell {
public:
    QtShell(std::string programDir, Messages& messages)
        : programDir_(std::move(programDir)), messages_(messages) {}
    void runBatch(const std::string& batchName, const std::string& folder,
                  std::function<void(bool)> onFinished = {}) override;
    void openDocument(const std::string& fileName, const std::string& folder) override;
    void openUrl(const std::string& url) override;

private:
    std::string programDir_;
    Messages& messages_;
};

} // namespace tw
