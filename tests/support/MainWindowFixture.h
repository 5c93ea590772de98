// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "tests/support/ScriptedDialogs.h"
#include "ui/FolderListView.h"
#include "ui/ResultModel.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// The real main window with scripted dialogs, driven through its controls.
// Fixtures that need an environment first create `form` in their own SetUp.
class MainWindowFixture : public ::testing::Test
{
protected:
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> form;
    std::vector<QUrl> opened;   // what the window asked the desktop to open
    bool desktopCanOpen = true; // the desktop's answer

    void SetUp() override { form = std::make_unique<TForm1>(dialogs); }
    // The window goes before anything the fixture set up for it.
    void TearDown() override { form.reset(); }
    // Addresses go to `opened` instead of a browser or file manager.
    void recordOpenedUrls()
    {
        form->setUrlOpener([this](const QUrl &address) {
            opened.push_back(address);
            return desktopCanOpen;
        });
    }

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
    FolderListView *folders() { return child<FolderListView>("ListView1"); }

    // Adds a folder with the Add button and the scripted picker.
    void addFolder(const std::string &path)
    {
        dialogs.foldersToPick.push_back(QByteArray::fromStdString(path));
        click("PNGButton13");
    }
    // Presses Scan Now and lets the window run until the job has ended.
    void scanToEnd()
    {
        click("PNGButton10");
        ASSERT_TRUE(WaitUntil([&] { return !form->scanRunning(); }));
    }
    std::vector<std::string> rowPaths()
    {
        std::vector<std::string> paths;
        for (int i = 0; i < results().rowCount(); ++i)
            paths.push_back(results().row(i).path);
        return paths;
    }
    std::vector<bool> marks()
    {
        std::vector<bool> checked;
        for (int i = 0; i < results().rowCount(); ++i)
            checked.push_back(results().isChecked(i));
        return checked;
    }
    // The texts of the message boxes shown under one caption.
    std::vector<QString> boxTexts(const QString &caption) const
    {
        std::vector<QString> texts;
        for (const auto &box : dialogs.boxes)
            if (box.caption == caption)
                texts.push_back(box.text);
        return texts;
    }
    std::vector<QString> summaries() const { return boxTexts("Congratulation!"); }
};
