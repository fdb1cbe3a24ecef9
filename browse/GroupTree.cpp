#include "GroupTree.h"

#include "DMUnit.h"
#include "DbError.h"
#include "IniLang.h"
#include "MessageBoxes.h"
#include "PendingChange.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {

constexpr int kRootGroup = 1;
constexpr int kFoldedWidth = 18;
constexpr int kDesignedWidth = 120;
constexpr int kChangeDelayMs = 100;
constexpr int kToolButtonSize = 24;

GroupTree::InputAnswer& inputResponder() {
    static GroupTree::InputAnswer answer;
    return answer;
}

QString message(const char* key) {
    const QString k = QString::fromLatin1(key);
    return LangMessage(k, k);
}

// A 16x16 arrow pointing left or right.
QPixmap arrowPicture(bool left, const QColor& color) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    if (left) {
        path.moveTo(11, 3);
        path.lineTo(4, 8);
        path.lineTo(11, 13);
    } else {
        path.moveTo(5, 3);
        path.lineTo(12, 8);
        path.lineTo(5, 13);
    }
    path.closeSubpath();
    p.fillPath(path, color);
    return pm;
}

} // namespace

GroupTree::GroupTree(TDM& dm, QWidget* parent) : QWidget(parent), dm_(dm) {
    setObjectName(QStringLiteral("PanelLeft"));
    resize(kDesignedWidth, height());

    TreeViewMain = new QTreeWidget(this);
    TreeViewMain->setObjectName(QStringLiteral("TreeViewMain"));
    TreeViewMain->setToolTip(QStringLiteral("Группы"));
    TreeViewMain->setHeaderHidden(true);
    TreeViewMain->setColumnCount(1);
    TreeViewMain->setIndentation(21);
    TreeViewMain->setSelectionBehavior(QAbstractItemView::SelectRows);
    TreeViewMain->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeViewMain->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    TreeViewMain->setMouseTracking(true); // hot tracking
    TreeViewMain->setIconSize(QSize(18, 18));
    TreeViewMain->setContextMenuPolicy(Qt::CustomContextMenu);
    TreeViewMain->viewport()->installEventFilter(this);

    PanelLeftBottom = new QWidget(this);
    PanelLeftBottom->setObjectName(QStringLiteral("PanelLeftBottom"));
    PanelLeftBottom->setFixedHeight(36);
    buildToolbar();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TreeViewMain, 1);
    layout->addStretch(0); // keeps the bottom strip at the bottom while the tree is folded away
    layout->addWidget(PanelLeftBottom);

    // The change is reported once the selection has rested for the delay; a quicker change restarts it.
    changeTimer_ = new QTimer(this);
    changeTimer_->setSingleShot(true);
    changeTimer_->setInterval(kChangeDelayMs);
    connect(TreeViewMain, &QTreeWidget::currentItemChanged, changeTimer_, qOverload<>(&QTimer::start));
    connect(changeTimer_, &QTimer::timeout, this, [this] { TreeViewMainChange(TreeViewMain->currentItem()); });
    connect(TreeViewMain, &QTreeWidget::itemExpanded, this, &GroupTree::TreeViewMainExpanding);
    connect(TreeViewMain, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* node, int) {
        if (!settingText_)
            TreeViewMainEdited(node, node->text(0));
    });
    connect(TreeViewMain, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { RxPopupMenuTreeView->popup(TreeViewMain->viewport()->mapToGlobal(pos)); });
}

GroupTree::~GroupTree() = default;

void GroupTree::setInputResponder(InputAnswer answer) {
    inputResponder() = std::move(answer);
}

