#include "LetterBar.h"

#include "Dataset.h"
#include "FilterConditions.h"
#include "PendingChange.h"

#include <QAction>
#include <QButtonGroup>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace {

constexpr int kTabWidth = 10;
constexpr int kTabGap = 4;
constexpr int kFoldedTabWidth = 62;
constexpr int kEdge = 2; // the bottom edge line
constexpr int kButtonHeight = 21;
constexpr int kFoldedHeight = kTabWidth + kEdge;
constexpr int kBarHeight = kButtonHeight + kEdge;

const char16_t* const kLetters[] = {u"А", u"Б", u"В", u"Г", u"Д", u"Е", u"Ё", u"Ж", u"З", u"И", u"Й",
                                    u"К", u"Л", u"М", u"Н", u"О", u"П", u"Р", u"С", u"Т", u"У", u"Ф",
                                    u"Х", u"Ц", u"Ч", u"Ш", u"Щ", u"Ы", u"Э", u"Ю", u"Я"};

} // namespace

// The folding tab: lights up under the mouse and shows which way a click folds the bar.
class LetterBar::FoldTab : public QWidget {
public:
    explicit FoldTab(LetterBar* bar) : QWidget(bar), bar_(bar) {
        setObjectName(QStringLiteral("dfsToolBar3FoldTab"));
        setAttribute(Qt::WA_Hover);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::HoverEnter || e->type() == QEvent::HoverLeave)
            update();
        return QWidget::event(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
            bar_->toggleFolded();
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const bool hot = underMouse();
        p.fillRect(rect(), palette().color(hot ? QPalette::Highlight : QPalette::Midlight));
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.setRenderHint(QPainter::Antialiasing);
        const QColor ink = palette().color(hot ? QPalette::HighlightedText : QPalette::WindowText);
        const qreal cx = width() / 2.0;
        const qreal cy = height() / 2.0;
        QPainterPath arrow; // up: a click folds; down: a click unfolds
        if (bar_->maximized()) {
            arrow.moveTo(cx - 3, cy + 1.5);
            arrow.lineTo(cx + 3, cy + 1.5);
            arrow.lineTo(cx, cy - 2);
        } else {
            arrow.moveTo(cx - 3, cy - 1.5);
            arrow.lineTo(cx + 3, cy - 1.5);
            arrow.lineTo(cx, cy + 2);
        }
        arrow.closeSubpath();
        p.fillPath(arrow, ink);
    }

private:
    LetterBar* bar_;
};

LetterBar::LetterBar(Dataset& tabMain, QWidget* parent) : QWidget(parent), tabMain_(tabMain) {
    setObjectName(QStringLiteral("dfsToolBar3"));
    setToolTip(QStringLiteral("Панель быстрого поиска"));

    acFastSearch = new QAction(QStringLiteral("acFastSearch"), this);
    acFastSearch->setObjectName(QStringLiteral("acFastSearch"));
    connect(acFastSearch, &QAction::triggered, this, &LetterBar::acFastSearchExecute);

    // One group of check buttons: pressing one releases the others, a pressed one stays pressed.
    group_ = new QButtonGroup(this);
    group_->setExclusive(true);
    auto makeButton = [this](const QString& name, const QString& caption) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(caption);
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setFocusPolicy(Qt::NoFocus);
        group_->addButton(b);
        connect(b, &QToolButton::clicked, acFastSearch, &QAction::trigger);
        return b;
    };
    ToolButtonAll = makeButton(QStringLiteral("ToolButtonAll"), QStringLiteral("ВСЁ"));
    int number = 96;
    for (const char16_t* letter : kLetters)
        letterButtons.push_back(makeButton(QStringLiteral("ToolButton%1").arg(number++), QString::fromUtf16(letter)));

    tab_ = new FoldTab(this);
    setFixedHeight(kBarHeight);
    layOut();
}

std::vector<QToolButton*> LetterBar::buttons() const {
    std::vector<QToolButton*> all{ToolButtonAll};
    all.insert(all.end(), letterButtons.begin(), letterButtons.end());
    return all;
}

QToolButton* LetterBar::pressedButton() const {
    for (QToolButton* b : buttons())
        if (b->isChecked())
            return b;
    return nullptr;
}

void LetterBar::acFastSearchExecute() {
    QToolButton* pressed = pressedButton();
    if (!pressed)
        return;
    // A change that cannot be saved is not read over: the user goes back to it or discards it.
    if (!pendingchange::settleBeforeReread(tabMain_)) {
        pressOnly(applied_);
        return;
    }
    applied_ = pressed;
    const QString caption = pressed->text();
    try {
        if (FilterConditions::isAllCaption(caption)) {
            tabMain_.close();
            tabMain_.setFilterState(QString(), false);
            tabMain_.open();
        } else {
            tabMain_.setFilterState(FilterConditions::letterCondition(caption), true);
        }
    } catch (const std::exception&) {
        // The list may be left closed; a later command opens it again.
    }
}

void LetterBar::pressAll() {
    ToolButtonAll->setChecked(true);
    applied_ = ToolButtonAll;
}

void LetterBar::pressOnly(QToolButton* button) {
    if (button) {
        button->setChecked(true);
        return;
    }
    // No button was pressed before: none is now.
    group_->setExclusive(false);
    for (QToolButton* b : buttons())
        b->setChecked(false);
    group_->setExclusive(true);
}

void LetterBar::setMaximized(bool maximized) {
    if (maximized_ == maximized)
        return;
    maximized_ = maximized;
    setFixedHeight(maximized_ ? kBarHeight : kFoldedHeight);
    layOut();
    Q_EMIT maximizedChanged(maximized_);
}

void LetterBar::layOut() {
    if (!maximized_) {
        tab_->setGeometry(0, 0, kFoldedTabWidth, kTabWidth);
        for (QToolButton* b : buttons())
            b->hide();
        tab_->update();
        return;
    }
    tab_->setGeometry(0, 0, kTabWidth, kButtonHeight);
    int x = kTabWidth + kTabGap;
    const QFontMetrics fm = fontMetrics();
    for (QToolButton* b : buttons()) {
        // Each button is as wide as its caption needs.
        const int w = std::max(18, fm.horizontalAdvance(b->text()) + 10);
        b->setGeometry(x, 0, w, kButtonHeight);
        b->show();
        x += w;
    }
    tab_->update();
}

QSize LetterBar::sizeHint() const {
    int w = kTabWidth + kTabGap;
    for (QToolButton* b : buttons())
        w += b->width();
    return {w, maximized_ ? kBarHeight : kFoldedHeight};
}

QSize LetterBar::minimumSizeHint() const {
    return {kFoldedTabWidth, maximized_ ? kBarHeight : kFoldedHeight};
}

void LetterBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int y = height() - kEdge;
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(0, y, width(), y);
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(0, y + 1, width(), y + 1);
}
