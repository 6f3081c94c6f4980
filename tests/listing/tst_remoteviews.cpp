// The remote share views: the tree that entries grow, the selection step,
// sorting, the list's and the tree's commands, and their popups.
#include "core/icons.h"
#include "core/mainform.h"
#include "testform.h"
#include "listing/listingcontroller.h"
#include "listing/remoteresults.h"
#include "peers/peertree.h"
#include "promptrecorder.h"
#include "recordingmessenger.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTableView>
#include <QTreeWidget>

namespace {

ShareEntry entry(const QString &name, const QString &folder, const QString &owner = QStringLiteral("PC2"),
                 const QString &size = QStringLiteral("1"), const QString &password = {}) {
    return {name, size, {}, folder, owner, QStringLiteral("10.0.0.2"), password};
}

} // namespace

class TestRemoteViews : public QObject {
    Q_OBJECT

    std::unique_ptr<TestForm> form;

    RemoteShareViews &views() { return form->listing().views(); }
    QTreeWidget *tree() { return form->TV_ShareFile(); }
    QTableView *list() { return form->LV_ShareFile(); }
    int rows() { return list()->model()->rowCount(); }
    QModelIndex cell(int row, int c = 0) { return list()->model()->index(row, c); }
    void mark(int row, QItemSelectionModel::SelectionFlags how) {
        list()->selectionModel()->select(cell(row), how | QItemSelectionModel::Rows);
    }
    QTreeWidgetItem *root() { return tree()->topLevelItem(0); }
    QAction *action(const char *name) { return form->findChild<QAction *>(QString::fromLatin1(name)); }
    QString status() { return form->StatusText(2); }

    // The node at the path of texts below the share root node.
    QTreeWidgetItem *node(const QStringList &path) {
        QTreeWidgetItem *n = root();
        for (const QString &text : path) {
            QTreeWidgetItem *next = nullptr;
            for (int i = 0; n && i < n->childCount() && !next; ++i)
                if (n->child(i)->text(0) == text) next = n->child(i);
            n = next;
        }
        return n;
    }
    void choose(QTreeWidgetItem *n) {
        tree()->setCurrentItem(n);
        views().TV_ShareFileChange();
    }
    QStringList selectedNames() {
        QStringList names;
        for (const ShareEntry &e : views().SelectedEntries()) names << e.name;
        return names;
    }
    QStringList column(int c) {
        QStringList texts;
        for (int i = 0; i < rows(); ++i) texts << cell(i, c).data().toString();
        return texts;
    }
    void fill() {
        views().PlantShareRoot();
        views().AddEntry(entry(QStringLiteral("root.txt"), QStringLiteral("C:\\"), QStringLiteral("PC1")));
        views().AddEntry(entry(QStringLiteral("a1.txt"), QStringLiteral("C:\\A\\")));
        views().AddEntry(entry(QStringLiteral("b1.txt"), QStringLiteral("C:\\A\\B\\")));
        views().AddEntry(entry(QStringLiteral("m.ogg"), QStringLiteral("/home/u/Music/"), QStringLiteral("LNX")));
        views().AddEntry(entry(QStringLiteral("u.txt"), QStringLiteral("/home/u/"), QStringLiteral("LNX")));
        views().AddEntry(entry(QStringLiteral("top"), QStringLiteral("/"), QStringLiteral("LNX")));
        views().ExpandAll();
    }

private slots:
    void init() {
        form = std::make_unique<TestForm>();
        form->host().LocalIP = QStringLiteral("10.0.0.1");
        form->host().ComputerName = QStringLiteral("ME");
    }
    void cleanup() { form.reset(); }

