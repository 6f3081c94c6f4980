// The Samba shares of this computer and their import into the share list.
#include "core/mainform.h"
#include "testform.h"
#include "platform/sambashares.h"
#include "promptrecorder.h"
#include "recordingmessenger.h"
#include "shares/sharepage.h"
#include "shares/shareregistry.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeText(const QString &path, const QString &text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}

QStringList namesOf(const QList<SambaShare> &shares) {
    QStringList n;
    for (const SambaShare &s : shares) n << s.name;
    return n;
}

} // namespace

class TestSambaShares : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString &name) const { return dir_.filePath(name); }

    // A configuration with every kind of section that must be left out, and
    // three folders that are shared (one of them twice, by a usershare too).
    SambaLocations prepare() {
        for (const char *d : {"srv/public", "srv/photos", "srv/user", "srv/print", "srv/homes"})
            QDir().mkpath(path(QString::fromLatin1(d)));
        writeText(path("srv/public/a.txt"), QStringLiteral("a"));
        writeText(path("smb.conf"),
                  QStringLiteral("# test configuration\n"
                                 "[global]\n"
                                 "   workgroup = OFFICE\n"
                                 "   usershare max shares = 100\n"
                                 "   usershare path = %1\n"
                                 "[Homes]\n   path = %2\n"
                                 "[printers]\n   path = %3\n   printable = yes\n"
                                 "[print$]\n   path = %3\n"
                                 "[Laser]\n   path = %3\n   Print OK = Yes\n"
                                 "[public]\n   path = %4\n   comment = 공용; 모두 읽기\n"
                                 "[photos]\n   path = %5\n"
                                 "[off]\n   path = %4\n   available = no\n"
                                 "[nopath]\n   comment = nothing\n"
                                 "[missing]\n   path = %6\n")
                      .arg(path("us"), path("srv/homes"), path("srv/print"), path("srv/public"), path("srv/photos"),
                           path("srv/none")));
        writeText(path("us/mine"), QStringLiteral("#VERSION 2\npath=%1\ncomment=내 폴더\nusershare_acl=S-1-1-0:R,\n"
                                                  "guest_ok=n\nsharename=Mine\n")
                                       .arg(path("srv/user")));
        writeText(path("us/public"), QStringLiteral("#VERSION 2\npath=%1\ncomment=dup\nsharename=public\n")
                                         .arg(path("srv/photos")));
        writeText(path("us/broken"), QStringLiteral("path=%1\n").arg(path("srv/print")));
        return {path("smb.conf"), path("unused")};
    }