void GroupTree::buildToolbar() {
    auto makeAction = [this](const char* name, const char* caption, QStyle::StandardPixmap icon,
                             void (GroupTree::*handler)()) {
        auto* a = new QAction(style()->standardIcon(icon), QString::fromUtf8(caption), this);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(a->text());
        a->setProperty("category", QStringLiteral("GroupsTRV"));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    acTreeFullExpand = makeAction("acTreeFullExpand", "Show all groups", QStyle::SP_ToolBarVerticalExtensionButton,
                                  &GroupTree::acTreeFullExpandExecute);
    acTreeViewNewNode = makeAction("acTreeViewNewNode", "New group", QStyle::SP_FileDialogNewFolder,
                                   &GroupTree::acTreeViewNewNodeExecute);
    acTreeViewDelNode = makeAction("acTreeViewDelNode", "Del group", QStyle::SP_DialogDiscardButton,
                                   &GroupTree::acTreeViewDelNodeExecute);
    acTreeViewEditNodeCaption =
        makeAction("acTreeViewEditNodeCaption", "Rename group", QStyle::SP_FileDialogDetailedView,
                   &GroupTree::acTreeViewEditNodeCaptionExecute);

    TreeMainToolBar = new QToolBar(PanelLeftBottom);
    TreeMainToolBar->setObjectName(QStringLiteral("TreeMainToolBar"));
    TreeMainToolBar->setIconSize(QSize(16, 16));
    // All four buttons fit the designed 120-pixel panel beside the arrows: no margins, no spacing,
    // buttons just large enough for their pictures.
    TreeMainToolBar->setContentsMargins(0, 0, 0, 0);
    if (QLayout* l = TreeMainToolBar->layout()) {
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(0);
    }
    TreeMainToolBar->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));
    TreeMainToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    TreeMainToolBar->setMovable(false);
    TreeMainToolBar->setFloatable(false);
    auto makeButton = [this](const char* name, QAction* action) {
        auto* b = new QToolButton(TreeMainToolBar);
        b->setObjectName(QString::fromLatin1(name));
        b->setDefaultAction(action);
        b->setAutoRaise(true);
        b->setFixedSize(kToolButtonSize, kToolButtonSize);
        TreeMainToolBar->addWidget(b);
        return b;
    };
    ToolButton1 = makeButton("ToolButton1", acTreeFullExpand);
    ToolButton2 = makeButton("ToolButton2", acTreeViewNewNode);
    ToolButton3 = makeButton("ToolButton3", acTreeViewDelNode);
    ToolButton4 = makeButton("ToolButton4", acTreeViewEditNodeCaption);

    PanelLeftTopRight = new QWidget(PanelLeftBottom);
    PanelLeftTopRight->setObjectName(QStringLiteral("PanelLeftTopRight"));
    PanelLeftTopRight->setFixedWidth(20);
    const QColor arrowColor = palette().color(QPalette::WindowText);
    ImageArrowToRight = new QLabel(PanelLeftTopRight);
    ImageArrowToRight->setObjectName(QStringLiteral("ImageArrowToRight"));
    ImageArrowToRight->setPixmap(arrowPicture(false, arrowColor));
    ImageArrowToRight->setFixedSize(16, 16);
    ImageArrowToRight->setCursor(Qt::PointingHandCursor);
    ImageArrowToRight->installEventFilter(this);
    ImageArrowToLeft = new QLabel(PanelLeftTopRight);
    ImageArrowToLeft->setObjectName(QStringLiteral("ImageArrowToLeft"));
    ImageArrowToLeft->setPixmap(arrowPicture(true, arrowColor));
    ImageArrowToLeft->setFixedSize(16, 16);
    ImageArrowToLeft->setCursor(Qt::PointingHandCursor);
    ImageArrowToLeft->installEventFilter(this);
    auto* arrows = new QVBoxLayout(PanelLeftTopRight);
    arrows->setContentsMargins(1, 1, 1, 1);
    arrows->setSpacing(2);
    arrows->addWidget(ImageArrowToRight);
    arrows->addWidget(ImageArrowToLeft);

    auto* bottom = new QHBoxLayout(PanelLeftBottom);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->setSpacing(0);
    bottom->addWidget(TreeMainToolBar, 1);
    bottom->addWidget(PanelLeftTopRight, 0, Qt::AlignRight);

    RxPopupMenuTreeView = new QMenu(this);
    RxPopupMenuTreeView->setObjectName(QStringLiteral("RxPopupMenuTreeView"));
    RxPopupMenuTreeView->addAction(acTreeViewNewNode);
    RxPopupMenuTreeView->addAction(acTreeViewDelNode);
    RxPopupMenuTreeView->addAction(acTreeViewEditNodeCaption);
    RxPopupMenuTreeView->addAction(acTreeFullExpand);
}

QSize GroupTree::minimumSizeHint() const {
    // The folded panel is narrower than its toolbar would like.
    return {kFoldedWidth, QWidget::minimumSizeHint().height()};
}

int GroupTree::nodeGroup(const QTreeWidgetItem* node) {
    return node ? node->data(0, Qt::UserRole).toInt() : 0;
}

bool GroupTree::isPlaceholder(const QTreeWidgetItem* node) {
    return node && nodeGroup(node) == 0;
}

void GroupTree::takeReopenWidth() {
    reopenWidth_ = width() <= kFoldedWidth ? kDesignedWidth : width();
}

