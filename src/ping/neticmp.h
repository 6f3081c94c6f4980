#pragma once
// The ping window: ten echo requests to one computer and their report. The
// requests run on a worker thread so that the window keeps reacting; a close
// during a run waits for the request in progress and ends the run first.
#include <QDialog>

#include <atomic>
#include <memory>

class QPlainTextEdit;
class QPushButton;
class QThread;

namespace echo {
class IcmpEcho;
}

class TPingForm : public QDialog {
    Q_OBJECT
public:
    TPingForm(QWidget *parent, const QString &caption, const QString &target, std::unique_ptr<echo::IcmpEcho> echo);
    ~TPingForm() override;

    QString PingTarget() const { return target_; }
    bool Running() const { return worker_ != nullptr; }

    void BB_runClick();
    void BB_stopClick();

signals:
    // A run has ended and its last line is in M_message.
    void runFinished();

protected:
    void showEvent(QShowEvent *e) override;

public slots:
    // Esc, BB_exit and the title bar's close box all come here.
    void reject() override;

private:
    void FormActivate();
    void RunEnded();
    void ReleaseEcho();

    QString target_;
    std::unique_ptr<echo::IcmpEcho> echo_;
    bool echoCreated_ = false;
    bool activated_ = false;
    bool closePending_ = false;
    std::atomic<bool> stopRequested_{false};
    QThread *worker_ = nullptr;

    QPlainTextEdit *mMessage_;
    QPushButton *bbRun_;
    QPushButton *bbStop_;
    QPushButton *bbExit_;
};