    void treeGrowsFromEntries() {
        fill();
        QCOMPARE(root()->text(0), QStringLiteral("전체"));
        QCOMPARE(RemoteNodeImageOf(root()), 0);
        QCOMPARE(RemoteNodeImageOf(node({QStringLiteral("PC1")})), 1);
        QCOMPARE(RemoteNodeImageOf(node({QStringLiteral("PC1"), QStringLiteral("C:")})), 3); // drive root, last part
        const QStringList c{QStringLiteral("PC2"), QStringLiteral("C:")};
        QCOMPARE(RemoteNodeImageOf(node(c)), 2);
        QCOMPARE(RemoteNodeImageOf(node(c + QStringList{QStringLiteral("A")})), 5); // made last, stays so
        QCOMPARE(RemoteNodeImageOf(node(c + QStringList{QStringLiteral("A"), QStringLiteral("B")})), 5);
        const QStringList u{QStringLiteral("LNX"), QStringLiteral("/"), QStringLiteral("home"), QStringLiteral("u")};
        QCOMPARE(RemoteNodeImageOf(node(u.mid(0, 2))), 2);
        QCOMPARE(RemoteNodeImageOf(node(u.mid(0, 3))), 4);
        QCOMPARE(RemoteNodeImageOf(node(u)), 4);
        QCOMPARE(RemoteNodeImageOf(node(u + QStringList{QStringLiteral("Music")})), 5);
        QCOMPARE(node({QStringLiteral("LNX")})->childCount(), 1);

        // Shared nodes: the same owner and folder add only a row; a network
        // path ends at the owner; an owner with the same name shares the node.
        // A datagram's entries arrive as one batch: one insertion of rows.
        const int nodes = node(c)->childCount();
        QSignalSpy inserted(list()->model(), &QAbstractItemModel::rowsInserted);
        views().AddEntries({entry(QStringLiteral("a2.txt"), QStringLiteral("C:\\A\\")),
                            {QStringLiteral("n.txt"), QStringLiteral("1"), {}, QStringLiteral("\\\\srv\\s\\"),
                             QStringLiteral("PC2"), QStringLiteral("10.0.0.99"), {}}});
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(node(c)->childCount(), nodes);
        // Rows share one copy of a repeated text.
        const RemoteResults &results = views().Results();
        const int a2 = results.Rows() - 2;
        QCOMPARE(results.Text(a2, RemoteResults::Folder).constData(), results.Text(1, RemoteResults::Folder).constData());
        QCOMPARE(results.Text(a2, RemoteResults::Owner).constData(), results.Text(2, RemoteResults::Owner).constData());
        QCOMPARE(root()->childCount(), 3);
        QCOMPARE(node({QStringLiteral("PC2")})->childCount(), 1);
        QCOMPARE(rows(), 8);

        const ShareEntry last = views().Entries().last();
        QCOMPARE(last.ownerIP, QStringLiteral("10.0.0.99"));
        QCOMPARE(list()->model()->columnCount(), 7);
        QVERIFY(list()->isColumnHidden(6));

        // Expanded once per batch: the new nodes, and after a collapse every node.
        form->peers().MnuCollapseAllClick();
        views().AddEntry(entry(QStringLiteral("d.txt"), QStringLiteral("D:\\new\\")));
        views().ExpandAll();
        QVERIFY(root()->isExpanded() && node(c)->isExpanded());
        QVERIFY(node({QStringLiteral("PC2"), QStringLiteral("D:")})->isExpanded());

        // Row icons by the password, blanks cut off.
        views().AddEntry(entry(QStringLiteral("p"), QStringLiteral("C:\\"), QStringLiteral("PC1"), QStringLiteral("1"), QStringLiteral(" k ")));
        views().AddEntry(entry(QStringLiteral("q"), QStringLiteral("C:\\"), QStringLiteral("PC1"), QStringLiteral("1"), QStringLiteral("  ")));
        const int n = rows();
        QCOMPARE(cell(n - 2).data(Qt::DecorationRole).value<QIcon>().cacheKey(), icons::Get(icons::Id::FileLocked).cacheKey());
        QCOMPARE(cell(n - 1).data(Qt::DecorationRole).value<QIcon>().cacheKey(), icons::Get(icons::Id::FileOpen).cacheKey());

        // Without a share root node entries add rows only.
        views().Clear();
        views().AddEntry(entry(QStringLiteral("x"), QStringLiteral("C:\\")));
        QCOMPARE(tree()->topLevelItemCount(), 0);
        QCOMPARE(rows(), 1);
    }

