// Choosing files to download: one or several rows, an owner, a drive or a
// folder of the remote tree, passwords, the confirmation dialog, and what a
// peer's names can make of a target path.
#include "clientharness.h"
#include "download/downconfirm.h"
#include "listing/listingcontroller.h"
#include "promptrecorder.h"
#include "shares/sharepassword.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTableView>
#include <QTreeWidget>

class TestDownloadChooser : public QObject {
    Q_OBJECT

    std::unique_ptr<ClientHarness> h;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<PromptRecorder> prompts;
    QTimer *dialogWatch = nullptr;
    int dialogs = 0;
    QStringList opened;

    QString down() { return dir->path(); }
    ShareEntry entry(const QString &name, const QString &folder, const QString &owner = QStringLiteral("PC01"),
                     const QString &password = {}) {
        const QString ip = owner == QLatin1String("PC01") ? QStringLiteral("10.0.0.5") : QStringLiteral("10.0.0.6");
        return {name, QStringLiteral("10"), {}, folder, owner, ip,
                password.isEmpty() ? QString() : EncodePassword(password, kPasswordKey)};
    }
    void add(const QList<ShareEntry> &entries) {
        RemoteShareViews &v = h->form->listing().views();
        if (!h->form->TV_ShareFile()->topLevelItem(0)) v.PlantShareRoot();
        for (const ShareEntry &e : entries) v.AddEntry(e);
    }
    void selectRows(const QList<int> &rows) {
        QTableView *list = h->form->LV_ShareFile();
        list->clearSelection();
        for (int r : rows)
            list->selectionModel()->select(list->model()->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // The tree node at the end of a path of captions below "전체".
    QTreeWidgetItem *node(const QStringList &path) {
        QTreeWidgetItem *n = h->form->TV_ShareFile()->topLevelItem(0);
        for (const QString &caption : path) {
            QTreeWidgetItem *next = nullptr;
            for (int i = 0; n && i < n->childCount(); ++i)
                if (n->child(i)->text(0) == caption) next = n->child(i);
            n = next;
        }
        return n;
    }
    QAction *action(const char *name) { return h->form->findChild<QAction *>(QString::fromLatin1(name)); }
    void chooseNode(const QStringList &path, const char *item) {
        QTreeWidgetItem *n = node(path);
        QVERIFY2(n, qPrintable(path.join(QLatin1Char('/'))));
        h->form->TV_ShareFile()->setCurrentItem(n);
        QVERIFY(action(item)->isEnabled());
        action(item)->trigger();
    }
    // Every confirmation dialog from now on is answered by answer once it runs.
    void onDialog(std::function<void(TDownConfirmForm &)> answer) {
        delete dialogWatch;
        dialogWatch = new QTimer(this);
        dialogWatch->setInterval(10);
        connect(dialogWatch, &QTimer::timeout, this, [this, answer] {
            auto *d = qobject_cast<TDownConfirmForm *>(QApplication::activeModalWidget());
            if (!d) return;
            ++dialogs;
            answer(*d);
        });
        dialogWatch->start();
    }
    void confirmInto(const QString &folder, bool resume = false) {
        onDialog([folder, resume](TDownConfirmForm &d) {
            d.E_dpath()->setText(folder);
            if (resume) d.RB_resume()->setChecked(true);
            d.findChild<QPushButton *>(QStringLiteral("BB_Ok"))->click();
        });
    }
    QStringList savePaths() {
        QStringList paths;
        for (int r = 0; r < h->queue().Count(); ++r) paths << h->row(r)[DownloadRow::SavePath];
        return paths;
    }
    QList<prompts::Request> asked(prompts::Kind kind) {
        QList<prompts::Request> r;
        for (const auto &q : prompts->asked)
            if (q.kind == kind) r << q;
        return r;
    }
    static prompts::Answer typed(const QString &text, bool ok = true) { return {ok, text, {}}; }

private slots:
    void init() {
        h = std::make_unique<ClientHarness>();
        dir = std::make_unique<QTemporaryDir>();
        prompts = std::make_unique<PromptRecorder>();
        dialogs = 0;
        opened.clear();
        h->down().SetShellOpener([this](const QString &p) { opened << p; });
    }
    void cleanup() {
        delete dialogWatch;
        dialogWatch = nullptr;
        h.reset();
        prompts.reset();
        dir.reset();
    }

    void nothingChosen() {
        add({entry(QStringLiteral("a.txt"), QStringLiteral("C:\\s\\"))});
        action("MI_FileGet")->trigger();
        QCOMPARE(prompts->Texts(), QStringList{"먼저 다운받을 파일(들)을 리스트에서 선택하세요."});
        QCOMPARE(h->queue().Count(), 0);
    }

    void oneFileUnderAnotherName() {
        add({entry(QStringLiteral("a.txt"), QStringLiteral("C:\\share\\docs\\"))});
        selectRows({0});
        // The download folder was removed while the program ran.
        h->form->host().DownloadDir = down() + QStringLiteral("/gone/Quillmere/");
        QString owner, source, folder, name;
        bool nameEnabled = false;
        onDialog([&](TDownConfirmForm &d) {
            owner = d.L_owner()->text();
            source = d.L_spath()->toolTip();
            folder = d.E_dpath()->text();
            name = d.E_dfile()->text();
            nameEnabled = d.E_dfile()->isEnabled();
            QVERIFY(d.RB_overwrite()->isChecked());
            d.E_dpath()->setText(down() + QStringLiteral("/"));
            d.E_dfile()->setText(QStringLiteral("b.txt"));
            d.RB_resume()->setChecked(true);
            d.findChild<QPushButton *>(QStringLiteral("BB_Ok"))->click();
        });
        emit h->form->LV_ShareFile()->doubleClicked(h->form->LV_ShareFile()->model()->index(0, 0));
        QCOMPARE(dialogs, 1);
        QCOMPARE(owner, QStringLiteral("PC01 (10.0.0.5)"));
        QCOMPARE(source, QStringLiteral("C:\\share\\docs\\a.txt"));
        QCOMPARE(folder, down() + QStringLiteral("/gone/Quillmere")); // the trailing "/" is gone as the dialog appears
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(name, QStringLiteral("a.txt"));
        QVERIFY(nameEnabled);
        QCOMPARE(h->queue().Count(), 1);
        QCOMPARE(h->row(0)[DownloadRow::FileName], QStringLiteral("a.txt"));
        QCOMPARE(h->row(0)[DownloadRow::SavePath], down() + QStringLiteral("/b.txt"));
        QCOMPARE(h->row(0)[DownloadRow::SourceFolder], QStringLiteral("C:\\share\\docs\\"));
        QCOMPARE(h->row(0)[DownloadRow::OwnerIP], QStringLiteral("10.0.0.5"));
        QCOMPARE(h->row(0)[DownloadRow::Mode], QStringLiteral("R"));
        QCOMPARE(h->form->host().DownloadDir, down());
        QVERIFY(h->down().isVisible());
    }

    void theDialogChecksWhatItIsGiven() {
        add({entry(QStringLiteral("a.txt"), QStringLiteral("C:\\s\\"))});
        selectRows({0});
        const QString before = h->form->host().DownloadDir;
        bool stayedOpen = false;
        onDialog([&](TDownConfirmForm &d) {
            auto *ok = d.findChild<QPushButton *>(QStringLiteral("BB_Ok"));
            d.E_dpath()->setText(down() + QStringLiteral("/missing"));
            ok->click();
            d.E_dpath()->setText(down());
            d.E_dfile()->clear();
            ok->click();
            stayedOpen = d.isVisible();
            d.findChild<QPushButton *>(QStringLiteral("BB_Cancel"))->click();
        });
        action("MI_FileGet")->trigger();
        QVERIFY(stayedOpen);
        QCOMPARE(prompts->Texts(), (QStringList{"받을 폴더를 정확히 지정하세요", "받을 이름을 정확히 입력하세요"}));
        QCOMPARE(h->queue().Count(), 0);
        QCOMPARE(h->form->host().DownloadDir, before);
        QVERIFY(!h->down().isVisible());
    }

    void oneProtectedFile() {
        add({entry(QStringLiteral("a.txt"), QStringLiteral("C:\\s\\"), QStringLiteral("PC01"), QStringLiteral("pw"))});
        selectRows({0});
        prompts->answers = {typed(QStringLiteral("nope"))};
        confirmInto(down());
        action("MI_FileGet")->trigger();
        QCOMPARE(prompts->Texts(), (QStringList{"파일의 접근권한 암호: ", "비밀번호가 일치하지 않습니다."}));
        QCOMPARE(prompts->asked.first().caption, QStringLiteral("비공개 파일"));
        QCOMPARE(dialogs, 0);

        prompts->asked.clear();
        prompts->answers = {typed({})};
        action("MI_FileGet")->trigger();
        QCOMPARE(prompts->Texts(), QStringList{"파일의 접근권한 암호: "}); // an empty answer ends it silently
        QCOMPARE(dialogs, 0);

        prompts->answers = {typed(QStringLiteral("pw"))};
        action("MI_FileGet")->trigger();
        QCOMPARE(dialogs, 1);
        QCOMPARE(h->queue().Count(), 1);
    }

    void severalFilesAskOncePerPassword() {
        add({entry(QStringLiteral("f1"), QStringLiteral("C:\\s\\"), QStringLiteral("PC01"), QStringLiteral("A")),
             entry(QStringLiteral("f2"), QStringLiteral("C:\\s\\"), QStringLiteral("PC01"), QStringLiteral("A")),
             entry(QStringLiteral("f3"), QStringLiteral("C:\\s\\"), QStringLiteral("PC01"), QStringLiteral("B")),
             entry(QStringLiteral("f4"), QStringLiteral("C:\\s\\"))});
        selectRows({0, 1, 2, 3});
        prompts->answers = {typed(QStringLiteral("A")), typed(QStringLiteral("B"))};
        confirmInto(down());
        action("MI_FileGet")->trigger();
        const auto inputs = asked(prompts::Kind::TextInput);
        QCOMPARE(inputs.size(), 2);
        QCOMPARE(inputs[0].caption, QStringLiteral("PC01님의 \"f1\""));
        QCOMPARE(inputs[1].caption, QStringLiteral("PC01님의 \"f3\""));
        QCOMPARE(inputs[0].text, QStringLiteral("파일의 접근권한 암호: "));
        QCOMPARE(savePaths(), (QStringList{down() + "/f1", down() + "/f2", down() + "/f3", down() + "/f4"}));
        QCOMPARE(h->row(0)[DownloadRow::Mode], QStringLiteral("O"));
    }

    void aWrongPasswordAsksWhetherToGoOn() {
        add({entry(QStringLiteral("f1"), QStringLiteral("C:\\s\\"), QStringLiteral("PC01"), QStringLiteral("A")),
             entry(QStringLiteral("f2"), QStringLiteral("C:\\s\\"), QStringLiteral("PC01"), QStringLiteral("B")),
             entry(QStringLiteral("f3"), QStringLiteral("C:\\s\\"), QStringLiteral("PC01"), QStringLiteral("C"))});
        selectRows({0, 1, 2});
        // f1: wrong, Yes: queued all the same. f2: wrong, No: the walk ends.
        prompts->answers = {typed(QStringLiteral("x")), typed({}), typed(QStringLiteral("y")), typed({}, false)};
        confirmInto(down());
        action("MI_FileGet")->trigger();
        QCOMPARE(prompts->Texts(), (QStringList{"파일의 접근권한 암호: ", "비밀번호가 일치하지 않습니다.\r\n계속 진행할까요?",
                                                "파일의 접근권한 암호: ", "비밀번호가 일치하지 않습니다.\r\n계속 진행할까요?"}));
        QCOMPARE(savePaths(), QStringList{down() + "/f1"});
        QVERIFY(h->down().isVisible());
    }

    void cancellingQueuesNothing() {
        add({entry(QStringLiteral("f1"), QStringLiteral("C:\\s\\")), entry(QStringLiteral("f2"), QStringLiteral("C:\\s\\"))});
        selectRows({0, 1});
        onDialog([](TDownConfirmForm &d) { d.reject(); });
        action("MI_FileGet")->trigger();
        chooseNode({QStringLiteral("PC01")}, "MI_DownFolderSub");
        QCOMPARE(dialogs, 2);
        QVERIFY(prompts->asked.isEmpty());
        QCOMPARE(h->queue().Count(), 0);
    }

    void targetPathsOfTreeNodes_data() {
        QTest::addColumn<QStringList>("nodePath");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("targets");
        QTest::newRow("owner") << QStringList{"PC01"} << "MI_DownFolderSub"
                               << QStringList{"PC01/C/share/docs/sub/a.txt", "PC01/C/share/docs/b.txt"};
        QTest::newRow("folder with sub-items") << QStringList{"PC01", "C:", "share", "docs"} << "MI_DownFolderSub"
                                               << QStringList{"docs/sub/a.txt", "docs/b.txt"};
        QTest::newRow("folder alone") << QStringList{"PC01", "C:", "share", "docs", "sub"} << "MI_DownFolder"
                                      << QStringList{"sub/a.txt"};
        QTest::newRow("posix peer") << QStringList{"PC02", "/", "home", "u"} << "MI_DownFolderSub"
                                    << QStringList{"u/docs/c.txt"};
        QTest::newRow("share root") << QStringList{} << "MI_DownFolderSub"
                                    << QStringList{"PC01/C/share/docs/sub/a.txt", "PC01/C/share/docs/b.txt",
                                                   "PC02/home/u/docs/c.txt"};
    }
    void targetPathsOfTreeNodes() {
        QFETCH(QStringList, nodePath);
        QFETCH(QString, item);
        QFETCH(QStringList, targets);
        add({entry(QStringLiteral("a.txt"), QStringLiteral("C:\\share\\docs\\sub\\")),
             entry(QStringLiteral("b.txt"), QStringLiteral("C:\\share\\docs\\")),
             entry(QStringLiteral("c.txt"), QStringLiteral("/home/u/docs/"), QStringLiteral("PC02"))});
        confirmInto(down());
        chooseNode(nodePath, item.toLatin1().constData());
        QStringList expected;
        for (const QString &t : targets) expected << down() + QLatin1Char('/') + t;
        QCOMPARE(savePaths(), expected);
        QVERIFY(prompts->asked.isEmpty());
        QVERIFY(h->down().isVisible());
    }

    void noAtTheShareRootEndsOnlyThatOwner() {
        add({entry(QStringLiteral("p1"), QStringLiteral("C:\\s\\"), QStringLiteral("PC01"), QStringLiteral("A")),
             entry(QStringLiteral("p2"), QStringLiteral("C:\\s\\")),
             entry(QStringLiteral("q1"), QStringLiteral("D:\\t\\"), QStringLiteral("PC02"), QStringLiteral("A"))});
        // p1: wrong, No. q1 asks again, since the wrong answer is what was typed last.
        prompts->answers = {typed(QStringLiteral("x")), typed({}, false), typed(QStringLiteral("A"))};
        confirmInto(down());
        chooseNode({}, "MI_DownFolderSub");
        QCOMPARE(savePaths(), QStringList{down() + "/PC02/D/t/q1"});
        QCOMPARE(asked(prompts::Kind::TextInput).size(), 2);
    }

    void aWalkThatFindsNothingSaysSo() {
        add({entry(QStringLiteral("a"), QStringLiteral("C:\\s\\")), entry(QStringLiteral("z"), QStringLiteral("C:\\s\\"), QStringLiteral("PC02"))});
        selectRows({0});
        h->form->listing().views().MenuItem2Click();
        confirmInto(down());
        chooseNode({QStringLiteral("PC01")}, "MI_DownFolderSub");
        QCOMPARE(prompts->Texts(), QStringList{"다운받을 파일이 하나도 없습니다"});
    }

    void craftedListsCannotLeadOutOfTheTarget() {
        // A peer answers a search with names meant to climb out of the download folder.
        const QString list = QStringLiteral(
            "../../evil;1;;C:\\s\\;BAD;10.0.0.66;;"
            "..;1;;C:\\s\\;BAD;10.0.0.66;;"
            "a\\b;1;;C:\\s\\;BAD;10.0.0.66;;"
            "x/y;1;;C:\\s\\;BAD;10.0.0.66;;"
            "ok1;1;;C:\\..\\..\\..\\etc\\;BAD;10.0.0.66;;"
            "ok2;1;;/../../home/;BAD;10.0.0.66;;"
            "ok3;1;;C:\\a/../../b\\;..;10.0.0.66;;"
            "#END_LIST#;");
        h->form->E_SearchFileName()->setText(QStringLiteral("ok"));
        QTimer::singleShot(100, this, [&] {
            h->form->dispatcher().DispatchDatagram(QStringLiteral("10.0.0.66"), CommandBytes(QStringLiteral("@_+G"), list));
        });
        h->form->listing().SB_SearchFileClick();
        QTRY_COMPARE(h->form->LV_ShareFile()->model()->rowCount(), 7);
        confirmInto(down());
        chooseNode({}, "MI_DownFolderSub");
        QCOMPARE(savePaths(), (QStringList{down() + "/BAD/C/etc/ok1", down() + "/BAD/home/ok2", down() + "/C/a/b/ok3"}));
        for (int r = 0; r < h->queue().Count(); ++r) {
            QVERIFY(h->row(r).target.relative.split(QLatin1Char('/')).count(QStringLiteral("..")) == 0);
            QCOMPARE(h->row(r).target.folder, down());
        }
    }

    void searchPageButtons() {
        h->form->host().DownloadDir = down();
        h->form->SB_FileFolderOpen()->click();
        QCOMPARE(opened, QStringList{down()});
        h->form->host().DownloadDir = down() + QStringLiteral("/gone");
        h->form->SB_FileFolderOpen()->click();
        QCOMPARE(opened.size(), 1);
        h->form->SB_DownloadList()->click();
        QVERIFY(h->down().isVisible());
        h->down().showMinimized(); // the button brings a minimised window back too
        h->form->SB_DownloadList()->click();
        QVERIFY(h->down().isVisible() && !h->down().isMinimized());
    }

    void pictureOfTheDialog() {
        add({entry(QStringLiteral("보고서 2023 최종본.doc"), QStringLiteral("C:\\공유\\문서\\회의록\\2023년\\하반기\\"))});
        selectRows({0});
        h->form->host().DownloadDir = down();
        onDialog([](TDownConfirmForm &d) {
            QVERIFY(d.grab().save(qEnvironmentVariable("QM_SHOTS", QDir::tempPath()) + QStringLiteral("/download-confirm.png")));
            QCOMPARE(d.size(), QSize(418, 217));
            d.reject();
        });
        action("MI_FileGet")->trigger();
        QCOMPARE(dialogs, 1);
    }
};

QTEST_MAIN(TestDownloadChooser)
#include "tst_downloadchooser.moc"
