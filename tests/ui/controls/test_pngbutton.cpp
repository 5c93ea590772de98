// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The image button's layout, mouse states, events and painting, driven
// through Qt's window-system input path on a real parent window.

#include "tests/ui/controls/MouseDriver.h"
#include "tests/ui/controls/PNGTestFiles.h"
#include "ui/controls/PNGButton.h"
#include "ui/controls/PNGButtonLayout.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

const QRgb White = qRgb(255, 255, 255);
const QRgb Red = qRgb(255, 0, 0);

TPNGObject SolidPicture(int side, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return TPNGObject(TPNGTestFiles::Solid(side, side, r, g, b, 255));
}

class PNGButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Host = std::make_unique<QWidget>();
        Host->resize(200, 150);
        QPalette palette = Host->palette();
        palette.setColor(QPalette::Window, Qt::white);
        Host->setPalette(palette);
        Host->setAutoFillBackground(true);
        Button = new TPNGButton(Host.get());
        Button->setGeometry(40, 30, 80, 60);
        Button->SetButtonStyle(pbsFlat);
        Button->SetImageNormal(SolidPicture(20, 255, 0, 0));
        Record();
        Host->show();
        QApplication::processEvents();
        Mouse = std::make_unique<TMouseDriver>(Host.get());
        Mouse->Move(Host.get(), Outside);
        Events.clear();
    }

    void Record()
    {
        auto note = [this](const char *what) { return [this, what](auto &&...) { Events.push_back(what); }; };
        QObject::connect(Button, &TPNGButton::mouseDown, note("down"));
        QObject::connect(Button, &TPNGButton::mouseUp, note("up"));
        QObject::connect(Button, &TPNGButton::clicked, note("click"));
        QObject::connect(Button, &TPNGButton::doubleClicked, note("double"));
        QObject::connect(Button, &TPNGButton::mouseEnter, note("enter"));
        QObject::connect(Button, &TPNGButton::mouseExit, note("exit"));
    }

    QImage Shot() const { return Host->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // Pixel of the shot in button coordinates.
    QRgb At(const QImage &shot, int x, int y) const { return shot.pixel(Button->x() + x, Button->y() + y); }

    const QPoint Outside{5, 5};
    const QPoint Inside{30, 30};
    std::unique_ptr<QWidget> Host;
    TPNGButton *Button = nullptr;
    std::unique_ptr<TMouseDriver> Mouse;
    std::vector<std::string> Events;
};

using Trace = std::vector<std::string>;

} // namespace

TEST_F(PNGButtonTest, HoverRightButtonAndClickInside)
{
    Mouse->Move(Button, Inside);
    EXPECT_TRUE(Button->MouseInside());
    Mouse->Press(Button, Inside, Qt::RightButton); // reported, but never pressed
    EXPECT_EQ(Button->ButtonState(), TPNGButtonState::Normal);
    Mouse->Release(Button, Inside, Qt::RightButton);
    Mouse->Press(Button, Inside);
    EXPECT_EQ(Button->ButtonState(), TPNGButtonState::Down);
    Mouse->Release(Button, Inside);
    EXPECT_EQ(Button->ButtonState(), TPNGButtonState::Normal);
    Mouse->Move(Host.get(), Outside);
    EXPECT_FALSE(Button->MouseInside());
    EXPECT_EQ(Events, (Trace{"enter", "down", "up", "down", "click", "up", "exit"}));
}

TEST_F(PNGButtonTest, DragOutAndBackWhileHeldThenReleaseOutside)
{
    Mouse->Move(Button, Inside);
    Mouse->Press(Button, Inside);
    Mouse->Move(Host.get(), Outside);
    EXPECT_FALSE(Button->MouseInside());
    EXPECT_EQ(Button->ButtonState(), TPNGButtonState::Down);
    Mouse->Move(Button, Inside);
    EXPECT_TRUE(Button->MouseInside());
    Mouse->Move(Host.get(), Outside);
    Mouse->Release(Host.get(), Outside);
    EXPECT_EQ(Button->ButtonState(), TPNGButtonState::Normal);
    EXPECT_FALSE(Button->MouseInside());
    EXPECT_EQ(Events, (Trace{"enter", "down", "exit", "enter", "exit", "up"}));
}

TEST_F(PNGButtonTest, DoubleClickGivesOneClick)
{
    Mouse->Move(Button, Inside);
    Mouse->SetStep(10);
    Mouse->Press(Button, Inside);
    Mouse->Release(Button, Inside);
    Mouse->Press(Button, Inside);
    Mouse->Release(Button, Inside);
    EXPECT_EQ(Events, (Trace{"enter", "down", "click", "up", "double", "down", "up"}));
    EXPECT_EQ(Button->ButtonState(), TPNGButtonState::Normal);
}