    void selectionStep() {
        fill();
        views().AddEntry(entry(QStringLiteral("twin.txt"), QStringLiteral("D:\\"), QStringLiteral("PC1")));
        choose(root());
        QCOMPARE(status(), QStringLiteral("대상: 전체,  파일수: 7 개"));
        choose(node({QStringLiteral("PC1")}));
        QCOMPARE(selectedNames(), (QStringList{QStringLiteral("root.txt"), QStringLiteral("twin.txt")}));
        QCOMPARE(status(), QStringLiteral("대상: PC1,  파일수: 2 개"));
        const QStringList c{QStringLiteral("PC2"), QStringLiteral("C:")};
        choose(node(c + QStringList{QStringLiteral("A")})); // image 5: its own folder only
        QCOMPARE(selectedNames(), QStringList{QStringLiteral("a1.txt")});
        QCOMPARE(status(), QStringLiteral("대상: PC2<C:\\A>,  파일수: 1 개"));
        choose(node(c)); // image 2: and everything below
        QCOMPARE(selectedNames(), (QStringList{QStringLiteral("a1.txt"), QStringLiteral("b1.txt")}));
        QCOMPARE(status(), QStringLiteral("대상: PC2<C:>,  파일수: 2 개"));
        const QStringList u{QStringLiteral("LNX"), QStringLiteral("/"), QStringLiteral("home"), QStringLiteral("u")};
        choose(node(u));
        QCOMPARE(selectedNames(), (QStringList{QStringLiteral("m.ogg"), QStringLiteral("u.txt")}));
        QCOMPARE(status(), QStringLiteral("대상: LNX</home/u>,  파일수: 2 개"));
        choose(node(u.mid(0, 2)));
        QCOMPARE(selectedNames().size(), 3);
        QCOMPARE(status(), QStringLiteral("대상: LNX</>,  파일수: 3 개"));

        const RemoteNode music = views().NodeOf(node(u + QStringList{QStringLiteral("Music")}));
        QCOMPARE(music.owner, QStringLiteral("LNX"));
        QCOMPARE(music.components, (QStringList{QStringLiteral("/"), QStringLiteral("home"), QStringLiteral("u"), QStringLiteral("Music")}));
        QCOMPARE(music.folderPath, QStringLiteral("/home/u/Music/"));
        QCOMPARE(views().EntriesUnder(views().NodeOf(node(u)), false).size(), 1);
        QCOMPARE(views().EntriesUnder(views().NodeOf(node(u)), true).size(), 2);
        QCOMPARE(views().Owners(), (QStringList{QStringLiteral("PC1"), QStringLiteral("PC2"), QStringLiteral("LNX")}));

        // The change event follows a new current node 50 ms later.
        tree()->setCurrentItem(node({QStringLiteral("PC2")}));
        QTRY_COMPARE(status(), QStringLiteral("대상: PC2,  파일수: 2 개"));
        tree()->clearSelection();
        views().TV_ShareFileChange();
        QCOMPARE(status(), QString());
        QVERIFY(views().SelectedEntries().isEmpty());
        QCOMPARE(views().SelectedNode().image, -1);
    }

    void selectionOfManyRows() {
        views().PlantShareRoot();
        for (int i = 0; i < 250; ++i)
            views().AddEntry(entry(QString::number(i), QStringLiteral("C:\\"), i % 2 ? QStringLiteral("SAME") : QStringLiteral("OTHER")));
        views().AddEntry({QStringLiteral("x"), QStringLiteral("1"), {}, QStringLiteral("C:\\"), QStringLiteral("SAME"), QStringLiteral("10.0.0.3"), {}});
        choose(root());
        QCOMPARE(status(), QStringLiteral("대상: 전체,  파일수: 251 개"));
        // Two computers of the same name share the node and its rows.
        choose(node({QStringLiteral("SAME")}));
        QCOMPARE(status(), QStringLiteral("대상: SAME,  파일수: 126 개"));
        QVERIFY(list()->isEnabled());
    }

    void sorting() {
        views().PlantShareRoot();
        const QStringList sizes{QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("abc"), QStringLiteral("-1")};
        const QStringList names{QStringLiteral("b"), QStringLiteral("A"), QStringLiteral("_c"), QStringLiteral("가")};
        for (int i = 0; i < 4; ++i) views().AddEntry(entry(names[i], QStringLiteral("C:\\"), QStringLiteral("PC"), sizes[i]));
        views().LV_ShareFileColumnClick(1);
        QCOMPARE(column(1), (QStringList{QStringLiteral("-1"), QStringLiteral("abc"), QStringLiteral("9"), QStringLiteral("10")}));
        list()->horizontalHeader()->sectionClicked(1); // the header's click, a second time: descending
        QCOMPARE(column(1), (QStringList{QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("abc"), QStringLiteral("-1")}));
        // Names: ASCII letters without case, as upper case, so "_" follows them.
        views().LV_ShareFileColumnClick(0);
        QCOMPARE(column(0), (QStringList{QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("_c"), QStringLiteral("가")}));
        views().LV_ShareFileColumnClick(1); // column 1 was clicked twice: ascending again
        QCOMPARE(column(1).first(), QStringLiteral("-1"));
        views().LV_ShareFileColumnClick(0); // once before: descending
        QCOMPARE(column(0).first(), QStringLiteral("가"));

        // The selection stays with its rows.
        mark(0, QItemSelectionModel::Select);
        views().LV_ShareFileColumnClick(1);
        QCOMPARE(selectedNames(), QStringList{QStringLiteral("가")});

        // An empty list ignores the click and leaves the direction alone.
        views().LV_ShareFileColumnClick(0); // the third click: ascending, descending next
        views().Clear();
        views().LV_ShareFileColumnClick(0);
        views().AddEntry(entry(QStringLiteral("y"), QStringLiteral("C:\\")));
        views().AddEntry(entry(QStringLiteral("z"), QStringLiteral("C:\\")));
        views().LV_ShareFileColumnClick(0);
        QCOMPARE(column(0), (QStringList{QStringLiteral("z"), QStringLiteral("y")}));
    }

