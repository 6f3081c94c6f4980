// Saves pictures of the share settings page with files and folders in it, of
// the properties of one of them and of the dialog that adds files, for looking at.
#include "core/mainform.h"
#include "testform.h"
#include "recordingmessenger.h"
#include "shares/sharepage.h"
#include "shares/sharepassword.h"
#include "shares/shareregistry.h"
#include "shottheme.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    ApplyShotTheme();
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("문서"));
    QDir().mkpath(base + QStringLiteral("/사진"));
    QDir().mkpath(base + QStringLiteral("/음악"));
    const struct {
        const char *name;
        int size;
    } files[] = {{"보고서_2024.hwp", 48213}, {"회의록.txt", 1830}, {"setup.exe", 912384}, {"사진/여행1.jpg", 204800},
                 {"사진/여행2.jpg", 198000}};
    for (const auto &f : files) {
        QFile out(base + QLatin1Char('/') + QString::fromUtf8(f.name));
        out.open(QIODevice::WriteOnly);
        out.resize(f.size);
    }

    TestForm form;
    form.resize(1000, 520);
    form.show();
    QTest::qWait(300);
    ShareRegistry &reg = form.registry();
    reg.AddShareRecord(base + QStringLiteral("/보고서_2024.hwp"), QStringLiteral("월간 보고"), {}, ShareKind::File);
    reg.AddShareRecord(base + QStringLiteral("/회의록.txt"), QStringLiteral("3월 회의"),
                       EncodePassword(QStringLiteral("비밀"), kPasswordKey), ShareKind::File);
    reg.AddShareRecord(base + QStringLiteral("/setup.exe"), {}, {}, ShareKind::File);
    reg.AddShareRecord(base + QStringLiteral("/사진"), QStringLiteral("여행 사진"), {}, ShareKind::Folder);
    reg.AddShareRecord(base + QStringLiteral("/음악"), {}, EncodePassword(QStringLiteral("x"), kPasswordKey),
                       ShareKind::Folder);
    form.PC_Message()->setCurrentWidget(form.TabSheet_SetShare());
    auto *list = form.findChild<QTreeView *>(QStringLiteral("LV_EnrollFile"));
    list->selectionModel()->select(reg.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::qWait(100);
    form.grab().save(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/sharepage.png"));
    list->selectionModel()->select(reg.index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    form.sharePage().N2Click();
    QTest::qWait(100);
    if (auto *dialog = form.findChild<QWidget *>(QStringLiteral("TShareProperties")))
        dialog->grab().save(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/tmp/shareproperties.png"));
    // The file dialog is modal: its picture is taken from inside its own loop, then it is closed.
    QTimer::singleShot(1000, [&] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            // From the screen, with its title in the frame, where there is a real display.
            const QPixmap screen = dialog->screen()->grabWindow(0);
            (screen.isNull() ? dialog->grab() : screen.copy(dialog->frameGeometry()))
                .save(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("/tmp/shareaddfile.png"));
            dialog->close();
        }
    });
    form.sharePage().MI_AddFileClick();
    return 0;
}
