#include "download/downloadchooser.h"

#include "core/controls.h"
#include "core/mainform.h"
#include "core/prompts.h"
#include "download/downconfirm.h"
#include "download/downfile.h"
#include "download/localtarget.h"
#include "listing/listingcontroller.h"
#include "shares/sharepassword.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

namespace {

// The entry's password as typed by its owner; empty when it has none.
QString PasswordOf(const ShareEntry &entry) { return DecodePassword(entry.password.trimmed(), kPasswordKey); }

} // namespace

DownloadChooser::DownloadChooser(TMainForm &main, TDownForm &downForm, const ListingController &listing)
    : QObject(&downForm), main_(main), downForm_(downForm), listing_(listing) {
    if (auto *get = Control<QAction>(main, "MI_FileGet"))
        connect(get, &QAction::triggered, this, &DownloadChooser::MI_FileGetClick);
    for (const char *name : {"MI_DownFolder", "MI_DownFolderSub"}) {
        if (auto *item = Control<QAction>(main, name))
            connect(item, &QAction::triggered, this, [this, item] { MI_DownFolderClick(item->data().toInt()); });
    }
    connect(main.SB_FileFolderOpen(), &QToolButton::clicked, this, &DownloadChooser::SB_FileFolderOpenClick);
    connect(main.SB_DownloadList(), &QToolButton::clicked, this, &DownloadChooser::SB_DownloadListClick);
}

DownloadChooser::Step DownloadChooser::PasswordStep(const ShareEntry &entry, QString &lastPassword) {
    const QString password = PasswordOf(entry);
    if (password.isEmpty() || password == lastPassword) return Step::Queue;
    lastPassword.clear();
    QString typed;
    if (prompts::InputText(&downForm_, entry.owner + QStringLiteral("님의 \"") + entry.name + QLatin1Char('"'),
                           QStringLiteral("파일의 접근권한 암호: "), typed))
        lastPassword = typed;
    if (lastPassword == password) return Step::Queue;
    return prompts::YesNo(&downForm_, QStringLiteral("비밀번호가 일치하지 않습니다.\r\n계속 진행할까요?"))
               ? Step::Queue
               : Step::StopWalk;
}

void DownloadChooser::OpenAtDownloadDir(TDownConfirmForm &dialog) {
    // The download folder may be gone (removed by the user): it is made again
    // so that the dialog's default can be confirmed.
    const QString folder = main_.host().DownloadDir;
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) QDir().mkpath(folder);
    dialog.E_dpath()->setText(folder);
}

bool DownloadChooser::Confirm(TDownConfirmForm &dialog) {
    return dialog.exec() == QDialog::Accepted && QFileInfo(dialog.E_dpath()->text()).isDir();
}

void DownloadChooser::MI_FileGetClick() {
    const QList<ShareEntry> chosen = listing_.SelectedEntries();
    if (chosen.isEmpty())
        prompts::Information(&main_, QStringLiteral("먼저 다운받을 파일(들)을 리스트에서 선택하세요."));
    else if (chosen.size() == 1)
        GetOne(chosen.first());
    else
        GetSeveral(chosen);
}

void DownloadChooser::GetOne(const ShareEntry &entry) {
    const QString password = PasswordOf(entry);
    if (!password.isEmpty()) {
        QString typed;
        if (!prompts::InputText(&main_, QStringLiteral("비공개 파일"), QStringLiteral("파일의 접근권한 암호: "), typed) ||
            typed.isEmpty())
            return;
        if (typed != password) {
            prompts::Information(&main_, QStringLiteral("비밀번호가 일치하지 않습니다."));
            return;
        }
    }
    TDownConfirmForm dialog(main_.host(), &main_);
    dialog.E_dfile()->setEnabled(true);
    dialog.L_owner()->setText(entry.owner + QStringLiteral(" (") + entry.ownerIP + QLatin1Char(')'));
    dialog.SetSourcePath(entry.FullPath());
    OpenAtDownloadDir(dialog);
    dialog.E_dfile()->setText(entry.name);
    if (!Confirm(dialog) || dialog.E_dfile()->text().isEmpty()) return;
    downForm_.AddDownload(entry.name, entry.owner, dialog.RB_overwrite()->isChecked(),
                          MakeTarget(dialog.E_dpath()->text(), {dialog.E_dfile()->text()}), entry.folder,
                          entry.ownerIP);
    downForm_.ShowInFront();
}

void DownloadChooser::GetSeveral(const QList<ShareEntry> &entries) {
    TDownConfirmForm dialog(main_.host(), &main_);
    OpenAtDownloadDir(dialog);
    if (!Confirm(dialog)) return;
    const QString folder = dialog.E_dpath()->text();
    QString lastPassword;
    Walk(entries, lastPassword, [&](const ShareEntry &e) { return MakeTarget(folder, {e.name}); },
         dialog.RB_overwrite()->isChecked());
    downForm_.ShowInFront();
}

int DownloadChooser::Walk(const QList<ShareEntry> &entries, QString &lastPassword,
                          const std::function<LocalTarget(const ShareEntry &)> &targetOf, bool overwrite) {
    QList<QueuedFile> files;
    for (const ShareEntry &e : entries) {
        // A name that could not name a local file by itself is never queued.
        if (!IsPlainFileName(e.name)) continue;
        if (PasswordStep(e, lastPassword) == Step::StopWalk) break;
        files.append({e.name, e.owner, overwrite, targetOf(e), e.folder, e.ownerIP});
    }
    // All at once: the list grows by one insertion however many files a folder holds.
    downForm_.AddDownloads(files);
    return int(files.size());
}

void DownloadChooser::MI_DownFolderClick(int tag) {
    TDownConfirmForm dialog(main_.host(), &main_);
    OpenAtDownloadDir(dialog);
    if (!Confirm(dialog)) return;
    const QString folder = dialog.E_dpath()->text();
    const bool overwrite = dialog.RB_overwrite()->isChecked();
    const bool withSub = tag == 2;
    const RemoteNode node = listing_.SelectedNode();
    QString lastPassword;
    int count = 0;

    const auto underOwner = [&](const ShareEntry &e) {
        return MakeTarget(folder, QStringList{e.owner} << LocalParts(e.folder) << e.name);
    };
    if (node.image == kShareRootImage) {
        for (const QString &owner : listing_.Owners()) {
            RemoteNode ownerNode;
            ownerNode.image = kOwnerImage;
            ownerNode.text = owner;
            count += Walk(listing_.EntriesUnder(ownerNode, false), lastPassword, underOwner, overwrite);
            downForm_.ShowInFront();
        }
    } else if (node.image == kOwnerImage) {
        count += Walk(listing_.EntriesUnder(node, false), lastPassword, underOwner, overwrite);
        downForm_.ShowInFront();
    } else if (node.image > kOwnerImage) {
        const auto underNode = [&](const ShareEntry &e) {
            QStringList parts = LocalParts(node.text);
            if (withSub) parts << LocalParts(e.folder.mid(node.folderPath.size()));
            return MakeTarget(folder, parts << e.name);
        };
        count += Walk(listing_.EntriesUnder(node, withSub), lastPassword, underNode, overwrite);
        downForm_.ShowInFront();
    }
    if (count == 0) prompts::Information(&main_, QStringLiteral("다운받을 파일이 하나도 없습니다"));
}

void DownloadChooser::SB_FileFolderOpenClick() {
    const QString folder = main_.host().DownloadDir;
    if (QFileInfo(folder).isDir()) downForm_.OpenWithShell(folder);
}

void DownloadChooser::SB_DownloadListClick() { downForm_.ShowInFront(); }
