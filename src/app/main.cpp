#include "app/main_window.h"
#include "app/splash_window.h"
#include "packing/merged_folder.h"
#include "platform/qt_services.h"
#include "tools/qt_shell.h"
#include "tools/run_footprint.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    tw::setUpApplication();
    QApplication::setQuitOnLastWindowClosed(false);

    const std::string programDir =
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString() +
        static_cast<char>(QDir::separator().toLatin1());
    tw::QtMessages messages;
    std::string refusal;
    const auto lock = tw::lockProgramFolder(programDir, refusal);
    if (!lock) {
        std::fprintf(stderr, "%s\n", refusal.c_str());
        messages.info(refusal);
        return 1;
    }
    // Journals left by batches that were killed with an earlier run: their
    // temporary files and scratch copies go.
    tw::tools::cleanUpKilledRuns(programDir + "temp", programDir);
    // A network unpack killed with an earlier run left the merged folder it
    // replaces set aside: it comes back.
    tw::packing::restoreMergedFolders(programDir + "Network/bf1942/levels/");
    tw::QtDialogs dialogs;
    tw::QtShell shell(programDir, messages);
    tw::Services services{programDir, dialogs, messages, shell};

    tw::TForm1 form(services);
    tw::TForm2 splash;
    messages.setOwner(&form);
    dialogs.setOwner(&form);
    form.setSplash(&splash);
    QObject::connect(&form, &tw::TForm1::closed, &app, &QApplication::quit);
    form.show();
    return app.exec();
}