    void listCommands() {
        views().PlantShareRoot();
        for (const char *n : {"a", "b", "c", "d"}) views().AddEntry(entry(QString::fromLatin1(n), QStringLiteral("C:\\")));
        PromptRecorder prompts;
        action("MenuItem2")->trigger();
        QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("삭제할 파일(들)을 선택하세요.")});
        QCOMPARE(rows(), 4);

        action("MI_SelectAllFile")->trigger();
        QCOMPARE(selectedNames().size(), 4);
        mark(1, QItemSelectionModel::Deselect);
        mark(3, QItemSelectionModel::Deselect);
        action("MI_InvertSelectFile")->trigger();
        QCOMPARE(selectedNames(), (QStringList{QStringLiteral("b"), QStringLiteral("d")}));

        // The focus row was deleted: the row that took its place is selected.
        list()->selectionModel()->setCurrentIndex(cell(1), QItemSelectionModel::NoUpdate);
        action("MenuItem2")->trigger();
        QCOMPARE(column(0), (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
        QCOMPARE(selectedNames(), QStringList{QStringLiteral("c")});
        QCOMPARE(prompts.asked.size(), 1);
        QCOMPARE(root()->text(0), QStringLiteral("전체")); // the tree stays

        // Keys on the list: Ctrl+A and Del.
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(selectedNames().size(), 2);
        QTest::keyClick(list(), Qt::Key_Delete);
        QCOMPARE(rows(), 0);
    }

    void deleteNode() {
        fill();
        const QStringList c{QStringLiteral("PC2"), QStringLiteral("C:")};
        tree()->setCurrentItem(node(c + QStringList{QStringLiteral("A")}));
        action("MI_DeleteFolder")->trigger();
        // A (image 5) took only its own rows; B's rows stay, under C: now chosen.
        QVERIFY(!node(c + QStringList{QStringLiteral("A")}));
        QVERIFY(!column(0).contains(QStringLiteral("a1.txt")));
        QVERIFY(column(0).contains(QStringLiteral("b1.txt")));
        QCOMPARE(tree()->currentItem(), node(c));
        QCOMPARE(selectedNames(), QStringList{QStringLiteral("b1.txt")});
        QCOMPARE(status(), QStringLiteral("대상: PC2<C:>,  파일수: 1 개"));

        tree()->setCurrentItem(node({QStringLiteral("LNX")}));
        views().MI_DeleteFolderClick();
        QVERIFY(!node({QStringLiteral("LNX")}));
        QCOMPARE(column(0), (QStringList{QStringLiteral("root.txt"), QStringLiteral("b1.txt")}));
    }

    void popupEnabling() {
        const auto enabled = [&] {
            views().PM_DownFolderPopup();
            QStringList on;
            for (const char *n : {"MI_DownFolder", "MI_DownFolderSub", "MI_DeleteFolder"})
                if (action(n)->isEnabled()) on << QString::fromLatin1(n);
            return on;
        };
        QCOMPARE(action("MI_DownFolder")->data().toInt(), 1);
        QCOMPARE(action("MI_DownFolderSub")->data().toInt(), 2);
        QCOMPARE(enabled(), QStringList());
        fill();
        tree()->setCurrentItem(root());
        QCOMPARE(enabled(), QStringList{QStringLiteral("MI_DownFolderSub")});
        tree()->setCurrentItem(node({QStringLiteral("PC2"), QStringLiteral("C:")}));
        QCOMPARE(enabled(), (QStringList{QStringLiteral("MI_DownFolderSub"), QStringLiteral("MI_DeleteFolder")}));
        tree()->setCurrentItem(node({QStringLiteral("PC1"), QStringLiteral("C:")}));
        QCOMPARE(enabled(), (QStringList{QStringLiteral("MI_DownFolder"), QStringLiteral("MI_DownFolderSub"),
                                         QStringLiteral("MI_DeleteFolder")}));
        action("MI_SelectAllFile")->trigger();
        action("MenuItem2")->trigger();
        QCOMPARE(enabled(), QStringList{QStringLiteral("MI_DeleteFolder")});
        QCOMPARE(form->findChild<QMenu *>(QStringLiteral("PM_DownFolder")), views().PM_DownFolder());
        QCOMPARE(views().PopupMenu1()->actions().first()->objectName(), QStringLiteral("MI_FileGet"));
    }
};

QTEST_MAIN(TestRemoteViews)
#include "tst_remoteviews.moc"
