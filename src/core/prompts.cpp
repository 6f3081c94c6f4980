#include "core/prompts.h"

#include "core/host.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace prompts {

namespace {

Hook &hook() {
    static Hook h;
    return h;
}

QString title() { return QString::fromUtf8(kAppTitle); }

// Texts often carry names and paths a peer chose; they must never render as rich text.
QMessageBox::StandardButton Box(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton initial) {
    QMessageBox box(icon, title(), text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(initial);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// Qt's own folder dialog on every desktop, which here also takes a folder
// the user types that does not exist yet: it is made, with any missing
// parents, once the user agrees.
class FolderDialog : public QFileDialog {
public:
    FolderDialog(QWidget *parent, const QString &caption, const QString &start) : QFileDialog(parent, caption, start) {
        setFileMode(QFileDialog::Directory);
        setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        // Qt greys the choose button out while the typed folder does not exist; here it may not.
        auto *name = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        auto *buttons = findChild<QDialogButtonBox *>();
        if (!name || !buttons) return;
        QPushButton *choose = buttons->button(QDialogButtonBox::Open);
        connect(name, &QLineEdit::textChanged, choose,
                [choose](const QString &text) { choose->setEnabled(choose->isEnabled() || !text.isEmpty()); });
    }

    void accept() override {
        const QStringList chosen = selectedFiles();
        const QString folder = chosen.isEmpty() ? QString() : chosen.first();
        if (!folder.isEmpty() && !QFileInfo::exists(folder)) {
            if (!YesNo(this, QStringLiteral("\"%1\" 폴더가 없습니다.\n새로 만들까요?").arg(folder))) return;
            if (!QDir().mkpath(folder)) {
                Information(this, QStringLiteral("\"%1\" 폴더를 만들 수 없습니다.").arg(folder));
                return;
            }
        }
        QFileDialog::accept();
    }
};

} // namespace

void SetHook(Hook h) { hook() = std::move(h); }

void Information(QWidget *parent, const QString &text) {
    if (hook()) {
        hook()({Kind::Information, title(), text, {}});
        return;
    }
    Box(parent, QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

void Error(QWidget *parent, const QString &text) {
    if (hook()) {
        hook()({Kind::Error, title(), text, {}});
        return;
    }
    Box(parent, QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool YesNo(QWidget *parent, const QString &text) {
    if (hook()) return hook()({Kind::Question, title(), text, {}}).accepted;
    return Box(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

bool InputText(QWidget *parent, const QString &caption, const QString &prompt, QString &text) {
    if (hook()) {
        const Answer a = hook()({Kind::TextInput, caption, prompt, text});
        if (a.accepted) text = a.text;
        return a.accepted;
    }
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, text, &ok);
    if (ok) text = answer;
    return ok;
}

QStringList OpenFiles(QWidget *parent, const QString &caption, const QString &startFolder) {
    if (hook()) {
        const Answer a = hook()({Kind::OpenFiles, caption, {}, startFolder});
        return a.accepted ? a.files : QStringList();
    }
    return QFileDialog::getOpenFileNames(parent, caption, startFolder);
}

QString PickFolder(QWidget *parent, const QString &caption, const QString &startFolder) {
    if (hook()) {
        const Answer a = hook()({Kind::PickFolder, caption, {}, startFolder});
        return a.accepted ? a.text : QString();
    }
    FolderDialog dialog(parent, caption, startFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

} // namespace prompts
