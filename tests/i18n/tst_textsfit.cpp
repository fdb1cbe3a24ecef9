// Every text of every window fits in both languages: each window is shown after the language file is
// loaded, page by page, and each caption is measured with its own font against the room its
// control gives it. A text is cut when it is wider than its control's text area, when a neighbouring
// control covers part of it, or when its control reaches beyond its window; a tab caption is cut when
// the tab bar elides it or needs scroll buttons; a tool bar is cut when it hides buttons. A caption
// must not be set in a smaller font than its window's to make it fit.

#include "LanguageCoverage.h"
#include "LanguageFixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The text as drawn: a single '&' marks the mnemonic and takes no room.
QString shownText(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && i + 1 < text.size()) {
            ++i;
            if (text.at(i) != u'&') {
                out += text.at(i);
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}

int textWidth(const QFontMetrics& fm, const QString& text) {
    int w = 0;
    for (const QString& line : shownText(text).split(u'\n'))
        w = std::max(w, fm.horizontalAdvance(line));
    return w;
}

QString describe(const QWidget* w, const QString& text) {
    return u"%1 %2 \"%3\""_s.arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), text);
}

// The room a button leaves its caption, from the style the button is drawn with.
int buttonTextRoom(QAbstractButton* b) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.icon = b->icon();
    opt.iconSize = b->iconSize();
    QStyle::SubElement element = QStyle::SE_PushButtonContents;
    if (qobject_cast<QCheckBox*>(b) != nullptr)
        element = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<QRadioButton*>(b) != nullptr)
        element = QStyle::SE_RadioButtonContents;
    int room = b->style()->subElementRect(element, &opt, b).width();
    if (element == QStyle::SE_PushButtonContents && !b->icon().isNull())
        room -= b->iconSize().width() + 4;
    return room;
}

class FitCheck {
public:
    explicit FitCheck(QWidget* window) : window_(window) {}

    QStringList cuts() {
        problems_.clear();
        const QList<QTabWidget*> tabs = window_->findChildren<QTabWidget*>();
        checkShown();
        // Each page of each page control in turn.
        for (QTabWidget* t : tabs) {
            if (!t->isVisible())
                continue;
            const int current = t->currentIndex();
            for (int i = 0; i < t->count(); ++i) {
                if (!t->isTabVisible(i) || i == current)
                    continue;
                t->setCurrentIndex(i);
                QApplication::processEvents();
                checkShown();
            }
            t->setCurrentIndex(current);
        }
        problems_.removeDuplicates();
        return problems_;
    }

private:
    void checkShown() {
        const QFont windowFont = window_->font();
        for (QWidget* w : window_->findChildren<QWidget*>()) {
            if (!w->isVisible() || w->window() != window_ || w->property(langcoverage::kDataTextProperty).toBool())
                continue;
            if (auto* label = qobject_cast<QLabel*>(w))
                checkLabel(label, windowFont);
            else if (auto* b = qobject_cast<QAbstractButton*>(w))
                checkButton(b);
            else if (auto* g = qobject_cast<QGroupBox*>(w))
                checkGroupBox(g);
            else if (auto* bar = qobject_cast<QTabBar*>(w))
                checkTabBar(bar);
            else if (auto* tools = qobject_cast<QToolBar*>(w))
                checkToolBar(tools);
        }
    }

    void insideWindow(QWidget* w, const QString& text) {
        const QRect r(w->mapTo(window_, QPoint(0, 0)), w->size());
        if (!window_->rect().contains(r))
            problems_ << describe(w, text) + u" reaches beyond its window"_s;
    }

    // Another control of the same parent covering part of the text; a frame behind it that covers
    // all of it is no cut.
    void notCovered(QWidget* w, const QRect& textRect, const QString& text) {
        QWidget* parent = w->parentWidget();
        if (parent == nullptr)
            return;
        for (QObject* o : parent->children()) {
            auto* other = qobject_cast<QWidget*>(o);
            if (other == nullptr || other == w || !other->isVisible() || other->isWindow())
                continue;
            const QRect g = other->geometry();
            if (g.intersects(textRect) && !g.contains(textRect))
                problems_ << describe(w, text) + u" is covered by "_s +
                                 QString::fromLatin1(other->metaObject()->className()) + u' ' + other->objectName();
        }
    }

    void checkLabel(QLabel* label, const QFont& windowFont) {
        const QString text = label->text();
        if (text.trimmed().isEmpty() || label->textFormat() == Qt::RichText || Qt::mightBeRichText(text))
            return;
        if (label->font().pointSizeF() < windowFont.pointSizeF() - 0.01)
            problems_ << describe(label, text) + u" is set in a smaller font"_s;
        insideWindow(label, text);
        const QFontMetrics fm(label->font());
        const QRect room =
            label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
        if (label->wordWrap()) {
            const QRect need = fm.boundingRect(room, Qt::TextWordWrap | int(label->alignment()), shownText(text));
            if (need.height() > room.height() + 1)
                problems_ << describe(label, text) + u" is cut at the bottom"_s;
            return;
        }
        const int need = textWidth(fm, text);
        if (need > room.width())
            problems_ << describe(label, text) + u" needs %1 pixels, has %2"_s.arg(need).arg(room.width());
        // Where the text is drawn, in the parent's coordinates.
        QRect textRect = QStyle::alignedRect(label->layoutDirection(), label->alignment(),
                                             QSize(std::min(need, room.width()), fm.height()), room);
        textRect.translate(label->pos());
        notCovered(label, textRect, text);
    }

