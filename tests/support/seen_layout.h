#pragma once

#include "common/caption_fit.h"
#include "support/drawn_ink.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QLabel>
#include <QList>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>

// What a user sees of a window's controls, checked alike for every window: each control in
// sight lies wholly inside its window and its parent, none lies over another except where
// the layout means it to, and every caption shows its text whole. Controls lie over their
// parent (the strip's figures on its picture), and captions' boxes may overlap where their
// texts do not (the news reader's two direction buttons); any other overlap is named.

// A control the layout puts under another on purpose; wholly under it, it is not seen.
struct MeantOverlap {
    const QWidget* under;
    const QWidget* over;
    const char* why;
};

inline std::string layoutName(const QWidget* w) {
    return w->objectName().toStdString();
}

inline QRect inWindow(const QWidget* w, const QWidget* window) {
    return QRect(w->mapTo(window, QPoint()), w->size());
}

inline QString captionText(const QWidget* w) {
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text();
    return {};
}

// The window's own controls (not the parts Qt builds complex widgets from) that are shown
// and at least partly in the window: a panel may wait wholly out of sight below its edge.
inline QList<QWidget*> controlsInSight(QWidget* window) {
    // Without font faces (Qt's offscreen platform on Windows) captions cannot be measured,
    // nor laid out as they would be: only the other controls are checked.
    const bool faces = !QFontDatabase::families().isEmpty();
    QList<QWidget*> out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!faces && !captionText(w).isEmpty())
            continue;
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(u"qt_") || w->isWindow() || !w->isVisibleTo(window) ||
            !inWindow(w, window).intersects(window->rect()))
            continue;
        out << w;
    }
    return out;
}

// The part of a control that a user sees drawn: a caption's text, any other control whole.
inline QRect drawnPart(const QWidget* w, const QWidget* window) {
    if (captionText(w).isEmpty())
        return inWindow(w, window);
    return tarvo::usedRect(w).translated(w->parentWidget()->mapTo(window, QPoint()));
}

inline void expectSeenWhole(QWidget* window, const QList<MeantOverlap>& meant = {}) {
    const QList<QWidget*> controls = controlsInSight(window);
    const auto isMeant = [&](const QWidget* a, const QWidget* b) {
        for (const MeantOverlap& m : meant)
            if ((m.under == a && m.over == b) || (m.under == b && m.over == a))
                return true;
        return false;
    };
    const auto hidden = [&](const QWidget* c) {
        for (const MeantOverlap& m : meant)
            if (m.under == c && inWindow(m.over, window).contains(inWindow(c, window)))
                return true;
        return false;
    };
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const QWidget* c = controls[i];
        const std::string name = layoutName(window) + "/" + layoutName(c);
        EXPECT_TRUE(window->rect().contains(inWindow(c, window))) << name << " at " << inWindow(c, window) << " leaves its window " << window->rect();
        EXPECT_TRUE(c->parentWidget()->rect().contains(c->geometry()))
            << name << " at " << c->geometry() << " leaves " << layoutName(c->parentWidget()) << " "
            << c->parentWidget()->rect();
        if (!captionText(c).isEmpty() && !hidden(c)) {
            EXPECT_TRUE(tarvo::captionFits(c)) << name << " shows its caption cut";
            // As drawn, too (no ink where the platform has no fonts).
            if (const auto* label = qobject_cast<const QLabel*>(c)) {
                const QRect ink = drawnInk(label, c->size());
                EXPECT_TRUE(ink.isEmpty() || QRect(QPoint(), c->size()).contains(ink))
                    << name << " draws its caption cut";
            }
            if (const auto* button = qobject_cast<const QPushButton*>(c)) {
                const ButtonInk drawn = drawnButtonInk(button);
                EXPECT_TRUE(drawn.ink.isEmpty() || drawn.contents.contains(drawn.ink))
                    << name << " draws its caption cut: ink " << drawn.ink.x() << ","
                    << drawn.ink.y() << " " << drawn.ink.width() << "x" << drawn.ink.height()
                    << " in " << drawn.contents.width() << "x" << drawn.contents.height();
            }
            EXPECT_GE(c->font().pointSizeF(), 8.0) << name;
        }
        for (const QWidget* other : controls.mid(i + 1)) {
            if (c->isAncestorOf(other) || other->isAncestorOf(c) || isMeant(c, other))
                continue;
            EXPECT_FALSE(drawnPart(c, window).intersects(drawnPart(other, window)))
                << name << " over " << layoutName(other);
        }
    }
}

// A caption laid out at `laidOut` (its twips in pixels) grows only where its glyphs, as
// drawn, do not fit there, only as far as they need, and over its laid-out box.
inline void expectGrownOnlyToFit(const QLabel* label, QRect laidOut) {
    const std::string name = layoutName(label);
    const QSize needed = drawnInkFit(label, laidOut.size());
    EXPECT_TRUE(label->geometry().contains(laidOut)) << name;
    EXPECT_LE(label->width(), needed.width() + 2) << name; // the advance may run past the ink
    EXPECT_LE(label->height(), needed.height() + 1) << name; // the glyph boxes may round a pixel up
    EXPECT_TRUE(QRect(QPoint(), label->size()).contains(drawnInk(label, label->size()))) << name;
}
