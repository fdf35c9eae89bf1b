#include "app/arabic_qt_texts.h"
#include "app/frm_main.h"
#include "app/qt_message_boxes.h"
#include "fakes.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

const QString kQuestion = QStringLiteral("سيتم إلغاء الحركة حتى آخر إغلاق للحاسب");

QString shown(const QAbstractButton* button) {
    return button ? QString(button->text()).remove(u'&') : QStringLiteral("(none)");
}

// Qt's Arabic texts for the whole suite, as the program installs them at start.
class ArabicBoxes : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFile::exists(ArabicQtTexts::catalogueDirectory() + "/qtbase_ar.qm"))
            GTEST_SKIP() << "Qt's Arabic catalogue is not installed (qt6-translations-l10n)";
        ASSERT_TRUE(texts.install());
    }
    ArabicQtTexts texts;
};

// Once the box is up, from inside its own event loop, hands it to `act`.
void whenBoxIsUp(std::function<void(QMessageBox*)> act) {
    QTimer::singleShot(0, [act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                act(box);
                return;
            }
        }
        ADD_FAILURE() << "no message box is shown";
    });
}

// Enter as the keyboard gives it: to the widget that has the focus in the box.
void pressEnter(QMessageBox* box) {
    QWidget* target = box->focusWidget() ? box->focusWidget() : box;
    QTest::keyClick(target, Qt::Key_Return);
}

} // namespace

TEST_F(ArabicBoxes, StandardButtonsReadArabic) {
    QMessageBox box(QMessageBox::NoIcon, "Tarvo", "x",
                    QMessageBox::Ok | QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(shown(box.button(QMessageBox::Ok)), u"موافق");
    EXPECT_EQ(shown(box.button(QMessageBox::Yes)), u"نعم");
    EXPECT_EQ(shown(box.button(QMessageBox::No)), u"لا");
}

TEST_F(ArabicBoxes, TheStripDoesNotMirror) {
    // An Arabic catalogue would turn every window right to left; only boxes and menus are.
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
    FakeServices fake;
    frmMain w(fake.services());
    w.setEndProgram([] {});
    EXPECT_EQ(w.layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(w.Picture2->layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(w.mnu->layoutDirection(), Qt::RightToLeft);
}

TEST_F(ArabicBoxes, ResetQuestionAnswersNoToEnterAndEscape) {
    QtMessageBoxes boxes;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    QString caption, text, yes, no;
    whenBoxIsUp([&](QMessageBox* box) {
        defaultButton = box->standardButton(box->defaultButton());
        direction = box->layoutDirection();
        caption = box->windowTitle();
        text = box->text();
        yes = shown(box->button(QMessageBox::Yes));
        no = shown(box->button(QMessageBox::No));
        pressEnter(box);
    });
    EXPECT_FALSE(boxes.askYesNo("Tarvo", kQuestion));
    EXPECT_EQ(defaultButton, QMessageBox::No);
    EXPECT_EQ(direction, Qt::RightToLeft);
    EXPECT_EQ(caption, u"Tarvo");
    EXPECT_EQ(text, kQuestion);
    EXPECT_EQ(yes, u"نعم");
    EXPECT_EQ(no, u"لا");

    whenBoxIsUp([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_FALSE(boxes.askYesNo("Tarvo", kQuestion));

    // Yes stays one deliberate choice away: with the focus moved onto it, Enter takes it.
    whenBoxIsUp([](QMessageBox* box) {
        box->button(QMessageBox::Yes)->setFocus();
        pressEnter(box);
    });
    EXPECT_TRUE(boxes.askYesNo("Tarvo", kQuestion));
}

TEST_F(ArabicBoxes, InformationHasOneOkButtonRightToLeft) {
    QtMessageBoxes boxes;
    QStringList buttons;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    QString text;
    whenBoxIsUp([&](QMessageBox* box) {
        for (QAbstractButton* b : box->buttons())
            buttons << shown(b);
        direction = box->layoutDirection();
        text = box->text();
        pressEnter(box);
    });
    boxes.information("Tarvo", "one\rtwo");
    EXPECT_EQ(buttons, QStringList{"موافق"});
    EXPECT_EQ(direction, Qt::RightToLeft);
    EXPECT_EQ(text, u"one\ntwo");
}