QTreeWidgetItem* GroupTree::addNode(QTreeWidgetItem* parent, int group, const QString& text) {
    static const QIcon icon = [] {
        QIcon i;
        const QStyle* s = QApplication::style();
        i.addPixmap(s->standardIcon(QStyle::SP_DirClosedIcon).pixmap(18, 18), QIcon::Normal);
        i.addPixmap(s->standardIcon(QStyle::SP_DirOpenIcon).pixmap(18, 18), QIcon::Selected);
        return i;
    }();
    auto* node = new QTreeWidgetItem;
    node->setText(0, text);
    node->setData(0, Qt::UserRole, group);
    node->setIcon(0, icon);
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    // Every node starts with one placeholder child, so it offers to expand before its children are known.
    auto* placeholder = new QTreeWidgetItem;
    placeholder->setData(0, Qt::UserRole, 0);
    node->addChild(placeholder);
    if (parent)
        parent->addChild(node);
    else
        TreeViewMain->addTopLevelItem(node);
    return node;
}

void GroupTree::ExpandLevel(QTreeWidgetItem* node) {
    const auto rows = dm_.IBQueryDBTree->run({QVariant(nodeGroup(node))});
    settingText_ = true;
    TreeViewMain->setUpdatesEnabled(false);
    for (const auto& row : rows)
        addNode(node, row.at(0).toInt(), row.at(2).toString());
    TreeViewMain->setUpdatesEnabled(true);
    settingText_ = false;
}

void GroupTree::RebuildTree() {
    settingText_ = true;
    TreeViewMain->clear();
    settingText_ = false;
    // Without a connection there are no groups to show; reading them would connect once more and ask
    // the user again for what start-up has already reported.
    if (!dm_.IBPhones->connected())
        return;
    try {
        ExpandLevel(nullptr);
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    }
    if (TreeViewMain->topLevelItemCount() > 0)
        TreeViewMain->setCurrentItem(TreeViewMain->topLevelItem(0));
}

void GroupTree::TreeViewMainExpanding(QTreeWidgetItem* node) {
    if (!node || node->childCount() == 0 || !isPlaceholder(node->child(0)))
        return;
    qDeleteAll(node->takeChildren());
    try {
        ExpandLevel(node);
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    }
}

void GroupTree::TreeViewMainMouseDown(const QPoint& point) {
    pressPoint_ = point;
    TreeViewMain->setCurrentItem(TreeViewMain->itemAt(point));
}

bool GroupTree::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TreeViewMain->viewport() && event->type() == QEvent::MouseButtonPress) {
        TreeViewMainMouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
    } else if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == ImageArrowToLeft)
            ImageArrowToLeftClick();
        else if (watched == ImageArrowToRight)
            ImageArrowToRightClick();
    }
    return QWidget::eventFilter(watched, event);
}

void GroupTree::TreeViewMainChange(QTreeWidgetItem* node) {
    if (!node)
        return;
    Dataset& contacts = *dm_.TabMain;
    // A change that cannot be saved is not read over: going back to it leaves the list, and the
    // selection, on the group shown.
    if (!pendingchange::settleBeforeReread(contacts)) {
        selectShownGroup();
        return;
    }
    try {
        const int group = nodeGroup(node);
        shownGroup_ = group;
        if (group == kRootGroup)
            contacts.setFilterState(QString(), false);
        else
            contacts.setFilterState(QStringLiteral("GR_NUM=%1").arg(group), true);
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    }
}

void GroupTree::selectShownGroup() {
    for (QTreeWidgetItemIterator it(TreeViewMain); *it; ++it) {
        if (nodeGroup(*it) == shownGroup_ && !isPlaceholder(*it)) {
            const QSignalBlocker quiet(TreeViewMain);
            TreeViewMain->setCurrentItem(*it);
            TreeViewMain->viewport()->update();
            return;
        }
    }
}

QTreeWidgetItem* GroupTree::nodeAtPressPoint() const {
    return TreeViewMain->itemAt(pressPoint_);
}