TEST_F(PNGButtonTest, ScreenReadersSeeAPushButtonTheyCanPress)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(Button);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::PushButton);
    EXPECT_TRUE(accessible->text(QAccessible::Name).isEmpty());
    Button->setAccessibleName("Add Folder"); // the name of a button without caption
    EXPECT_EQ(accessible->text(QAccessible::Name), "Add Folder");
    Button->setAccessibleName(QString());
    Button->SetCaption("Scan Now");
    EXPECT_EQ(accessible->text(QAccessible::Name), "Scan Now");
    EXPECT_FALSE(accessible->state().focusable); // still a mouse-only control

    QAccessibleActionInterface *actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(Events, Trace{"click"});
    Button->setEnabled(false);
    EXPECT_TRUE(accessible->state().disabled);
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(Events, Trace{"click"});
    EXPECT_EQ(Button->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(Button->testAttribute(Qt::WA_NativeWindow));
}

TEST_F(PNGButtonTest, DisabledButtonIgnoresThePointerAndFadesItsPicture)
{
    Button->setEnabled(false);
    EXPECT_EQ(Button->ButtonState(), TPNGButtonState::Disabled);
    EXPECT_EQ(qAlpha(Button->ImageDisabled().Pixel(0, 0)), 85);
    Mouse->Move(Button, Inside);
    Mouse->Move(Host.get(), Outside);
    EXPECT_TRUE(Events.empty());

    Mouse->Move(Button, Inside); // disabled and under the pointer: no frame, faded picture
    const QImage shot = Shot();
    EXPECT_EQ(At(shot, 0, 0), White);
    EXPECT_EQ(At(shot, 79, 59), White);
    EXPECT_EQ(At(shot, 30, 20), qRgb(255, 170, 170));

    Mouse->Move(Host.get(), Outside);
    Button->setEnabled(true);
    EXPECT_EQ(Button->ButtonState(), TPNGButtonState::Normal);
    Mouse->Move(Button, Inside);
    EXPECT_EQ(Events, (Trace{"enter"}));
}

TEST_F(PNGButtonTest, FlatFrameRaisedOnHoverSunkenAndPictureMovedWhenPushed)
{
    const QRgb light = Button->palette().color(QPalette::Light).rgb();
    const QRgb dark = Button->palette().color(QPalette::Dark).rgb();
    EXPECT_EQ(At(Shot(), 0, 0), White); // idle: no frame

    Mouse->Move(Button, Inside);
    QImage shot = Shot();
    EXPECT_EQ(At(shot, 0, 0), light);
    EXPECT_EQ(At(shot, 79, 59), dark);
    EXPECT_EQ(At(shot, 79, 0), dark); // the top-right corner belongs to the bottom-right colour
    EXPECT_EQ(At(shot, 1, 1), White);
    EXPECT_EQ(At(shot, 30, 20), Red); // (80 - 20) / 2, (60 - 20) / 2
    EXPECT_EQ(At(shot, 29, 20), White);

    Mouse->Press(Button, Inside); // two right and two down
    shot = Shot();
    EXPECT_EQ(At(shot, 0, 0), dark);
    EXPECT_EQ(At(shot, 79, 59), light);
    EXPECT_EQ(At(shot, 31, 21), White);
    EXPECT_EQ(At(shot, 32, 22), Red);
    EXPECT_EQ(At(shot, 51, 41), Red);

    Mouse->Move(Host.get(), Outside); // held outside: raised, not pushed
    EXPECT_EQ(At(Shot(), 0, 0), light);
    Mouse->Release(Host.get(), Outside);
}

TEST_F(PNGButtonTest, ChoosesDownOverAndNormalPictures)
{
    const QRgb green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255);
    Button->SetImageOver(SolidPicture(20, 0, 255, 0));
    EXPECT_EQ(At(Shot(), 40, 30), Red);
    Mouse->Move(Button, Inside);
    EXPECT_EQ(At(Shot(), 40, 30), green);
    Mouse->Press(Button, Inside);
    EXPECT_EQ(At(Shot(), 40, 30), green); // no down picture: the hover one
    Button->SetImageDown(SolidPicture(20, 0, 0, 255));
    EXPECT_EQ(At(Shot(), 40, 30), blue);
    Mouse->Move(Host.get(), Outside);
    EXPECT_EQ(At(Shot(), 40, 30), Red);
    Mouse->Release(Host.get(), Outside);
}

