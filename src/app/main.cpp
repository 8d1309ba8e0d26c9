#include "app/main_window.h"
#include "app/splash_window.h"
#include "platform/qt_services.h"
#include "tools/qt_shell.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    tw::setUpApplication();
    QApplication::setQuitOnLastWindowClosed(false);

    const std::string programDir =
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString() +
        static_cast<char>(QDir::separator().toLatin1());
    tw::QtMessages messages;
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
