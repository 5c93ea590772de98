// Program start: the main window first, so it is the application's main
// window, then the filter dialogs, then the message loop until it closes.
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
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

    // The filter dialogs: created once, hidden, and kept for the whole run.
    auto *form2 = new TForm2(dialogs, &form1);
    form2->setFilterEdit(form1.filterEdit());
    new TForm3(*form2); // the editor attaches itself to the list
    form1.setFilterDialog(form2);

    form1.show();
    return app.exec();
}
