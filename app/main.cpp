// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Program start: the main window first, so it is the application's main
// window, then the filter dialogs, then the message loop until it closes.
#include "platform/OpenFileLimit.h"
#include "platform/ProcessShutdown.h"
#include "ui/ApplicationIdentity.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"
#include "ui/UserDialogs.h"

#include <QApplication>

#include <chrono>

namespace
{
// How long a scan or a deletion told to end at closing may take before the
// process ends without it; together with the rest of the exit, well under a second.
constexpr std::chrono::milliseconds kScanEndBound{500};
} // namespace

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
    const int exitCode = app.exec();
    EndProcessUnlessFinished([&form1] { return form1.scanThreadEnded() && form1.deletionThreadsEnded(); },
                             kScanEndBound, exitCode);
    return exitCode;
}
