#include "frmrss.h"

#include "news_icon.h"

#include "common/caption_fit.h"
#include "common/form_layout.h"
#include "common/window_flags.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyledItemDelegate>

#include <utility>

namespace tarvo {

namespace {

// The heights are those of the whole window; this much of them is title bar and border.
constexpr int frameTwips = 450;

// Arabic glyphs come from the first listed family that has them; where Arial itself has
// none (its metric twin on Linux), a compact Arabic face keeps captions inside their boxes.
QFont captionFont(const QString& family, qreal points) {
    QFont font = formFont(family, points, true);
    font.setFamilies({family, QStringLiteral("Arial"), QStringLiteral("Noto Sans Arabic"),
                      QStringLiteral("Noto Naskh Arabic")});
    return font;
}

QFont arial(qreal points) {
    return captionFont(QStringLiteral("Arial"), points);
}

// The headline as it came from the feed, beside the text shown for it.
constexpr int kHeadlineRole = Qt::UserRole + 1;

} // namespace

QString headlineDisplayText(const QString& headline) {
    return headline.simplified();
}

Qt::LayoutDirection HeadlineDelegate::rowDirection(const QString& text,
                                                   Qt::LayoutDirection listDirection) const {
    if (!directionOfEachText_)
        return listDirection;
    return text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
}

void HeadlineDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->direction = rowDirection(option->text, option->direction);
}

frmrss::frmrss(const DataDirectory& dataDir, MessageBoxes& messages, ConnectionProbe& connection,
               std::function<void(const QString&)> openLink, QWidget* parent)
    : QWidget(parent), store_(dataDir), messages_(messages), connection_(connection),
      openLink_(std::move(openLink)), reader_(new FeedReader(this)) {
    setObjectName(QStringLiteral("frmrss"));
    // Its own window even when given a parent: the reader has no owner.
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("قارئ الأخبار"));
    setWindowIcon(newsReaderIcon());
    // Its own grey with black captions under any theme; the boxes keep the theme's colours.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(224, 224, 224));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    setWindowFlags(fixedSizeWindowFlags(windowFlags()));
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    buildControls();
    connect(reader_, &FeedReader::finished, this, &frmrss::showFeed);
    Form_Load();
}

