// The share settings page driven through its buttons, popup menu and list,
// and by files dropped on it, with only the dialogs answered at the prompt
// boundary.
#include "core/mainform.h"
#include "testform.h"
#include "promptrecorder.h"
#include "recordingmessenger.h"
#include "shares/sharepage.h"
#include "shares/sharepassword.h"
#include "shares/shareregistry.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QUrl>

namespace {

void writeFile(const QString &path, qsizetype bytes = 1) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, 'x'));
}

prompts::Answer files(const QStringList &chosen) {
    prompts::Answer a;
    a.files = chosen;
    return a;
}

prompts::Answer text(const QString &t, bool accepted = true) {
    prompts::Answer a;
    a.text = t;
    a.accepted = accepted;
    return a;
}

} // namespace

// Receives what the open command hands to the desktop.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class TestSharePage : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString &name) const { return dir_.filePath(name); }

    std::unique_ptr<TestForm> form_;
    TSharePage *page_ = nullptr;
    ShareRegistry *reg_ = nullptr;
    QTreeView *list_ = nullptr;

    QAction *item(const char *name) const { return page_->PM_ShareFile()->findChild<QAction *>(QString::fromLatin1(name)); }
    QPushButton *button(const char *name) const { return form_->findChild<QPushButton *>(QString::fromLatin1(name)); }
    void select(std::initializer_list<int> rows) {
        list_->clearSelection();
        for (int r : rows)
            list_->selectionModel()->select(reg_->index(r, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void fill(int n) {
        reg_->Clear();
        for (int i = 0; i < n; ++i) {
            writeFile(path("rows/r%1.txt").arg(i), i + 1);
            QCOMPARE(reg_->AddShareRecord(path("rows/r%1.txt").arg(i), QStringLiteral("c%1").arg(i), {},
                                          ShareKind::File),
                     AddResult::Added);
        }
    }

private slots:
    void init() {
        form_ = std::make_unique<TestForm>();
        form_->resize(1000, 600);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        QTRY_VERIFY(form_->FirstActivation());
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        form_->PC_Message()->setCurrentWidget(form_->TabSheet_SetShare());
        page_ = &form_->sharePage();
        reg_ = &form_->registry();
        list_ = form_->findChild<QTreeView *>(QStringLiteral("LV_EnrollFile"));
        QVERIFY(list_);
    }
    void cleanup() { form_.reset(); }

    void emptySelectionMessages() {
        fill(2);
        PromptRecorder prompts;
        list_->clearSelection();
        emit page_->PM_ShareFile()->aboutToShow();
        QVERIFY(!item("MI_DeleteFile")->isEnabled());
        QVERIFY(item("MI_SetComment")->isEnabled() && item("N2")->isEnabled());

        button("BB_DeleteFile")->click();
        for (const char *name : {"MI_SetComment", "MI_SetPassword", "N2", "N3"}) item(name)->trigger();
        QCOMPARE(prompts.Texts(), (QStringList{"먼저 공유삭제(해제)할 파일 또는 폴더를 선택하세요.",
                                               "먼저 설명을 넣을 파일 또는 폴더를 선택하세요.",
                                               "먼저 비밀번호를 넣을 파일 또는 폴더를 선택하세요.", "파일을 선택하세요.",
                                               "파일 또는 폴더를 선택하세요."}));
        for (const auto &r : prompts.asked) QCOMPARE(r.kind, prompts::Kind::Information);
        QCOMPARE(reg_->rowCount(), 2);

        // More than one row for properties and open.
        prompts.asked.clear();
        select({0, 1});
        emit page_->PM_ShareFile()->aboutToShow();
        QVERIFY(item("MI_DeleteFile")->isEnabled());
        item("N2")->trigger();
        item("N3")->trigger();
        QCOMPARE(prompts.Texts(), (QStringList{"파일을 하나만 선택해서 이 기능을 사용하세요.",
                                               "파일 또는 폴더를 하나만 선택해서 이 기능을 사용하세요."}));
    }

    void addingFilesAndFolders() {
        PromptRecorder prompts;
        writeFile(path("add/one.txt"), 10);
        writeFile(path("add/two.txt"), 20);
        writeFile(path("add/semi;colon.txt"));
        QDir().mkpath(path("add/folder"));
        writeFile(path("add/folder/in.txt"));
        prompts.answers = {files({path("add/one.txt"), path("add/semi;colon.txt"), path("add/two.txt"),
                                  path("add/one.txt")}),
                           prompts::Answer{}, files({path("add/none.txt"), path("add/two.txt")}), text(QString(), false),
                           files({path("add/two.txt")}), text(path("add/folder"))};
        button("BB_AddFile")->click();
        QCOMPARE(prompts.asked.at(0).kind, prompts::Kind::OpenFiles);
        QCOMPARE(prompts.asked.at(0).caption, QStringLiteral("공유할 파일(들)을 선택하세요"));
        QCOMPARE(prompts.asked.at(0).initial, QDir::homePath());
        QCOMPARE(prompts.asked.at(1).kind, prompts::Kind::Information); // the path with ";"
        QVERIFY(prompts.asked.at(1).text.endsWith(path("add/semi;colon.txt")));
        QCOMPARE(reg_->rowCount(), 2);
        QCOMPARE(reg_->Records().at(1).size, QStringLiteral("20"));
        QCOMPARE(form_->StatusText(2), QStringLiteral("공유 설정 (현재:2 files 2 items, 최대:100 items)"));

        // A first file that does not exist adds nothing; Cancel neither.
        button("BB_AddFile")->click();
        QCOMPARE(prompts.asked.at(2).initial, path("add"));
        page_->MI_AddDirClick();
        QCOMPARE(reg_->rowCount(), 2);

        // Ins and Ctrl+Ins on the list.
        list_->setFocus();
        QTest::keyClick(list_, Qt::Key_Insert);
        QCOMPARE(prompts.asked.last().kind, prompts::Kind::OpenFiles);
        QTest::keyClick(list_, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(prompts.asked.last().kind, prompts::Kind::PickFolder);
        QCOMPARE(reg_->rowCount(), 3);
        QCOMPARE(reg_->Records().at(2).name, path("add/folder"));
        QCOMPARE(reg_->Records().at(2).size, QStringLiteral("1 files"));
        QCOMPARE(form_->StatusText(2), QStringLiteral("공유 설정 (현재:3 files 3 items, 최대:100 items)"));
    }

    void droppingFromAFileManager() {
        PromptRecorder prompts;
        writeFile(path("drop/a.txt"), 5);
        writeFile(path("drop/semi;colon.txt"));
        QDir().mkpath(path("drop/dir"));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path("drop/a.txt")), QUrl::fromLocalFile(path("drop/dir") + QLatin1Char('/')),
                      QUrl::fromLocalFile(path("drop/semi;colon.txt")), QUrl(QStringLiteral("https://example.org/b.txt")),
                      QUrl::fromLocalFile(path("drop/a.txt"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(page_, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(page_, &drop);
        // Files and folders as the add buttons add them: the same refusal, the duplicate skipped.
        QCOMPARE(reg_->rowCount(), 2);
        QCOMPARE(reg_->Records().at(0).size, QStringLiteral("5"));
        QCOMPARE(reg_->Records().at(1).name, path("drop/dir"));
        QCOMPARE(reg_->Records().at(1).kind, ShareKind::Folder);
        QCOMPARE(prompts.asked.size(), 1);
        QVERIFY(prompts.asked.at(0).text.endsWith(path("drop/semi;colon.txt")));
        QCOMPARE(form_->StatusText(2), QStringLiteral("공유 설정 (현재:1 files 2 items, 최대:100 items)"));

        QMimeData web; // nothing of this computer: the drag is refused
        web.setUrls({QUrl(QStringLiteral("https://example.org/b.txt"))});
        QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, {});
        QApplication::sendEvent(page_, &refused);
        QVERIFY(!refused.isAccepted());
    }

    void commentsAndPasswords() {
        fill(4);
        PromptRecorder prompts;
        select({2, 1});
        prompts.answers = {text(QStringLiteral("  새 설명; 둘째;\t")), text(QStringLiteral("ignored"), false)};
        item("MI_SetComment")->trigger();
        QCOMPARE(prompts.asked.at(0).caption, QStringLiteral("설명넣기"));
        QCOMPARE(prompts.asked.at(0).text, QStringLiteral("참고사항: "));
        QCOMPARE(prompts.asked.at(0).initial, QStringLiteral("c1")); // the first selected row's
        QCOMPARE(reg_->Records().at(1).comment, QStringLiteral("새 설명  둘째"));
        QCOMPARE(reg_->Records().at(2).comment, QStringLiteral("새 설명  둘째"));
        QCOMPARE(reg_->Records().at(0).comment, QStringLiteral("c0"));
        // Cancel leaves the records as they were.
        select({0, 1});
        item("MI_SetComment")->trigger();
        QCOMPARE(reg_->Records().at(0).comment, QStringLiteral("c0"));
        QCOMPARE(reg_->Records().at(1).comment, QStringLiteral("새 설명  둘째"));

        prompts.asked.clear();
        select({0, 1, 3});
        prompts.answers = {text(QStringLiteral(" 비밀 ")), text(QStringLiteral("other"), false), text(QString())};
        item("MI_SetPassword")->trigger();
        QCOMPARE(prompts.asked.at(0).caption, QStringLiteral("비밀번호넣기"));
        QCOMPARE(prompts.asked.at(0).text, QStringLiteral("공유파일의 비밀번호: "));
        QCOMPARE(prompts.asked.at(0).initial, QString());
        const QString stored = EncodePassword(QStringLiteral("비밀"), kPasswordKey);
        for (int r : {0, 1, 3}) {
            QCOMPARE(reg_->Records().at(r).password, stored);
            QVERIFY(reg_->index(r, 0).data(ShareRegistry::LockedRole).toBool());
        }
        QVERIFY(reg_->Records().at(2).password.isEmpty());
        // The prompt shows the password in clear; Cancel keeps it; an empty answer removes it.
        item("MI_SetPassword")->trigger();
        QCOMPARE(prompts.asked.at(1).initial, QStringLiteral("비밀"));
        QCOMPARE(reg_->Records().at(3).password, stored);
        item("MI_SetPassword")->trigger();
        for (int r : {0, 1, 3}) {
            QVERIFY(reg_->Records().at(r).password.isEmpty());
            QVERIFY(!reg_->index(r, 0).data(ShareRegistry::LockedRole).toBool());
        }
    }

    void removingKeepsTheFocusedRow() {
        fill(5);
        PromptRecorder prompts;
        // Rows 0 and 2 selected, row 4 focused but not selected.
        list_->selectionModel()->setCurrentIndex(reg_->index(4, 0), QItemSelectionModel::NoUpdate);
        select({0, 2});
        button("BB_DeleteFile")->click();
        QCOMPARE(reg_->rowCount(), 3);
        QCOMPARE(reg_->Records().at(0).name, QStringLiteral("r1.txt"));
        QCOMPARE(list_->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(list_->selectionModel()->selectedRows().at(0).row(), 2); // r4.txt
        QVERIFY(prompts.asked.isEmpty());
        QCOMPARE(form_->StatusText(2), QStringLiteral("공유 설정 (현재:3 files 3 items, 최대:100 items)"));
        QVERIFY(QFileInfo::exists(path("rows/r0.txt"))); // files on disk stay

        // Removing the only selected row, which holds the focus, leaves nothing selected.
        list_->selectionModel()->setCurrentIndex(reg_->index(1, 0), QItemSelectionModel::ClearAndSelect |
                                                                        QItemSelectionModel::Rows);
        list_->setFocus();
        QTest::keyClick(list_, Qt::Key_Delete);
        QCOMPARE(reg_->rowCount(), 2);
        QVERIFY(!list_->selectionModel()->hasSelection());
        QVERIFY(!item("MI_DeleteFile")->isEnabled());

        item("MI_SelectAll")->trigger();
        QCOMPARE(list_->selectionModel()->selectedRows().size(), 2);
        QVERIFY(list_->hasFocus());
    }

    void headerClicksSort() {
        reg_->Clear();
        writeFile(path("sort/b.txt"), 5);
        writeFile(path("sort/A.txt"), 50);
        QDir().mkpath(path("sort/dir"));
        reg_->AddShareRecord(path("sort/b.txt"), {}, {}, ShareKind::File);
        reg_->AddShareRecord(path("sort/dir"), {}, {}, ShareKind::Folder);
        reg_->AddShareRecord(path("sort/A.txt"), {}, {}, ShareKind::File);
        QHeaderView *h = list_->header();
        auto click = [&](int section) {
            QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(section) + 10, 5));
        };
        auto order = [&] {
            QStringList n;
            for (const ShareRecord &r : reg_->Records()) n << QFileInfo(r.FullPath()).fileName();
            return n;
        };
        click(1);
        QCOMPARE(order(), (QStringList{"dir", "b.txt", "A.txt"}));
        click(1);
        QCOMPARE(order(), (QStringList{"A.txt", "b.txt", "dir"}));
        click(0);
        QCOMPARE(order(), (QStringList{"dir", "A.txt", "b.txt"})); // the folder's name is its full path
    }

    void propertiesAndOpen() {
        fill(1);
        PromptRecorder prompts;
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        select({0});
        item("N3")->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.opened, QList<QUrl>{QUrl::fromLocalFile(path("rows/r0.txt"))});

        item("N2")->trigger();
        QWidget *dialog = nullptr;
        QTRY_VERIFY((dialog = form_->findChild<QWidget *>(QStringLiteral("TShareProperties"))));
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("L_Path"))->text(), path("rows/r0.txt"));
        QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("L_Kind"))->text(), QStringLiteral("파일"));
        QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("L_Size"))->text(), QStringLiteral("1 바이트"));
        QVERIFY(dialog->findChild<QLabel *>(QStringLiteral("L_Permissions"))->text().startsWith(QStringLiteral("rw")));
        QVERIFY(prompts.asked.isEmpty());
        dialog->close();
    }

    void countLineWhenThePageIsEntered() {
        fill(2);
        QDir().mkpath(path("cnt"));
        writeFile(path("cnt/x"));
        writeFile(path("cnt/y"));
        reg_->AddShareRecord(path("cnt"), {}, {}, ShareKind::Folder);
        form_->PC_Message()->setCurrentWidget(form_->TabSheet_FileShare());
        form_->SetStatusText(QStringLiteral("other"));
        page_->PC_MessageChange(); // not the current page: nothing
        QCOMPARE(form_->StatusText(2), QStringLiteral("other"));
        writeFile(path("cnt/z"));
        form_->PC_Message()->setCurrentWidget(form_->TabSheet_SetShare());
        QCOMPARE(form_->StatusText(2), QStringLiteral("공유 설정 (현재:5 files 3 items, 최대:100 items)"));
        QCOMPARE(reg_->Records().at(2).size, QStringLiteral("3 files"));
    }
};

QTEST_MAIN(TestSharePage)
#include "tst_sharepage.moc"
