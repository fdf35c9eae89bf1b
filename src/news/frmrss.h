#pragma once

#include "common/connection_probe.h"
#include "common/data_directory.h"
#include "common/message_boxes.h"
#include "feed_list.h"
#include "feed_reader.h"

#include <QStyledItemDelegate>
#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace tarvo {

// A headline as the list shows it: trimmed, every run of spaces, tabs and line breaks one
// space.
QString headlineDisplayText(const QString& headline);

// Draws each headline in the direction of its own text (Arabic from the right, Latin from
// the left) when the reader is told to; otherwise in the list's direction.
class HeadlineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setDirectionOfEachText(bool on) { directionOfEachText_ = on; }
    bool directionOfEachText() const { return directionOfEachText_; }
    // The direction a row with this text is drawn in, in a list of the given direction.
    Qt::LayoutDirection rowDirection(const QString& text, Qt::LayoutDirection listDirection) const;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    bool directionOfEachText_ = true;
};

// The news reader: choose a saved feed, view its headlines, open one in the browser, and
// add or delete feeds. Its feed list lives in "file2.trv" in the data directory.
class frmrss : public QWidget {
    Q_OBJECT
public:
    // openLink receives a headline's link exactly as listed, trailing space included.
    frmrss(const DataDirectory& dataDir, MessageBoxes& messages, ConnectionProbe& connection,
           std::function<void(const QString&)> openLink, QWidget* parent = nullptr);
    ~frmrss() override;

    static constexpr int collapsedHeightTwips = 4035;
    static constexpr int expandedHeightTwips = 4920;
    static constexpr int widthTwips = 7470;

    int heightTwips() const { return heightTwips_; }
    // The size of the window with its new-feed panel shown.
    QSize expandedSize() const;
    // A listed headline as the feed gave it.
    QString headlineText(int row) const;
    bool isOnline() const { return isOnline_; }
    bool isViewing() const { return reader_->isRunning(); }

    // Lets a test give up on slow addresses sooner than the program does.
    void setFetchLimits(const FeedFetchLimits& limits) { reader_->setLimits(limits); }

    // Event handlers, named after their controls.
    void Form_Load();
    void co1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void List1_Click(int row);

    // The feed list operations on the selector, and the read that fills the lists.
    void LoadFeedList();
    void AddFeed();
    void RemoveFeed();
    void ReadFeed();

    QLabel* Label1_0;
    QComboBox* co1;
    QPushButton* Command2;
    QPushButton* Command6;
    QPushButton* Command3;
    QLineEdit* txtFeed;
    QRadioButton* opt1;
    QRadioButton* opt2;
    QListWidget* List1;
    QLineEdit* txtURL;
    QListWidget* List2;
    QLineEdit* Text3;
    QLabel* Label2;
    QLineEdit* Text1;
    QLabel* Label1_3;
    QPushButton* Command4;
    QPushButton* Command5;
    QLineEdit* Text2;
    QLabel* Label1_4;

signals:
    // A view has listed what its feed gave (possibly nothing).
    void viewFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void setHeightTwips(int twips);
    void showFeed(const FeedListing& listing);
    QStringList selectorItems() const;
    int chosenFeedIndex() const;

    FeedListStore store_;
    MessageBoxes& messages_;
    ConnectionProbe& connection_;
    std::function<void(const QString&)> openLink_;
    FeedReader* reader_;
    bool isOnline_ = false;
    int heightTwips_ = collapsedHeightTwips;
    bool secondClickOfDouble_ = false;
    HeadlineDelegate* headlines_ = nullptr;
    QList<std::pair<QWidget*, Qt::FocusPolicy>> focusPolicies_;
};

} // namespace tarvo
