#include "cli/cliargs.h"

namespace {

struct CommandForm {
    const char *name;
    int minOperands, maxOperands;
    QStringList valued; // options that take a value
    QStringList flags;  // options that stand alone
};

const QList<CommandForm> &forms() {
    static const QList<CommandForm> all = {
        {"serve", 0, 0, {}, {}},
        // share list | share add PATH | share remove PATH
        {"share", 1, 2, {QStringLiteral("comment"), QStringLiteral("password")}, {}},
        {"peers", 0, 0, {QStringLiteral("wait")}, {QStringLiteral("json")}},
        {"browse", 1, 1, {QStringLiteral("wait")}, {QStringLiteral("json")}},
        {"search", 1, 1, {QStringLiteral("wait")}, {QStringLiteral("json")}},
        {"get", 2, 2, {QStringLiteral("to")}, {QStringLiteral("overwrite")}},
    };
    return all;
}

bool shareOperandsFit(const CliArgs &a, QString *error) {
    const QString verb = a.operands.value(0);
    const int want = verb == QLatin1String("list") ? 1 : (verb == QLatin1String("add") || verb == QLatin1String("remove")) ? 2 : 0;
    if (want == 0) {
        *error = QStringLiteral("share 다음에는 list, add, remove 가운데 하나를 쓰세요.");
        return false;
    }
    if (a.operands.size() != want) {
        *error = want == 1 ? QStringLiteral("share list에는 더 쓸 것이 없습니다.")
                           : QStringLiteral("share %1 다음에 경로를 하나 쓰세요.").arg(verb);
        return false;
    }
    if (verb != QLatin1String("add") && (a.Has(QStringLiteral("comment")) || a.Has(QStringLiteral("password")))) {
        *error = QStringLiteral("--comment와 --password는 share add에만 씁니다.");
        return false;
    }
    return true;
}

} // namespace

std::optional<CliArgs> ParseCliArgs(const QStringList &args, QString *error) {
    if (args.isEmpty()) {
        *error = QStringLiteral("명령을 쓰세요.");
        return std::nullopt;
    }
    const auto form = std::find_if(forms().begin(), forms().end(),
                                   [&](const CommandForm &f) { return args.first() == QLatin1String(f.name); });
    if (form == forms().end()) {
        *error = QStringLiteral("모르는 명령입니다: %1").arg(args.first());
        return std::nullopt;
    }
    CliArgs a;
    a.command = args.first();
    bool operandsOnly = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (operandsOnly || !arg.startsWith(QLatin1String("--"))) {
            a.operands << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            operandsOnly = true; // a path or a search text that begins with "--"
            continue;
        }
        QString name = arg.mid(2), value;
        const qsizetype eq = name.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            value = name.mid(eq + 1);
            name.truncate(eq);
        }
        if (form->flags.contains(name) && eq < 0) {
            a.options.insert(name, QString());
        } else if (form->valued.contains(name)) {
            if (eq < 0) {
                if (i + 1 >= args.size()) {
                    *error = QStringLiteral("--%1 다음에 값을 쓰세요.").arg(name);
                    return std::nullopt;
                }
                value = args[++i];
            }
            a.options.insert(name, value);
        } else {
            *error = QStringLiteral("%1 명령에는 %2 옵션이 없습니다.").arg(a.command, arg);
            return std::nullopt;
        }
    }
    if (a.command == QLatin1String("share")) {
        if (!shareOperandsFit(a, error)) return std::nullopt;
    } else if (a.operands.size() < form->minOperands || a.operands.size() > form->maxOperands) {
        *error = QStringLiteral("%1 명령의 인자 수가 맞지 않습니다.").arg(a.command);
        return std::nullopt;
    }
    if (a.Has(QStringLiteral("wait")) && !WaitSeconds(a.Value(QStringLiteral("wait")))) {
        *error = QStringLiteral("--wait에는 1에서 86400 사이의 초를 쓰세요.");
        return std::nullopt;
    }
    return a;
}

std::optional<int> WaitSeconds(const QString &text) {
    bool ok = false;
    const int seconds = text.toInt(&ok);
    if (!ok || seconds < 1 || seconds > 86400) return std::nullopt;
    return seconds;
}

QString CliUsage() {
    return QStringLiteral(
        "사용법: quillmere-cli 명령 [인자] [옵션]\n"
        "\n"
        "  serve                       창 없이 공유합니다 (알림, 목록과 검색 응답, 파일 보내기).\n"
        "                              SIGTERM이나 Ctrl+C로 끝냅니다.\n"
        "  share list                  공유 목록을 보여 줍니다.\n"
        "  share add 경로 [--comment 설명] [--password 비밀번호]\n"
        "                              파일이나 폴더를 공유합니다.\n"
        "  share remove 경로           공유를 해제합니다.\n"
        "  peers [--wait 초] [--json]  들리는 컴퓨터를 보여 줍니다 (작업그룹, 이름, 주소).\n"
        "  browse 컴퓨터 [--wait 초] [--json]\n"
        "                              컴퓨터(이름이나 IP 주소)가 공개한 파일 목록을 받습니다.\n"
        "  search 검색어 [--wait 초] [--json]\n"
        "                              모든 컴퓨터에서 파일을 찾습니다.\n"
        "  get 컴퓨터 원격경로 [--to 폴더] [--overwrite]\n"
        "                              파일 하나를 받습니다 (기본은 이어받기).\n"
        "\n"
        "종료 상태: 0 성공, 1 실패, 2 잘못된 사용법, 3 이 컴퓨터에서 Quillmere가 이미 실행 중 (UDP 8765 포트 사용 중).\n");
}