    void checkButton(QAbstractButton* b) {
        const QString text = b->text();
        if (text.trimmed().isEmpty())
            return;
        insideWindow(b, text);
        if (auto* tool = qobject_cast<QToolButton*>(b)) {
            if (tool->toolButtonStyle() == Qt::ToolButtonIconOnly)
                return;
            // The style's frame around a tool button's label: 3 pixels each side.
            const int need = textWidth(tool->fontMetrics(), text) + 6;
            if (tool->width() < need)
                problems_ << describe(b, text) + u" needs %1 pixels, has %2"_s.arg(need).arg(tool->width());
            return;
        }
        const int need = textWidth(b->fontMetrics(), text);
        const int room = buttonTextRoom(b);
        if (need > room)
            problems_ << describe(b, text) + u" needs %1 pixels, has %2"_s.arg(need).arg(room);
    }

    void checkGroupBox(QGroupBox* g) {
        const QString text = g->title();
        if (text.trimmed().isEmpty())
            return;
        insideWindow(g, text);
        QStyleOptionGroupBox opt;
        opt.initFrom(g);
        opt.text = text;
        opt.subControls = QStyle::SC_GroupBoxLabel;
        const QRect room = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
        if (room.right() > g->width())
            problems_ << describe(g, text) + u" is wider than its frame"_s;
    }

    void checkTabBar(QTabBar* bar) {
        const int padding = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
        for (int i = 0; i < bar->count(); ++i) {
            if (!bar->isTabVisible(i))
                continue;
            const int need = textWidth(bar->fontMetrics(), bar->tabText(i)) + padding;
            if (bar->tabRect(i).width() < need)
                problems_ << describe(bar, bar->tabText(i)) +
                                 u" needs %1 pixels, has %2"_s.arg(need).arg(bar->tabRect(i).width());
        }
        // Scroll buttons show when the tabs do not fit side by side.
        for (QToolButton* scroll : bar->findChildren<QToolButton*>())
            if (scroll->isVisible())
                problems_ << describe(bar, bar->tabText(0)) + u": the tabs need scroll buttons"_s;
    }

    void checkToolBar(QToolBar* bar) {
        for (QAction* a : bar->actions())
            if (a->isVisible() && !a->isSeparator())
                if (QWidget* w = bar->widgetForAction(a); w != nullptr && !w->isVisible())
                    problems_ << describe(bar, a->text()) + u" hides the button"_s;
    }

    QWidget* window_;
    QStringList problems_;
};

// The windows the language files are applied to, and the reference book windows that take their
// texts from the messages.
QStringList checkedWindows() {
    QStringList names = LanguageSelection::translatedWindows();
    names << u"FormReferenceBook"_s << u"FormRefBookUse"_s;
    return names;
}

} // namespace

class TextsFitTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        program_ = std::make_unique<langtest::Program>();
        program_->start();
        // A sticky note exists only once one is opened.
        program_->main().action(u"acStickyMarks"_s)->trigger();
    }
    void cleanupTestCase() { program_.reset(); }

    void everyTextFits_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("window");
        for (const auto& [code, choice] : {std::pair{"en", LanguageChoice::English}, {"ru", LanguageChoice::Russian}})
            for (const QString& name : checkedWindows())
                QTest::addRow("%s %s", code, qPrintable(name)) << int(choice) << name;
    }
    void everyTextFits() {
        QFETCH(int, language);
        QFETCH(QString, window);
        program_->language().LoadLanguage(LanguageChoice(language));
        QWidget* w = langtest::window(window);
        QVERIFY2(w != nullptr, qPrintable(window));
        const bool wasVisible = w->isVisible();
        w->show();
        QVERIFY2(w->screen()->availableGeometry().width() >= 1280, "the test runs on a screen of 1280 x 1024");
        // The main window at its designed size.
        if (window == u"FormMain"_s) {
            w->showNormal();
            w->resize(1024, 700);
        }
        // Layouts settle in more than one round after a language change.
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        const QStringList cuts = FitCheck(w).cuts();
        if (!wasVisible)
            w->hide();
        QVERIFY2(cuts.isEmpty(), qPrintable(window + u":\n"_s + cuts.join(u'\n')));
    }

private:
    std::unique_ptr<langtest::Program> program_;
};

QTEST_MAIN(TextsFitTest)
#include "tst_textsfit.moc"
