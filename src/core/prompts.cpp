#include "core/prompts.h"

#include "core/host.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

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
    return QFileDialog::getExistingDirectory(parent, caption, startFolder);
}

} // namespace prompts
