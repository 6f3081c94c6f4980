#include "cli/sharecommand.h"

#include "cli/cliargs.h"
#include "cli/clisession.h"
#include "core/session.h"
#include "shares/sharepassword.h"
#include "shares/sharepersistence.h"
#include "shares/shareregistry.h"
#include "shares/sharetext.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The path as the file dialogs give it: absolute, without "." or "..".
QString absolutePath(const QString &typed) { return QDir::cleanPath(QFileInfo(typed).absoluteFilePath()); }

void list(const ShareRegistry &registry) {
    for (const ShareRecord &r : registry.Records()) {
        const QString kind = r.kind == ShareKind::Folder ? QStringLiteral("폴더") : QStringLiteral("파일");
        const QString lock = r.password.isEmpty() ? QString() : QStringLiteral("비밀번호");
        cli::Out(QStringList{kind, r.FullPath(), r.size, r.comment, lock}.join(QLatin1Char('\t')));
    }
}

int add(ShareRegistry &registry, const CliArgs &a, const QString &path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        cli::Err(QStringLiteral("파일이나 폴더가 없습니다: %1").arg(path));
        return cli::kFailed;
    }
    const ShareKind kind = info.isDir() ? ShareKind::Folder : ShareKind::File;
    const QString comment = TrimBlanks(ReplaceText(a.Value(QStringLiteral("comment")), QStringLiteral(";"), QStringLiteral(" ")));
    const QString password = a.Has(QStringLiteral("password"))
                                 ? EncodePassword(TrimBlanks(a.Value(QStringLiteral("password"))), kPasswordKey)
                                 : QString();
    const AddResult result = registry.AddShareRecord(path, comment, password, kind);
    if (result == AddResult::Added) {
        cli::Out(QStringLiteral("공유했습니다: %1").arg(path));
        return cli::kOk;
    }
    if (result == AddResult::Skipped) {
        cli::Err(QStringLiteral("이미 공유되어 있습니다: %1").arg(path));
        return cli::kOk;
    }
    cli::Err(AddResultMessage(result, path));
    return cli::kFailed;
}

int remove(ShareRegistry &registry, const QString &path) {
    const QList<ShareRecord> &records = registry.Records();
    for (int row = 0; row < records.size(); ++row) {
        const ShareRecord &r = records[row];
        const bool same = r.kind == ShareKind::Folder ? FolderPathForm(r.FullPath()) == FolderPathForm(path)
                                                      : r.FullPath() == path;
        if (!same) continue;
        registry.RemoveRecords({row});
        cli::Out(QStringLiteral("공유를 해제했습니다: %1").arg(path));
        return cli::kOk;
    }
    cli::Err(QStringLiteral("공유 목록에 없습니다: %1").arg(path));
    return cli::kFailed;
}

} // namespace

int ShareCommand(const CliArgs &a) {
    Session session;
    const QString ini = session.host().IniFilePath;
    LoadShares(session.registry(), ini);
    const QString verb = a.operands.value(0);
    if (verb == QLatin1String("list")) {
        list(session.registry());
        return cli::kOk;
    }
    // A running copy saves its own list when it closes, and would undo this change.
    if (cli::PortTaken()) {
        cli::Err(cli::PortTakenMessage() + QStringLiteral(" 그 프로그램을 끝낸 다음 공유 목록을 바꾸세요."));
        return cli::kPortTaken;
    }
    const QString path = absolutePath(a.operands.value(1));
    const int rowsBefore = session.registry().rowCount();
    const int status = verb == QLatin1String("add") ? add(session.registry(), a, path) : remove(session.registry(), path);
    if (session.registry().rowCount() == rowsBefore) return status;
    QString error;
    if (!SaveShares(session.registry(), ini, &error)) {
        cli::Err(error + QLatin1Char('.'));
        return cli::kFailed;
    }
    return status;
}
