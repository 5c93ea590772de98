#pragma once
#include "ResultModel.h"
#include "ScriptedDialogs.h"
#include "Unit1.h"

#include <QAction>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

// The real main window with scripted dialogs, driven through its controls.
// Fixtures create `form` themselves, once their environment is ready.
class MainWindowFixture : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> form;

    template <class T>
    T *child(const char *name)
    {
        T *found = form->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            ADD_FAILURE() << "no control " << name;
        return found;
    }
    // A real press and release of the left button in the middle of the control.
    void click(const char *name) { QTest::mouseClick(child<QWidget>(name), Qt::LeftButton); }
    void trigger(const char *name) { child<QAction>(name)->trigger(); }
    ResultModel &results() { return form->resultModel(); }
};
