#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main thread, so
// the end of a desktop session runs the close sequence.
#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    QSocketNotifier *notifier_ = nullptr;
};
