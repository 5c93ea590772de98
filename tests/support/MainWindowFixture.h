// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "tests/support/ScriptedDialogs.h"
#include "ui/FolderListView.h"
#include "ui/ResultModel.h"
#include "ui/Unit1.h"
#include "ui/WindowScanHost.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
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
    // Waits without the event loop, so that nothing reaches the list, until
    // the scan's rows pile up on their way to it.
    void waitForRowsInTransit(int count)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (form->scanHost().rowsInTransit() < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // Runs a command and lets the window work until the action it started is over.
    void run(const std::function<void()> &command)
    {
        command();
        ASSERT_TRUE(WaitUntil([&] { return !form->deletionRunning(); }));
    }
    // Rows of one group, as a scan would list them, each of `size` bytes.
    void listRows(const std::vector<std::string> &paths, std::int64_t size = 0)
    {
        std::vector<ResultRow> rows(paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i) {
            rows[i].path = paths[i];
            rows[i].group = 1;
            rows[i].identity.size = size;
        }
        results().appendRows(rows);
    }
    int rowOf(const std::string &path)
    {
        for (int i = 0; i < results().rowCount(); ++i)
            if (results().row(i).path == path)
                return i;
        ADD_FAILURE() << "no row for " << path;
        return -1;
    }
    // Selects the rows of these files in the result list, and only them.
    void select(const std::vector<std::string> &paths)
    {
        auto *selection = child<QTableView>("ListView2")->selectionModel();
        selection->clearSelection();
        for (const std::string &path : paths)
            selection->select(results().index(rowOf(path), 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
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
