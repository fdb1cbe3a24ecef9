#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TDM;

// The left panel of the main window: the tree of contact groups, its toolbar and the two arrows
// that fold the panel away and bring it back. Selecting a group narrows the contact list to that
// group; the tree loads one level at a time, when a node is first expanded.
class GroupTree : public QWidget {
    Q_OBJECT
public:
    explicit GroupTree(TDM& dm, QWidget* parent = nullptr);
    ~GroupTree() override;

    // The text dialogs of the group commands. Answers the typed text, or nothing on Cancel.
    // Tests install their own answer; an empty function means the real dialog.
    using InputAnswer =
        std::function<std::optional<QString>(const QString& caption, const QString& prompt, const QString& preset)>;
    static void setInputResponder(InputAnswer answer);

    QTreeWidget* TreeViewMain = nullptr;
    QWidget* PanelLeftBottom = nullptr;
    QToolBar* TreeMainToolBar = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QToolButton* ToolButton3 = nullptr;
    QToolButton* ToolButton4 = nullptr;
    QWidget* PanelLeftTopRight = nullptr;
    QLabel* ImageArrowToRight = nullptr;
    QLabel* ImageArrowToLeft = nullptr;
    QMenu* RxPopupMenuTreeView = nullptr;
    QAction* acTreeFullExpand = nullptr;
    QAction* acTreeViewNewNode = nullptr;
    QAction* acTreeViewDelNode = nullptr;
    QAction* acTreeViewEditNodeCaption = nullptr;

    // The group number a node stands for (0 for the placeholder of an unloaded level).
    static int nodeGroup(const QTreeWidgetItem* node);
    static bool isPlaceholder(const QTreeWidgetItem* node);

    QPoint pressPoint() const { return pressPoint_; }
    // Takes the panel's present width as the width it gets back when unfolded (18 or less counts as 120).
    void takeReopenWidth();
    int reopenWidth() const { return reopenWidth_; }
    bool folded() const { return folded_; }

    QSize minimumSizeHint() const override;

public Q_SLOTS:
    void RebuildTree();
    // Loads the child groups of the node, or the top level when node is nullptr.
    void ExpandLevel(QTreeWidgetItem* node);
    void TreeViewMainExpanding(QTreeWidgetItem* node);
    // Records the press point (client coordinates of the tree) and selects the node there.
    void TreeViewMainMouseDown(const QPoint& point);
    void TreeViewMainChange(QTreeWidgetItem* node);
    void TreeViewMainEdited(QTreeWidgetItem* node, const QString& text);
    void acTreeViewNewNodeExecute();
    void acTreeViewDelNodeExecute();
    void acTreeViewEditNodeCaptionExecute();
    void acTreeFullExpandExecute();
    void ImageArrowToLeftClick();
    void ImageArrowToRightClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidgetItem* nodeAtPressPoint() const;
    // Selects the node of the group the list shows, without reporting a change.
    void selectShownGroup();
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, int group, const QString& text);
    void expandAll(QTreeWidgetItem* node);
    void setPanelWidth(int width);
    std::optional<QString> askText(const QString& caption, const QString& prompt, const QString& preset);
    void buildToolbar();

    TDM& dm_;
    QTimer* changeTimer_ = nullptr;
    QPoint pressPoint_;
    int reopenWidth_ = 120;
    bool folded_ = false;
    bool settingText_ = false; // texts set by the program are not in-place edits
    int shownGroup_ = 1;       // the group whose contacts the list shows (1: every contact)
};
