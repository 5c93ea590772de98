// Program start: the main window first, so it is the application's main
// window, then the filter dialogs, then the message loop until it closes.
#include "Unit1.h"
#include "UserDialogs.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Varnok"));
    QCoreApplication::setApplicationName(QStringLiteral("Varnok"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.1"));
    // The desktop entry's name, so the taskbar matches the window to its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("varnok"));
    QIcon icon(QStringLiteral(":/pictures/app-icon-256.png"));
    icon.addFile(QStringLiteral(":/pictures/app-icon-48.png"));
    QApplication::setWindowIcon(icon);

    QtUserDialogs dialogs;
    TForm1 form1(dialogs);

    // The mask list and mask editor dialogs go here, created hidden and handed
    // to the main window with form1.setFilterDialog(...).

    form1.show();
    return app.exec();
}