frmrss::~frmrss() {
    // The controls go after this object's own members; their last signals must not reach it.
    reader_->cancel();
    List1->removeEventFilter(this);
    List1->viewport()->removeEventFilter(this);
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void frmrss::buildControls() {
    Label1_0 = formControl<QLabel>(this, "Label1_0", {6600, 240, 645, 285}, arial(12),
                                   QStringLiteral("العنوان"));

    co1 = formControl<QComboBox>(this, "co1", {2880, 210, 3615, 345}, arial(9));
    co1->setEditable(true);
    // The selector holds exactly the file's lines: Enter must not add what was typed.
    co1->setInsertPolicy(QComboBox::NoInsert);
    co1->setMaxVisibleItems(20);
    connect(co1, &QComboBox::activated, this, [this] { co1_Click(); });

    Command2 = formControl<QPushButton>(this, "Command2", {2040, 240, 735, 255}, arial(9.75),
                                        QStringLiteral("عرض"));
    connect(Command2, &QPushButton::clicked, this, &frmrss::Command2_Click);

    Command6 = formControl<QPushButton>(this, "Command6", {1080, 240, 855, 255}, arial(9.75),
                                        QStringLiteral("إلغاء"));
    connect(Command6, &QPushButton::clicked, this, &frmrss::Command6_Click);

    Command3 = formControl<QPushButton>(this, "Command3", {240, 240, 735, 255}, arial(9.75),
                                        QStringLiteral("جديد"));
    connect(Command3, &QPushButton::clicked, this, &frmrss::Command3_Click);

    txtFeed = formControl<QLineEdit>(this, "txtFeed", {1080, 720, 2040, 330}, arial(9.75));

    opt1 = formControl<QRadioButton>(this, "opt1", {3360, 720, 975, 375}, arial(9.75),
                                     QStringLiteral("RTL"));
    opt2 = formControl<QRadioButton>(this, "opt2", {4200, 720, 975, 375}, arial(9.75),
                                     QStringLiteral("LTR"));

    List1 = formControl<QListWidget>(this, "List1", {120, 1200, 7215, 2340},
                                     captionFont(QStringLiteral("Arabic Transparent"), 9.75));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setItemDelegate(headlines_ = new HeadlineDelegate(List1));
    List1->viewport()->installEventFilter(this);
    List1->installEventFilter(this);
    // A click opens a headline; the arrow keys only choose one, and Enter opens it.
    connect(List1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (std::exchange(secondClickOfDouble_, false))
            return; // the first click of the double-click has opened it
        List1_Click(List1->row(item));
    });

    txtURL = formControl<QLineEdit>(this, "txtURL", {6960, 720, 360, 330}, arial(9.75));
    txtURL->hide();
    List2 = formControl<QListWidget>(this, "List2", {240, 720, 375, 270}, arial(9.75));
    List2->hide();
    Text3 = formControl<QLineEdit>(this, "Text3", {6240, 720, 375, 285}, arial(9.75));
    Text3->hide();

    Label2 = formControl<QLabel>(this, "Label2", {480, 3720, 2175, 255}, arial(9),
                                 QStringLiteral("مثال: الأهرام الصفحة الأولى"));
    Text1 = formControl<QLineEdit>(this, "Text1", {2760, 3720, 2175, 285}, arial(9.75));
    Label1_3 = formControl<QLabel>(this, "Label1_3", {5040, 3720, 645, 285}, arial(11.25),
                                   QStringLiteral("العنوان"));
    Command4 = formControl<QPushButton>(this, "Command4", {6120, 3720, 735, 360}, arial(12),
                                        QStringLiteral("حفظ"));
    connect(Command4, &QPushButton::clicked, this, &frmrss::Command4_Click);
    Command5 = formControl<QPushButton>(this, "Command5", {6960, 3760, 375, 265}, arial(11.25),
                                        QStringLiteral("^"));
    connect(Command5, &QPushButton::clicked, this, &frmrss::Command5_Click);
    Text2 = formControl<QLineEdit>(this, "Text2", {480, 4080, 4455, 285}, arial(9.75),
                                   QStringLiteral("http://"));
    Label1_4 = formControl<QLabel>(this, "Label1_4", {5040, 4080, 885, 285}, arial(11.25),
                                   QStringLiteral("RSS رابط"));

    for (QWidget* caption : std::initializer_list<QWidget*>{Label1_0, Label1_3, Label1_4, Label2,
                                                            Command4, Command5, opt1, opt2})
        fitCaption(caption);
    // The three buttons of the top row, one height whatever each needs alone.
    fitCaptionRow({Command2, Command6, Command3});

    for (QPushButton* button : {Command2, Command3, Command4, Command5, Command6}) {
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAutoDefault(false);
    }
    opt1->setFocusPolicy(Qt::StrongFocus);
    opt2->setFocusPolicy(Qt::StrongFocus);
    const QList<QWidget*> tabOrder{Command2, Command3, co1,      txtFeed, Text1, Text2,
                                   Command4, Command5, Command6, List1,   opt1,  opt2};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    for (QWidget* w : tabOrder)
        focusPolicies_.append({w, w->focusPolicy()});
}

QSize frmrss::expandedSize() const {
    return {px(widthTwips), px(expandedHeightTwips - frameTwips)};
}

void frmrss::setHeightTwips(int twips) {
    heightTwips_ = twips;
    setFixedSize(px(widthTwips), px(twips - frameTwips));
    // Tab passes over what lies below the visible part of the window.
    for (const auto& [widget, policy] : focusPolicies_)
        widget->setFocusPolicy(widget->geometry().bottom() < height() ? policy : Qt::NoFocus);
}

void frmrss::Form_Load() {
    setHeightTwips(collapsedHeightTwips);
    LoadFeedList();
    co1->setCurrentIndex(-1);
    isOnline_ = connection_.isConnected();
    if (!isOnline_) {
        for (QWidget* w : std::initializer_list<QWidget*>{txtFeed, txtURL, Text3, Text1, Text2,
                                                          Label1_0, Label1_3, Label1_4, Label2})
            w->setEnabled(false);
    }
}

void frmrss::co1_Click() {
    txtFeed->clear();
}

