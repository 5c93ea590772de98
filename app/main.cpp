// Program start: the main window first, so it is the application's main
// window, then the filter dialogs, then the message loop until it closes.
#include "ApplicationIdentity.h"
#include "OpenFileLimit.h"
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "UserDialogs.h"

#include <QApplication>

int main(int argc, char **argv)
{
    RaiseOpenFileLimit(); // before any thread starts, so every one sees it
    QApplication app(argc, argv);
    SetUpApplicationIdentity();

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
