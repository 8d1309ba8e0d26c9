// The Qt implementations of the file dialogs and message boxes.
#pragma once

#include "platform/services.h"

#include <QString>

#include <map>

class QWidget;

namespace tw {

// Turns a filter of the form "Description|pattern|..." into Qt's
// "Description (pattern);;..." form.
QString qtFilter(const std::string& filter);

// File dialogs that open where the user's files are: in the folder of the
// last choice made in the same dialog, else in the request's first folder,
// else in the user's home; never in the current folder.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    std::optional<std::string> choose(const FileDialogRequest& request) override;
    // The folder the dialog of `request` opens in now.
    QString startFolder(const FileDialogRequest& request) const;

private:
    QWidget* owner_;
    std::map<std::string, QString> lastFolders_;  // by dialog name
};

class QtMessages : public Messages {
public:
    explicit QtMessages(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    void error(const std::string& text) override;
    void info(const std::string& text) override;
    int ask(const std::string& text, const std::vector<std::string>& answers) override;
    int askWithDefault(const std::string& text, const std::vector<std::string>& answers, size_t defaultAnswer) override;

private:
    QWidget* owner_;
};

} // namespace tw