void frmrss::Command2_Click() {
    // One fetch at a time: a second press while one runs changes nothing.
    if (reader_->isRunning())
        return;
    const FeedEntryParts parts = splitFeedEntry(co1->currentText());
    if (parts.title)
        txtFeed->setText(*parts.title);
    txtURL->setText(parts.address);
    if (txtURL->text().isEmpty()) {
        messages_.information(QString(), QStringLiteral("إختر العنوان"));
        return;
    }
    List1->clear();
    List2->clear();
    if (opt1->isChecked())
        List1->setLayoutDirection(Qt::RightToLeft);
    else if (opt2->isChecked())
        List1->setLayoutDirection(Qt::LeftToRight);
    // With neither chosen, each headline reads in the direction of its own text.
    headlines_->setDirectionOfEachText(!opt1->isChecked() && !opt2->isChecked());
    ReadFeed();
}

void frmrss::Command3_Click() {
    if (!Text1->isEnabled())
        return;
    setHeightTwips(expandedHeightTwips);
    Text1->setFocus();
}

void frmrss::Command4_Click() {
    AddFeed();
}

void frmrss::Command5_Click() {
    setHeightTwips(collapsedHeightTwips);
}

void frmrss::Command6_Click() {
    RemoveFeed();
}

void frmrss::List1_Click(int row) {
    // A headline whose item had no link has nothing to open.
    if (row < 0 || row >= List2->count() || List2->item(row)->text().isEmpty())
        return;
    Text3->setText(List2->item(row)->text());
    openLink_(Text3->text());
}

void frmrss::LoadFeedList() {
    co1->addItems(store_.load());
}

void frmrss::AddFeed() {
    switch (addFeed(store_, Text1->text(), Text2->text())) {
    case AddFeedResult::Incomplete:
        messages_.information(QString(), QStringLiteral("البيانات غير مكتملة"));
        return;
    case AddFeedResult::WriteFailed:
        return;
    case AddFeedResult::Added:
        break;
    }
    co1->clear();
    co1->clearEditText();
    LoadFeedList();
    co1->setCurrentIndex(-1);
    Text1->clear();
    Text2->setText(QStringLiteral("http://"));
}

void frmrss::RemoveFeed() {
    const int index = chosenFeedIndex();
    if (co1->currentText().isEmpty() || index < 0) {
        messages_.information(QString(), QStringLiteral("إختر عنوان لإلغائه"));
        return;
    }
    if (!removeFeedAt(store_, selectorItems(), index))
        return;
    co1->removeItem(index);
    co1->setCurrentIndex(-1);
}

void frmrss::ReadFeed() {
    reader_->start(txtURL->text(), isOnline_);
}

void frmrss::showFeed(const FeedListing& listing) {
    for (const QString& headline : listing.headlines) {
        // Shown on one line, as written in a feed laid out for reading; kept as it came.
        auto* item = new QListWidgetItem(headlineDisplayText(headline));
        item->setData(kHeadlineRole, headline);
        List1->addItem(item);
    }
    List2->addItems(listing.links);
    emit viewFinished();
}

QString frmrss::headlineText(int row) const {
    const QListWidgetItem* item = List1->item(row);
    return item ? item->data(kHeadlineRole).toString() : QString();
}

QStringList frmrss::selectorItems() const {
    QStringList items;
    for (int i = 0; i < co1->count(); ++i)
        items.append(co1->itemText(i));
    return items;
}

// The chosen item, or -1 when the text was typed over it.
int frmrss::chosenFeedIndex() const {
    const int index = co1->currentIndex();
    if (index < 0 || co1->itemText(index) != co1->currentText())
        return -1;
    return index;
}

bool frmrss::eventFilter(QObject* watched, QEvent* event) {
    if (watched == List1->viewport() && event->type() == QEvent::MouseButtonDblClick)
        secondClickOfDouble_ = true;
    if (watched == List1->viewport() && event->type() == QEvent::MouseButtonPress)
        secondClickOfDouble_ = false;
    if (watched == List1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && List1->currentRow() >= 0 &&
            List1->currentItem()->isSelected()) {
            List1_Click(List1->currentRow());
            return true;
        }
    }
    // With no headline chosen the first arrow key chooses the first one, rather than
    // stepping past the row that merely has the focus frame.
    if (watched == List1 && event->type() == QEvent::KeyPress && List1->count() > 0 &&
        List1->selectedItems().isEmpty()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up) {
            List1->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tarvo
