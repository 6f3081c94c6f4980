#pragma once
// The worker started for each broadcast envelope: it holds its own copies of
// the sender and the text and runs the sub-command's handler.
#include "core/dispatcher.h"

class TProcessBroadcastThread {
public:
    TProcessBroadcastThread(QString sender, QString text, Dispatcher::Handler handler)
        : sender_(std::move(sender)), text_(std::move(text)), handler_(std::move(handler)) {}

    void Execute() {
        if (handler_) handler_(sender_, text_);
    }

private:
    QString sender_;
    QString text_;
    Dispatcher::Handler handler_;
};
