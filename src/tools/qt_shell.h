// The Qt shell: starts the program's batch files in console windows, knows
// which of them still run and stops them on request, and opens documents and
// web addresses with the user's applications.
#pragma once

#include "platform/services.h"

#include <QPointer>

#include <string>
#include <vector>

namespace tw {

class ConsoleWindow;

class QtShell : public Shell {
public:
    QtShell(std::string programDir, Messages& messages)
        : programDir_(std::move(programDir)), messages_(messages) {}
    void runBatch(const std::string& batchName, const std::string& folder,
                  std::function<void(bool)> onFinished = {}) override;
    std::function<void()> startBatch(const std::string& batchName, const std::string& folder,
                                     std::function<void(bool)> onFinished) override;
    std::function<void()> startBatchRun(const std::string& batchName, const std::string& folder,
                                        std::function<void(BatchEnd)> onEnded) override;
    bool batchesRunning() const override;
    void stopBatches() override;
    void openDocument(const std::string& fileName, const std::string& folder) override;
    void openUrl(const std::string& url) override;

    // Where the journals of running batches lie: ProgramDir + "temp".
    std::string journalFolder() const;

private:
    std::string programDir_;
    Messages& messages_;
    std::vector<QPointer<ConsoleWindow>> consoles_;
};

} // namespace tw
