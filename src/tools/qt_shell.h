// The Qt shell: starts the program's batch files in console windows and
// opens documents and web addresses with the user's applications.
#pragma once

#include "platform/services.h"

#include <string>

namespace tw {

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