std::optional<QString> GroupTree::askText(const QString& caption, const QString& prompt, const QString& preset) {
    if (inputResponder())
        return inputResponder()(caption, prompt, preset);
    bool ok = false;
    const QString text = QInputDialog::getText(this, caption, prompt, QLineEdit::Normal, preset, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

void GroupTree::acTreeViewNewNodeExecute() {
    QTreeWidgetItem* node = nodeAtPressPoint();
    if (!node) {
        msgbox::showPlain(message("M027"));
        return;
    }
    const int parentGroup = nodeGroup(node);
    const std::optional<QString> name = askText(message("M022"), message("M023"), QString());
    if (!name)
        return;
    Dataset& groups = *dm_.TabContactGroups;
    int newGroup = 0;
    try {
        groups.open();
        groups.append();
        groups.setValue(QStringLiteral("PARENT_GROUP"), parentGroup);
        groups.setValue(QStringLiteral("GROUP_NAME"), *name);
        newGroup = groups.value(QStringLiteral("GR_NUM")).toInt();
        groups.post();
    } catch (const DbError& e) {
        // The unsaved row must not linger in the shared dataset.
        if (groups.isEditing())
            groups.cancel();
        msgbox::showError(e.message());
        return;
    }

    RebuildTree();
    TreeViewMain->setUpdatesEnabled(false);
    for (int i = 0; i < TreeViewMain->topLevelItemCount(); ++i)
        expandAll(TreeViewMain->topLevelItem(i));
    TreeViewMain->collapseAll();
    for (QTreeWidgetItemIterator it(TreeViewMain); *it; ++it) {
        if (nodeGroup(*it) == newGroup && !isPlaceholder(*it)) {
            for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent())
                p->setExpanded(true);
            TreeViewMain->setCurrentItem(*it);
            TreeViewMain->scrollToItem(*it);
            break;
        }
    }
    TreeViewMain->setUpdatesEnabled(true);
}

void GroupTree::acTreeViewDelNodeExecute() {
    QTreeWidgetItem* node = nodeAtPressPoint();
    if (!node) {
        msgbox::showPlain(message("M027"));
        return;
    }
    const int group = nodeGroup(node);
    if (group == kRootGroup) {
        msgbox::showWarning(message("M025"));
        return;
    }
    if (msgbox::askYesNoCancel(message("M024") + u' ' + node->text(0) + u'?') != QMessageBox::Yes)
        return;
    // Only the one row goes; the node leaves the tree with every loaded descendant.
    settingText_ = true;
    node->setData(0, Qt::UserRole, QVariant());
    delete node;
    settingText_ = false;
    Dataset& groups = *dm_.TabContactGroups;
    try {
        groups.open();
        if (groups.locate(QStringLiteral("GR_NUM"), group))
            groups.deleteCurrent();
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    }
}

void GroupTree::acTreeViewEditNodeCaptionExecute() {
    QTreeWidgetItem* node = nodeAtPressPoint();
    if (!node) {
        msgbox::showPlain(message("M027"));
        return;
    }
    const QString preset = node->text(0);
    // Cancel keeps the preset, which is then stored again unchanged.
    const QString name = askText(message("M022"), message("M028") + u' ' + preset + u'?', preset).value_or(preset);
    const int group = nodeGroup(node);
    Dataset& groups = *dm_.TabContactGroups;
    try {
        groups.open();
        if (!groups.locate(QStringLiteral("GR_NUM"), group))
            return;
        groups.setValue(QStringLiteral("GROUP_NAME"), name);
        groups.post();
    } catch (const DbError& e) {
        if (groups.isEditing())
            groups.cancel();
        msgbox::showError(e.message());
        return;
    }
    settingText_ = true;
    node->setText(0, name);
    settingText_ = false;
}

void GroupTree::TreeViewMainEdited(QTreeWidgetItem* node, const QString& text) {
    if (!node || isPlaceholder(node))
        return;
    Dataset& groups = *dm_.TabContactGroups;
    try {
        groups.open();
        if (!groups.locate(QStringLiteral("GR_NUM"), nodeGroup(node)))
            return;
        groups.setValue(QStringLiteral("GROUP_NAME"), text);
        groups.post();
    } catch (const std::exception&) {
        // The node keeps the typed text; the stored name stays as it was.
        try {
            if (groups.isEditing())
                groups.cancel();
        } catch (const std::exception&) {
        }
        msgbox::showLastOsError();
    }
}

void GroupTree::expandAll(QTreeWidgetItem* node) {
    node->setExpanded(true); // loads the level on the first expansion
    for (int i = 0; i < node->childCount(); ++i)
        if (!isPlaceholder(node->child(i)))
            expandAll(node->child(i));
}

void GroupTree::acTreeFullExpandExecute() {
    for (int i = 0; i < TreeViewMain->topLevelItemCount(); ++i)
        expandAll(TreeViewMain->topLevelItem(i));
}

void GroupTree::setPanelWidth(int width) {
    if (auto* splitter = qobject_cast<QSplitter*>(parentWidget())) {
        // In a splitter the width is the splitter's to give; the neighbour takes up the difference.
        QList<int> sizes = splitter->sizes();
        const int i = splitter->indexOf(this);
        if (i >= 0 && i < sizes.size()) {
            const int delta = width - sizes[i];
            sizes[i] = width;
            if (i + 1 < sizes.size())
                sizes[i + 1] = std::max(0, sizes[i + 1] - delta);
            splitter->setSizes(sizes);
            return;
        }
    }
    resize(width, height());
}

void GroupTree::ImageArrowToLeftClick() {
    TreeMainToolBar->hide();
    setPanelWidth(kFoldedWidth);
    TreeViewMain->hide();
    folded_ = true;
}

void GroupTree::ImageArrowToRightClick() {
    TreeViewMain->show();
    TreeMainToolBar->show();
    setPanelWidth(reopenWidth_);
    folded_ = false;
}