TEST_F(PNGButtonTest, PictureWiderThanTheButtonStaysInside)
{
    Button->setGeometry(40, 30, 23, 23);
    Button->SetButtonStyle(pbsNoFrame);
    Button->SetImageNormal(SolidPicture(48, 255, 0, 0));
    const QImage shot = Shot();
    EXPECT_EQ(At(shot, 0, 0), Red);
    EXPECT_EQ(At(shot, 22, 22), Red);
    EXPECT_EQ(At(shot, -1, 0), White);
    EXPECT_EQ(At(shot, 23, 22), White);
    EXPECT_EQ(At(shot, 0, -1), White);
}

TEST_F(PNGButtonTest, DefaultStyleDrawsAFaceAndCaptionsTurnGreyWhenDisabled)
{
    Button->SetImageNormal(TPNGObject());
    Button->SetButtonStyle(pbsDefault);
    EXPECT_NE(At(Shot(), 40, 30), White);
    Button->setEnabled(false);
    EXPECT_NE(At(Shot(), 40, 30), White);

    Button->setEnabled(true);
    Button->SetButtonStyle(pbsNoFrame);
    Button->SetCaption("WWWW");
    Button->SetFontColor(QColor(0, 0, 255));
    auto countBlue = [this] {
        const QImage shot = Shot();
        int count = 0;
        for (int y = 0; y < Button->height(); ++y)
            for (int x = 0; x < Button->width(); ++x) {
                const QRgb p = At(shot, x, y);
                count += qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60;
            }
        return count;
    };
    EXPECT_GT(countBlue(), 5);
    Button->setEnabled(false);
    EXPECT_EQ(countBlue(), 0);
}

// Where the button puts picture and caption, worked out apart from any widget.
TEST(PNGButtonLayout, PlacesPictureAndCaptionForEveryLayout)
{
    struct Case {
        const char *what;
        int width, height, imageWidth, imageHeight, textWidth, textHeight;
        TPNGButtonLayout layout;
        bool pushed;
        TPNGButtonGeometry expected; // ImageX, ImageY, TextX, TextY
        bool pictureOnly = false;    // where an empty caption goes does not matter
    };
    const Case cases[] = {
        // 48 x 48 glyph, 11 px caption, 81 px high button: the 4 px gap counts with the picture.
        {"above", 81, 81, 48, 48, 60, 11, pbsImageAbove, false, {16, 9, 10, 61}},
        {"above, pushed", 81, 81, 48, 48, 60, 11, pbsImageAbove, true, {18, 11, 12, 63}},
        {"below", 81, 81, 48, 48, 60, 11, pbsImageBellow, false, {16, 20, 10, 9}},
        {"below, pushed", 81, 81, 48, 48, 60, 11, pbsImageBellow, true, {18, 22, 12, 11}},
        // Add button: 97 x 41, 32 x 32 glyph, caption 20 x 11; the gap still lifts the picture.
        {"left", 97, 41, 32, 32, 20, 11, pbsImageLeft, false, {22, 2, 59, 15}},
        {"left, pushed", 97, 41, 32, 32, 20, 11, pbsImageLeft, true, {22, 4, 59, 17}},
        {"right", 97, 41, 32, 32, 20, 11, pbsImageRight, false, {47, 2, 22, 15}},
        {"right, pushed", 97, 41, 32, 32, 20, 11, pbsImageRight, true, {47, 4, 22, 17}},
        // An empty caption centres the picture without a gap...
        {"above, no caption", 23, 23, 16, 16, 0, 0, pbsImageAbove, false, {3, 3, 11, 19}},
        {"below, no caption", 23, 23, 16, 16, 0, 0, pbsImageBellow, false, {3, 3, 0, 0}, true},
        {"left, no caption", 23, 23, 16, 16, 0, 0, pbsImageLeft, false, {3, 3, 0, 0}, true},
        // ...but right of it the picture keeps its 5 px distance.
        {"right, no caption", 23, 23, 16, 16, 0, 0, pbsImageRight, false, {8, 3, 3, 11}},
        {"nothing at all", 23, 23, 0, 0, 0, 0, pbsImageAbove, false, {11, 11, 11, 11}},
        // Content larger than the button truncates toward zero: (23 - 48) / 2 is -12, not -13.
        {"too large", 23, 23, 48, 48, 0, 0, pbsImageAbove, false, {-12, -12, 0, 0}, true},
        {"too large, pushed", 23, 23, 48, 48, 0, 0, pbsImageAbove, true, {-10, -10, 0, 0}, true},
        {"too large with caption", 23, 23, 48, 48, 30, 11, pbsImageAbove, false, {-12, -20, -3, 32}},
    };
    for (const Case &c : cases) {
        TPNGButtonGeometry g = ComputePNGButtonLayout(c.width, c.height, c.imageWidth, c.imageHeight, c.textWidth,
                                                      c.textHeight, c.layout, c.pushed);
        if (c.pictureOnly)
            g.TextX = g.TextY = 0;
        EXPECT_EQ(g, c.expected) << c.what;
    }
}
