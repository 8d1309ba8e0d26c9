// The Qt implementations of the file dialogs and message boxes.
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
    int ask(const std::string& text, const std::vector<std::string>& answers) override;

private:
    QWidget* owner_;
};

} // namespace tw
