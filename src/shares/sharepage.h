#pragma once
// The share settings page: the list of published files and folders and its
// commands. Files and folders dropped on it from a file manager are added as
// the add commands add them.
#include "platform/sambashares.h"
#include "shares/shareregistry.h"

#include <QWidget>

#include <utility>

class QAction;
class QMenu;
class QPushButton;
class QTreeView;
class TMainForm;

class TSharePage : public QWidget {
    Q_OBJECT
public:
    TSharePage(TMainForm &main, QWidget *parent);

    QTreeView *LV_EnrollFile() const { return list_; }
    QMenu *PM_ShareFile() const { return menu_; }

    void MI_AddFileClick();
    void MI_AddDirClick();
    void BB_AddWindowsClick();
    void MI_DeleteFileClick();
    void MI_SelectAllClick();
    void MI_SetCommentClick();
    void MI_SetPasswordClick();
    void N2Click();
    void N3Click();
    // Enables the remove item exactly when rows are selected.
    void PM_ShareFilePopup();
    void LV_EnrollFileColumnClick(int column);
    // The share count line, while this page is the current one.
    void PC_MessageChange();

    // Where the import finds the Samba configuration and usershares.
    void SetSambaLocations(const SambaLocations &where) { samba_ = where; }

protected:
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;

private:
    void buildList();
    void buildButtons();
    void buildMenu();
    QAction *addMenuItem(const char *name, const QString &caption, const QString &hint, void (TSharePage::*handler)());
    QPushButton *addButton(const char *name, const QString &caption, const QString &hint, void (TSharePage::*handler)());
    // The selected rows in ascending order.
    QList<int> selectedRows() const;
    // Tells the user why a path was not added; false when no more can be added.
    bool admit(AddResult result, const QString &path);
    // Adds each path as its kind, in order, with the add commands' messages; then recounts.
    void sharePaths(const QList<std::pair<QString, ShareKind>> &paths);

    TMainForm &main_;
    ShareRegistry &registry_;
    QTreeView *list_ = nullptr;
    QWidget *buttons_ = nullptr;
    QMenu *menu_ = nullptr;
    QAction *deleteItem_ = nullptr;
    QString lastFolder_;
    SambaLocations samba_;
};