private slots:
    void findsTheDiskShares() {
        const SambaLocations where = prepare();
        const QList<SambaShare> config = ConfigShares(where.config);
        QCOMPARE(namesOf(config), (QStringList{"public", "photos", "missing"}));
        QCOMPARE(config.at(0).path, path("srv/public"));
        QCOMPARE(config.at(0).comment, QStringLiteral("공용; 모두 읽기"));
        QCOMPARE(config.at(1).comment, QString());

        const QList<SambaShare> user = UserShares(path("us"));
        QCOMPARE(namesOf(user), (QStringList{"Mine", "public"}));
        QCOMPARE(user.at(0).path, path("srv/user"));
        QCOMPARE(user.at(0).comment, QStringLiteral("내 폴더"));

        // A configured share wins over a usershare of the same name.
        QCOMPARE(namesOf(OwnSambaShares(where)), (QStringList{"public", "photos", "missing", "Mine"}));

        // Usershares count only where the configuration allows them; no configuration, no shares.
        writeText(path("plain.conf"), QStringLiteral("[global]\nworkgroup = X\n[d]\npath = /tmp\n"));
        QCOMPARE(namesOf(OwnSambaShares({path("plain.conf"), path("us")})), QStringList{"d"});
        QVERIFY(OwnSambaShares({path("none.conf"), path("us")}).isEmpty());
    }

    void importAddsEachFolderOnce() {
        const SambaLocations where = prepare();
        PromptRecorder prompts;
        TestForm form;
        ShareRegistry &reg = form.registry();
        form.sharePage().SetSambaLocations(where);
        auto *button = form.findChild<QPushButton *>(QStringLiteral("BB_AddWindows"));
        QVERIFY(button);
        // A folder registered by hand is not added again.
        QCOMPARE(reg.AddShareRecord(path("srv/photos"), QStringLiteral("by hand"), {}, ShareKind::Folder),
                 AddResult::Added);

        button->click();
        QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("총 2 개의 폴더를 추가하였습니다.")});
        QCOMPARE(reg.rowCount(), 3);
        QCOMPARE(reg.Records().at(0).comment, QStringLiteral("by hand"));
        QCOMPARE(reg.Records().at(1).name, path("srv/public"));
        QCOMPARE(reg.Records().at(1).comment, QStringLiteral("공용  모두 읽기"));
        QCOMPARE(reg.Records().at(1).size, QStringLiteral("1 files"));
        QCOMPARE(reg.Records().at(1).kind, ShareKind::Folder);
        QCOMPARE(reg.Records().at(2).name, path("srv/user"));
        QCOMPARE(reg.Records().at(2).password, QString());

        prompts.asked.clear();
        button->click();
        QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("총 0 개의 폴더를 추가하였습니다.")});
        QCOMPARE(reg.rowCount(), 3);

        // Without Samba nothing is found.
        prompts.asked.clear();
        form.sharePage().SetSambaLocations({path("no-smb.conf"), path("no-us")});
        button->click();
        QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("총 0 개의 폴더를 추가하였습니다.")});
    }

    // However Samba or the user wrote a folder's path, it is one folder, in
    // whichever order it comes: stored without doubled "/" and without a closing "/".
    void importComparesOneFormOfPath_data() {
        QTest::addColumn<QString>("byHand");
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("stored");
        QTest::newRow("closing / configured") << "srv/pub" << "srv/pub/" << "srv/pub";
        QTest::newRow("doubled / configured") << "srv/docs" << "srv//docs" << "srv/docs";
        QTest::newRow("both configured") << "srv/docs" << "srv//docs//" << "srv/docs";
        QTest::newRow("closing / by hand") << "srv/pub/" << "srv/pub" << "srv/pub";
        QTest::newRow("doubled / by hand") << "srv//pub" << "srv/pub/" << "srv/pub";
    }
    void importComparesOneFormOfPath() {
        QFETCH(QString, byHand);
        QFETCH(QString, configured);
        QFETCH(QString, stored);
        QDir().mkpath(path("srv/pub"));
        QDir().mkpath(path("srv/docs"));
        writeText(path("one.conf"), QStringLiteral("[s]\n   path = %1\n").arg(path(configured)));
        PromptRecorder prompts;
        TestForm form;
        ShareRegistry &reg = form.registry();
        form.sharePage().SetSambaLocations({path("one.conf"), path("no-us")});
        QCOMPARE(reg.AddShareRecord(path(byHand), {}, {}, ShareKind::Folder), AddResult::Added);
        form.sharePage().BB_AddWindowsClick();
        reg.Clear();
        form.sharePage().BB_AddWindowsClick();
        QCOMPARE(prompts.Texts(), (QStringList{QStringLiteral("총 0 개의 폴더를 추가하였습니다."),
                                               QStringLiteral("총 1 개의 폴더를 추가하였습니다.")}));
        QCOMPARE(reg.Records().at(0).name, path(stored));
        QCOMPARE(reg.AddShareRecord(path(byHand), {}, {}, ShareKind::Folder), AddResult::Skipped);
    }

    void importStopsAtTheCapacity() {
        const SambaLocations where = prepare();
        PromptRecorder prompts;
        TestForm form;
        ShareRegistry &reg = form.registry();
        for (int i = 0; i < ShareRegistry::kCapacity - 1; ++i) {
            writeText(path("fill/f%1").arg(i), QStringLiteral("x"));
            reg.AddShareRecord(path("fill/f%1").arg(i), {}, {}, ShareKind::File);
        }
        form.sharePage().SetSambaLocations(where);
        form.sharePage().BB_AddWindowsClick();
        QCOMPARE(reg.rowCount(), ShareRegistry::kCapacity);
        QCOMPARE(prompts.asked.size(), 2);
        QVERIFY(prompts.asked.at(0).text.contains(QStringLiteral("100")));
        QCOMPARE(prompts.asked.at(1).text, QStringLiteral("총 1 개의 폴더를 추가하였습니다."));
    }
};

QTEST_MAIN(TestSambaShares)
#include "tst_sambashares.moc"
